// The Fw.d reader. The general reader takes every field the grammar allows;
// the plain form of a coordinate field has a direct route beside it
// (fixed_direct.hpp) that gives the same value.
#include "formatted_io/fixed_input.hpp"

#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>

#include "formatted_io/fixed_direct.hpp"

namespace formatted_io {
namespace {

// Digits kept of one field; a field of the program is 8 characters wide.
constexpr int FIELD_DIGITS_MAX = 120;
// Exponents beyond this are out of every range already.
constexpr int EXPONENT_CAP = 100000;

}  // namespace

namespace detail {

FieldStatus get_fixed_general(const char* line, int line_length, int& pos, int width, int decimals,
                              float& value) {
  char digits[FIELD_DIGITS_MAX];
  int digit_count = 0;      // significant digits kept
  int dropped_digits = 0;   // significant digits past the buffer (integer part)
  int fraction_digits = 0;  // significant digits after the point
  int leading_fraction_zeros = 0;
  bool negative = false;
  bool sign_seen = false;
  bool point_seen = false;
  // An exponent needs a digit to belong to: ".E5" and ".-3" are no numbers.
  bool digit_seen = false;
  bool in_exponent = false;
  bool exponent_digit_seen = false;
  bool exponent_sign_seen = false;
  bool exponent_negative = false;
  int exponent = 0;
  FieldStatus status = FieldStatus::Ok;

  for (int i = 0; i < width; ++i) {
    if (pos >= line_length) break;
    const char c = line[pos];
    if (c == '\r' || c == '\n') break;
    ++pos;
    if (c == ',') break;
    if (c == ' ' || c == '\t') continue;
    if (status != FieldStatus::Ok) continue;  // gather the rest of the field
    if (c == 26) {
      status = FieldStatus::EndOfFile;
      continue;
    }
    if (c >= '0' && c <= '9') {
      if (in_exponent) {
        exponent_digit_seen = true;
        if (exponent < EXPONENT_CAP) exponent = exponent * 10 + (c - '0');
        continue;
      }
      digit_seen = true;
      if (digit_count == 0 && c == '0') {
        if (point_seen) ++leading_fraction_zeros;
        continue;
      }
      if (digit_count < FIELD_DIGITS_MAX) {
        digits[digit_count++] = c;
        if (point_seen) ++fraction_digits;
      } else if (!point_seen) {
        ++dropped_digits;
      }
      continue;
    }
    if (c == '.') {
      if (point_seen || in_exponent) {
        status = FieldStatus::NotANumber;
      } else {
        point_seen = true;
      }
      continue;
    }
    if (c == '+' || c == '-') {
      if (in_exponent) {
        if (exponent_sign_seen || exponent_digit_seen) {
          status = FieldStatus::NotANumber;
        } else {
          exponent_sign_seen = true;
          exponent_negative = c == '-';
        }
      } else if (digit_seen) {
        // "1.5-3": a sign after the digits opens the exponent.
        in_exponent = true;
        exponent_sign_seen = true;
        exponent_negative = c == '-';
      } else if (sign_seen || point_seen) {
        status = FieldStatus::NotANumber;
      } else {
        sign_seen = true;
        negative = c == '-';
      }
      continue;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      if (in_exponent || !digit_seen) {
        status = FieldStatus::NotANumber;
      } else {
        in_exponent = true;
      }
      continue;
    }
    status = FieldStatus::NotANumber;
  }
  if (status != FieldStatus::Ok) return status;
  if (in_exponent && !exponent_digit_seen) return FieldStatus::NotANumber;

  if (digit_count == 0) {
    value = negative ? -0.0f : 0.0f;
    return FieldStatus::Ok;
  }
  // value = 0.digits * 10^scale... worked as integer digits * 10^power.
  const int implied = point_seen ? fraction_digits + leading_fraction_zeros : decimals;
  const int written_exponent = exponent_negative ? -exponent : exponent;
  // Without a point, the implied decimals count the leading zeros too: they
  // were dropped from `digits` but still occupy places.
  const int power = written_exponent + dropped_digits - implied;
  // Decimal exponent of the leading digit, for the range checks.
  const long leading = static_cast<long>(power) + digit_count - 1;
  double result = 0.0;
  if (leading > 400) return FieldStatus::OutOfRange;
  if (leading < -400) {
    result = 0.0;
  } else {
    bool done = false;
    if (digit_count <= 15 && power >= -22 && power <= 22) {
      // Both operands exact: one correctly rounded operation.
      std::int64_t mantissa = 0;
      for (int i = 0; i < digit_count; ++i) mantissa = mantissa * 10 + (digits[i] - '0');
      const double m = static_cast<double>(mantissa);
      result = power < 0 ? m / EXACT_POWERS[-power] : m * EXACT_POWERS[power];
      done = true;
    }
    if (!done) {
      char text[FIELD_DIGITS_MAX + 16];
      std::memcpy(text, digits, static_cast<std::size_t>(digit_count));
      int length = digit_count;
      text[length++] = 'e';
      const auto written = std::to_chars(text + length, text + sizeof text, power);
      length = static_cast<int>(written.ptr - text);
      const auto parsed = std::from_chars(text, text + length, result);
      if (parsed.ec == std::errc::result_out_of_range) {
        if (leading > 0) return FieldStatus::OutOfRange;
        result = 0.0;
      }
    }
  }
  if (result > static_cast<double>(FLT_MAX)) return FieldStatus::OutOfRange;
  const float magnitude = static_cast<float>(result);
  value = negative ? -magnitude : magnitude;
  return FieldStatus::Ok;
}

}  // namespace detail

FieldStatus get_fixed(const char* line, int line_length, int& pos, int width, int decimals,
                      float& value) {
  if (detail::get_fixed_direct(line, line_length, pos, width, decimals, value)) {
    return FieldStatus::Ok;
  }
  return detail::get_fixed_general(line, line_length, pos, width, decimals, value);
}

}  // namespace formatted_io
