// Text and integer fields: Iw and Aw output, A and Aw input. Records are
// assembled in place, so besides the characters each field must write exactly
// its width and nothing beyond it.
#include "formatted_io/fields.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace formatted_io {
namespace {

TEST(PutInteger, Fields) {
  // clang-format off
  const struct { int value; int width; const char* field; } rows[] = {
      {    10000,  5, "10000"},
      {    10000,  6, " 10000"},
      {       42,  5, "   42"},
      {        0,  1, "0"},
      {        0,  3, "  0"},
      {       99,  2, "99"},
      {      100,  2, "**"},
      {      123,  2, "**"},
      {       -1,  5, "   -1"},
      {      -12,  3, "-12"},
      {      -12,  2, "**"},      // the sign needs a place too
      {       -5,  1, "*"},
      {  INT_MAX, 10, "2147483647"},
      {  INT_MIN, 11, "-2147483648"},
      {  INT_MIN, 12, " -2147483648"},
      {  INT_MIN, 10, "**********"},
  };
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(put_integer(row.value, row.width), row.field)
        << "I" << row.width << " of " << row.value;
  }
}

TEST(PutInteger, WritesExactlyWidth) {
  std::string buffer(10, '#');
  put_integer(7, 3, buffer.data() + 2);
  EXPECT_EQ(buffer, "##  7#####");
  put_integer(1000, 3, buffer.data() + 2);
  EXPECT_EQ(buffer, "##***#####");
}

TEST(PutText, Fields) {
  // clang-format off
  const struct { const char* item; int width; const char* field; } rows[] = {
      {"ATOM",    6, "  ATOM"},    // wider: right-justified
      {"HETATM",  3, "HET"},       // narrower: the first w characters
      {"ABC",     3, "ABC"},
      {"AB  ",    4, "AB  "},      // trailing blanks belong to the item
      {"AB  ",    6, "  AB  "},
      {"",        2, "  "},
  };
  // clang-format on
  for (const auto& row : rows) {
    std::string field(static_cast<std::size_t>(row.width), '#');
    put_text(row.item, row.width, field.data());
    EXPECT_EQ(field, row.field) << "A" << row.width << " of \"" << row.item << "\"";
  }
}

TEST(PutText, WritesExactlyWidth) {
  std::string buffer(10, '#');
  put_text("HETATM", 3, buffer.data() + 2);
  EXPECT_EQ(buffer, "##HET#####");
  put_text("X", 3, buffer.data() + 2);
  EXPECT_EQ(buffer, "##  X#####");
}

// Reads one text item; `width` 0 is plain A. Returns the item and where the
// position ended.
struct TextRead {
  std::string item;
  int pos;
};

TextRead read_text(const std::string& line, int length, int width, int start = 0) {
  std::vector<char> item(static_cast<std::size_t>(length), '#');
  int pos = start;
  get_text(line.data(), static_cast<int>(line.size()), pos, item.data(), length, width);
  return {std::string(item.begin(), item.end()), pos};
}

TEST(GetText, WholeItemFromLinesOfAnyLength) {
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += static_cast<char>('!' + i % 90);

  TextRead r = read_text(hundred, 80, 0);
  EXPECT_EQ(r.item, hundred.substr(0, 80));
  EXPECT_EQ(r.pos, 80);

  r = read_text("ABC", 80, 0);
  EXPECT_EQ(r.item, "ABC" + std::string(77, ' '));

  r = read_text("", 80, 0);
  EXPECT_EQ(r.item, std::string(80, ' '));

  r = read_text("", 1, 1);  // a one-character answer from an empty line
  EXPECT_EQ(r.item, " ");

  r = read_text("ABCD", 4, 4);  // Aw with w equal to the item's length
  EXPECT_EQ(r.item, "ABCD");
  EXPECT_EQ(r.pos, 4);
}

TEST(GetText, WidthNarrowerThanItem) {
  // w characters, then blanks to the item's end.
  TextRead r = read_text("ABCDEFG", 5, 2);
  EXPECT_EQ(r.item, "AB   ");
  EXPECT_EQ(r.pos, 2);
  r = read_text("ABCDEFG", 5, 2, 2);
  EXPECT_EQ(r.item, "CD   ");
  EXPECT_EQ(r.pos, 4);
}

TEST(GetText, WidthWiderThanItem) {
  // The first w minus L characters are skipped, the last L taken.
  TextRead r = read_text("ABCDEFG", 3, 5);
  EXPECT_EQ(r.item, "CDE");
  EXPECT_EQ(r.pos, 5);
  r = read_text("ABC", 3, 5);  // the line ends inside the field
  EXPECT_EQ(r.item, "C  ");
  r = read_text("AB", 3, 5);
  EXPECT_EQ(r.item, "   ");
}

TEST(GetText, ConsecutiveItems) {
  // Each item starts where the one before ended: "(14x,a3,a3)" takes
  // columns 15-17 and 18-20.
  const std::string line = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  TextRead r = read_text(line, 3, 3, 14);
  EXPECT_EQ(r.item, "OPQ");
  r = read_text(line, 3, 3, r.pos);
  EXPECT_EQ(r.item, "RST");
  EXPECT_EQ(r.pos, 20);
}

}  // namespace
}  // namespace formatted_io
