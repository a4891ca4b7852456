// The JSON writer: layout by depth, escaping of bytes, shortest reals. The
// expected texts were written by hand from JSON's rules.
#include "app/json_writer.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

using app::JsonWriter;

constexpr int BYTES = 512;

std::string text(const JsonWriter& json, const char* out) {
  return std::string(out, static_cast<std::size_t>(json.length()));
}

std::string one_string(std::string_view bytes) {
  char out[BYTES];
  JsonWriter json(out, BYTES);
  json.string(bytes);
  return text(json, out);
}

std::string one_real(float value) {
  char out[BYTES];
  JsonWriter json(out, BYTES);
  json.real(value);
  return text(json, out);
}

TEST(JsonWriter, OuterObjectOneKeyALineNestedValuesInline) {
  char out[BYTES];
  JsonWriter json(out, BYTES);
  json.begin_object();
  json.key("n");
  json.integer(3);
  json.key("centre");
  json.begin_array();
  json.real(1.5f);
  json.real(-2.0f);
  json.real(0.25f);
  json.end_array();
  json.key("further");
  json.begin_object();
  json.key("file");
  json.string("b.pdb");
  json.key("cut");
  json.boolean(false);
  json.key("none");
  json.null();
  json.end_object();
  json.key("m");
  json.begin_array();
  json.begin_array();
  json.integer(1);
  json.end_array();
  json.begin_array();
  json.end_array();
  json.end_array();
  json.end_object();
  json.finish();
  EXPECT_EQ(text(json, out),
            "{\n"
            "  \"n\": 3,\n"
            "  \"centre\": [1.5, -2, 0.25],\n"
            "  \"further\": {\"file\": \"b.pdb\", \"cut\": false, \"none\": null},\n"
            "  \"m\": [[1], []]\n"
            "}\n");
}

TEST(JsonWriter, EmptyObject) {
  char out[BYTES];
  JsonWriter json(out, BYTES);
  json.begin_object();
  json.end_object();
  EXPECT_EQ(text(json, out), "{}");
}

TEST(JsonWriter, StringEscapes) {
  // clang-format off
  EXPECT_EQ(one_string("a.pdb"),              "\"a.pdb\"");
  EXPECT_EQ(one_string("q\"b\\c"),            "\"q\\\"b\\\\c\"");
  EXPECT_EQ(one_string(std::string_view("\x00\x01\x1f", 3)), "\"\\u0000\\u0001\\u001f\"");
  EXPECT_EQ(one_string("\x7f"),               "\"\x7f\"");
  EXPECT_EQ(one_string("\xc3\xa9"),           "\"\xc3\xa9\"");          // U+00E9
  EXPECT_EQ(one_string("\xe2\x82\xac"),       "\"\xe2\x82\xac\"");      // U+20AC
  EXPECT_EQ(one_string("\xf0\x9f\x98\x80"),   "\"\xf0\x9f\x98\x80\"");  // U+1F600
  EXPECT_EQ(one_string("\xff\x80"),           "\"\\ufffd\\ufffd\"");   // no lead byte
  EXPECT_EQ(one_string("\xc0\xaf"),           "\"\\ufffd\\ufffd\"");   // overlong
  EXPECT_EQ(one_string("\xed\xa0\x80"),       "\"\\ufffd\\ufffd\\ufffd\"");  // surrogate
  EXPECT_EQ(one_string("\xf4\x90\x80\x80"),   "\"\\ufffd\\ufffd\\ufffd\\ufffd\"");  // past U+10FFFF
  EXPECT_EQ(one_string("\xc3"),               "\"\\ufffd\"");          // cut short
  // clang-format on
}

TEST(JsonWriter, RealsShortestOrNull) {
  // clang-format off
  EXPECT_EQ(one_real(0.1f),          "0.1");
  EXPECT_EQ(one_real(-2.0f),         "-2");
  EXPECT_EQ(one_real(0.0f),          "0");
  EXPECT_EQ(one_real(-0.0f),         "-0");
  EXPECT_EQ(one_real(16777216.0f),   "16777216");
  EXPECT_EQ(one_real(1e30f),         "1e+30");
  EXPECT_EQ(one_real(0.96272993f),   "0.96272993");
  EXPECT_EQ(one_real(std::numeric_limits<float>::infinity()),  "null");
  EXPECT_EQ(one_real(-std::numeric_limits<float>::infinity()), "null");
  EXPECT_EQ(one_real(std::numeric_limits<float>::quiet_NaN()), "null");
  // clang-format on
}

}  // namespace
