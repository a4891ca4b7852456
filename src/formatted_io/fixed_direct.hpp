// The direct routes of Fw.d output and input.
//
// put_fixed_direct takes every value that fixed_units takes: a normal,
// finite value from 2^-40 to below 2^23 whose rounding the integer route
// can decide, at most 7 decimals. It declines zero, subnormals, infinities,
// NaNs, larger and smaller magnitudes and the undecided values (a rounding
// just below a half, where the 17-digit expansion rounds up to the half).
// What it writes equals put_fixed_general's bytes.
//
// get_fixed_direct takes the plain form of a field: blanks, an optional
// sign, at most 15 digits with at most one point, blanks. It declines every
// other field (commas, tabs, exponents, blanks between digits, too many
// digits); what it reads equals get_fixed_general's value.
//
// get_fixed_columns takes, for a constant width and decimals, the form the
// Fw.d writer gives: the point in its column, DECIMALS digits after it,
// before it blanks, an optional sign and digits. It declines every other
// field; what it reads equals get_fixed_direct's value, and so the general
// route's.
//
// All are inline: with a constant width and decimals (the record functions
// pass them so) they compile to straight-line code.
#pragma once

#include <cstdint>
#include <cstring>

#include "formatted_io/decimal_digits.hpp"
#include "formatted_io/real_routes.hpp"

namespace formatted_io::detail {

// The digit pairs 00 to 99, for two digits per division.
inline constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The longest text put_fixed_direct builds: a sign, 7 digits, the point and
// 7 decimals. Below 2^23 no carry makes an eighth integer digit.
inline constexpr int DIRECT_TEXT_MAX = 1 + SINGLE_DIGITS + 1 + SINGLE_DIGITS;
static_assert(DIRECT_TEXT_MAX <= 16);

// The text is built from its right end in a blank buffer: zeros past the
// seventh digit, decimals, point, integer digits, sign; then placed
// right-justified, or asterisks when it does not fit.
//   12.3456f, 8, 3 -> units 12346, kept 3 -> "  12.346"
//   0.0004f, 8, 3  -> units 0              -> "    .000"  (no sign, no 0)
//   1234567.8f, 12, 3 -> units 1234568, kept 0 -> " 1234568.000"
// Always inlined: with a constant width and decimals it folds to a short
// sequence of its own.
[[gnu::always_inline]] inline bool put_fixed_direct(float value, int width, int decimals,
                                                    char* out) {
  std::uint64_t rounded = 0;
  int kept = 0;
  if (!fixed_units(value, decimals, rounded, kept)) return false;
  constexpr int TEXT = 16;
  char text[TEXT];
  std::memset(text, ' ', TEXT);
  char* p = text + TEXT;
  auto push_pair = [&](std::uint64_t pair) __attribute__((always_inline)) {
    *--p = DIGIT_PAIRS[2 * pair + 1];
    *--p = DIGIT_PAIRS[2 * pair];
  };
  // The integer digits and `places` decimals of `rounded`; with the usual
  // kept == decimals, `places` is a constant and the divisions are by one.
  auto push_number = [&](int places) __attribute__((always_inline)) {
    std::uint64_t fraction = rounded % POWERS_OF_TEN[places];
    std::uint64_t whole = rounded / POWERS_OF_TEN[places];
    int count = places;
    for (; count >= 2; count -= 2) {
      push_pair(fraction % 100);
      fraction /= 100;
    }
    if (count != 0) *--p = static_cast<char>('0' + fraction);
    *--p = '.';
    for (; whole >= 100; whole /= 100) push_pair(whole % 100);
    if (whole >= 10) {
      push_pair(whole);
    } else if (whole != 0) {
      *--p = static_cast<char>('0' + whole);
    }
  };
  if (rounded == 0) {
    // Rounds to zero: no sign; "0." only when there are no decimals.
    for (int i = 0; i < decimals; ++i) *--p = '0';
    *--p = '.';
    if (decimals == 0) *--p = '0';
  } else {
    if (kept == decimals) {
      push_number(decimals);
    } else {
      for (int i = kept; i < decimals; ++i) *--p = '0';
      push_number(kept);
    }
    if (value < 0.0f) *--p = '-';
  }
  const int length = static_cast<int>(text + TEXT - p);
  if (length > width) {
    std::memset(out, '*', static_cast<std::size_t>(width));
  } else if (width <= TEXT) {
    std::memcpy(out, text + TEXT - width, static_cast<std::size_t>(width));
  } else {
    // Wider than any text: blanks, then the text.
    const int blanks = width - length;
    for (int j = 0; j < width; ++j) out[j] = j < blanks ? ' ' : p[j - blanks];
  }
  return true;
}

// The plain form of a field, read as one integer and one power of ten.
//   "  27.340" -> 27340 / 10^3      "   27340" (no point, 3 decimals) -> 27340 / 10^3
//   "1.5E2", "1,5", "1 2" -> false
inline bool get_fixed_direct(const char* line, int line_length, int& pos, int width, int decimals,
                             float& value) {
  const int end = pos + width < line_length ? pos + width : line_length;
  int i = pos;
  while (i < end && line[i] == ' ') ++i;
  bool negative = false;
  if (i < end && (line[i] == '-' || line[i] == '+')) negative = line[i++] == '-';
  std::int64_t mantissa = 0;
  int digits = 0;
  int fraction = -1;  // digits after the point; -1 without a point
  for (; i < end; ++i) {
    const char c = line[i];
    if (c >= '0' && c <= '9') {
      if (++digits > EXACT_DIGITS_MAX) return false;
      mantissa = mantissa * 10 + (c - '0');
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else {
      break;
    }
  }
  for (; i < end; ++i) {
    if (line[i] != ' ') return false;
  }
  if (digits == 0) return false;
  const int implied = fraction < 0 ? decimals : fraction;
  if (implied > EXACT_POWER_MAX) return false;
  // Both operands exact: one correctly rounded division.
  const float magnitude = static_cast<float>(static_cast<double>(mantissa) / EXACT_POWERS[implied]);
  value = negative ? -magnitude : magnitude;
  pos = end;
  return true;
}

// Fw.d that get_fixed_columns reads: a point with decimals, a column before
// it, and no more columns than a mantissa holds exactly.
template <int WIDTH, int DECIMALS>
inline constexpr bool COLUMN_READER =
    DECIMALS >= 1 && WIDTH - DECIMALS >= 2 && WIDTH <= EXACT_DIGITS_MAX;

// The form the Fw.d writer gives, for a constant width and decimals.
//   "  27.340" -> 27340 / 10^3      " -1.5000" (point elsewhere) -> false
template <int WIDTH, int DECIMALS>
inline bool get_fixed_columns(const char* line, int line_length, int& pos, float& value) {
  static_assert(COLUMN_READER<WIDTH, DECIMALS>);
  constexpr int POINT = WIDTH - DECIMALS - 1;
  if (line_length - pos < WIDTH) return false;
  const char* field = line + pos;
  if (field[POINT] != '.') return false;
  std::int64_t mantissa = 0;
  std::int64_t scale = 1;
  for (int i = WIDTH - 1; i > POINT; --i) {
    const unsigned digit = static_cast<unsigned>(field[i] - '0');
    if (digit > 9) return false;
    mantissa += digit * scale;
    scale *= 10;
  }
  int i = POINT - 1;
  for (; i >= 0; --i) {
    const unsigned digit = static_cast<unsigned>(field[i] - '0');
    if (digit > 9) break;
    mantissa += digit * scale;
    scale *= 10;
  }
  bool negative = false;
  if (i >= 0 && (field[i] == '-' || field[i] == '+')) negative = field[i--] == '-';
  for (; i >= 0; --i) {
    if (field[i] != ' ') return false;
  }
  // Both operands exact: one correctly rounded division.
  const float magnitude =
      static_cast<float>(static_cast<double>(mantissa) / EXACT_POWERS[DECIMALS]);
  value = negative ? -magnitude : magnitude;
  pos += WIDTH;
  return true;
}

}  // namespace formatted_io::detail
