// Fuzzes the Fw.d input field on arbitrary bytes. Each input is compared with
// a plain reference reader: the field's characters are gathered by the same
// line rules, checked against the number grammar, and the number is handed to
// strtod (nearest double) and then narrowed to float. The field reader must
// agree with it in status, value and end position; and each direct route of
// the reader (the plain form, and for F8.3 the writer's columns and the word
// route, which takes exactly the column fields) must give, wherever it
// accepts, the very bits and end position of the general route.
//
// Input layout: byte 0 picks the width, byte 1 the decimals, byte 2 the start
// position; the rest is the line, in which CR and LF end the field as a
// line end would.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formatted_io/real_fields.hpp"

namespace {

using formatted_io::FieldStatus;

struct Expected {
  bool end_of_file = false;  // a code 26 stood in the field
  FieldStatus status = FieldStatus::Ok;
  float value = 0.0f;
  int end = 0;  // position after the field
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The reference reader, straight from the rules of the field.
Expected reference_read(const char* line, int length, int pos, int width, int decimals) {
  Expected out;
  std::string text;  // the field without its blanks and tabs
  int end = pos;
  for (int i = 0; i < width && end < length; ++i) {
    const char c = line[end];
    if (c == '\r' || c == '\n') break;  // the line end stays unread
    ++end;
    if (c == ',') break;  // consumed, ends the field
    if (c == ' ' || c == '\t') continue;
    if (c == 26) out.end_of_file = true;
    text += c;
  }
  out.end = end;

  // Grammar: [sign] mantissa [exponent], mantissa digits with at most one
  // point; exponent E/D (either case) [sign] digits, or sign digits.
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::string mantissa;
  bool point = false;
  bool mantissa_digits = false;
  while (i < n && (is_digit(text[i]) || text[i] == '.')) {
    if (text[i] == '.') {
      if (point) {
        out.status = FieldStatus::NotANumber;
        return out;
      }
      point = true;
    } else {
      mantissa_digits = true;
    }
    mantissa += text[i++];
  }
  long exponent = 0;
  if (i < n) {
    bool exponent_negative = false;
    const char c = text[i];
    if (!mantissa_digits) {  // an exponent needs a digit: ".E5", ".-3"
      out.status = FieldStatus::NotANumber;
      return out;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
      if (i < n && (text[i] == '+' || text[i] == '-')) exponent_negative = text[i++] == '-';
    } else if (c == '+' || c == '-') {
      exponent_negative = c == '-';
      ++i;
    } else {
      out.status = FieldStatus::NotANumber;
      return out;
    }
    if (i == n || !is_digit(text[i])) {
      out.status = FieldStatus::NotANumber;
      return out;
    }
    while (i < n && is_digit(text[i])) {
      // Far beyond every range already; keeps the sum small.
      if (exponent < 10000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i != n) {
      out.status = FieldStatus::NotANumber;
      return out;
    }
    if (exponent_negative) exponent = -exponent;
  }
  if (!mantissa_digits) {
    out.value = 0.0f;  // a sign or a point alone, or nothing at all
    return out;
  }
  // Without a point the last `decimals` digits are decimals.
  if (!point) exponent -= decimals;
  std::string number = (negative ? "-" : "") + mantissa + "e" + std::to_string(exponent);
  errno = 0;
  const double result = std::strtod(number.c_str(), nullptr);
  if (std::isinf(result) || std::fabs(result) > static_cast<double>(FLT_MAX)) {
    out.status = FieldStatus::OutOfRange;
    return out;
  }
  out.value = static_cast<float>(result);
  return out;
}

const char* status_name(FieldStatus s) {
  switch (s) {
    case FieldStatus::Ok:
      return "Ok";
    case FieldStatus::NotANumber:
      return "NotANumber";
    case FieldStatus::OutOfRange:
      return "OutOfRange";
    case FieldStatus::EndOfFile:
      return "EndOfFile";
  }
  return "?";
}

[[noreturn]] void fail(const char* what, const char* line, int length, int start, int width,
                       int decimals, FieldStatus status, float value, int pos,
                       const Expected& want) {
  std::fprintf(stderr, "get_fixed: %s\n  F%d.%d from %d of \"", what, width, decimals, start);
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c >= 32 && c < 127 && c != '"' && c != '\\') {
      std::fputc(c, stderr);
    } else {
      std::fprintf(stderr, "\\x%02x", c);
    }
  }
  std::fprintf(stderr, "\"\n  got %s %.9g end %d; expected %s %.9g end %d%s\n", status_name(status),
               static_cast<double>(value), pos, status_name(want.status),
               static_cast<double>(want.value), want.end,
               want.end_of_file ? " (code 26 in the field)" : "");
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Half the inputs use the program's own field, F8.3.
  const int width = (data[0] & 0x80) != 0 ? 8 : 1 + data[0] % 64;
  const int decimals = (data[1] & 0x80) != 0 ? 3 : data[1] % 12;
  const char* line = reinterpret_cast<const char*>(data + 3);
  const int length = static_cast<int>(size - 3);
  const int start = data[2] % (length + 1);

  int pos = start;
  float value = -12345.0f;
  const FieldStatus status = formatted_io::get_fixed(line, length, pos, width, decimals, value);
  const Expected want = reference_read(line, length, start, width, decimals);

  auto check = [&](bool ok, const char* what) {
    if (!ok) fail(what, line, length, start, width, decimals, status, value, pos, want);
  };
  check(pos >= start && pos - start <= width, "position moved more than the width");
  check(pos <= length, "position beyond the line");
  check(pos == want.end, "field ends elsewhere");
  if (status == FieldStatus::Ok) {
    check(std::isfinite(value) && std::fabs(value) <= FLT_MAX, "Ok value not a finite float");
  }
  if (want.end_of_file) {
    // Which of two faults in one field is reported first is open.
    check(status == FieldStatus::EndOfFile || status == FieldStatus::NotANumber,
          "code 26 in the field not reported");
    return 0;
  }
  check(status == want.status, "status differs");
  if (status == FieldStatus::Ok) {
    // Equal as numbers: the sign of a zero read from "-" or "-0" is open.
    check(value == want.value, "value differs");
  }

  int general_pos = start;
  float general = -12345.0f;
  const FieldStatus general_status =
      formatted_io::detail::get_fixed_general(line, length, general_pos, width, decimals, general);
  auto same_as_general = [&](int direct_pos, float direct) {
    return general_status == FieldStatus::Ok && direct_pos == general_pos &&
           std::memcmp(&direct, &general, sizeof direct) == 0;
  };
  int direct_pos = start;
  float direct = 0.0f;
  if (formatted_io::detail::get_fixed_direct(line, length, direct_pos, width, decimals, direct)) {
    check(same_as_general(direct_pos, direct), "plain route differs from the general one");
  }
  if (width == 8 && decimals == 3) {
    direct_pos = start;
    if (formatted_io::detail::get_fixed_columns<8, 3>(line, length, direct_pos, direct)) {
      check(same_as_general(direct_pos, direct), "column route differs from the general one");
    }
    // The word route takes exactly the fields of the column route.
    int word_pos = start;
    float word = 0.0f;
    const bool by_word = formatted_io::detail::get_fixed_word<8, 3>(line, length, word_pos, word);
    if (by_word) {
      check(same_as_general(word_pos, word), "word route differs from the general one");
    } else {
      check(word_pos == start, "word route moved the position of a field it declined");
    }
    int columns_pos = start;
    float columns = 0.0f;
    const bool by_columns =
        formatted_io::detail::get_fixed_columns<8, 3>(line, length, columns_pos, columns);
    check(by_word == by_columns || !formatted_io::detail::WORDS_IN_MEMORY_ORDER,
          "word route and column route take different fields");
    direct_pos = start;
    const FieldStatus routed = formatted_io::get_fixed<8, 3>(line, length, direct_pos, direct);
    check(routed == general_status && direct_pos == general_pos &&
              (routed != FieldStatus::Ok || std::memcmp(&direct, &general, sizeof direct) == 0),
          "constant-width reader differs from the general one");
  }
  return 0;
}
