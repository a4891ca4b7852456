// The two routes of each real field, both callable so that tests and fuzz
// targets can hold the direct route to the general one on every input.
// The direct routes are inline: with a constant width and decimals (the
// record functions pass them so) they compile to straight-line code.
//
//   put_fixed_fast   the field from the rounded integer of fixed_units, or
//                    false (then put_fixed_general writes it)
//   get_fixed_fast   the plain form of a field, or false with `pos` untouched
//                    (then get_fixed_general reads it)
#pragma once

#include <cstdint>
#include <cstring>

#include "formatted_io/decimal_digits.hpp"
#include "formatted_io/fields.hpp"

namespace formatted_io::detail {

void put_fixed_general(float value, int width, int decimals, char* out);
FieldStatus get_fixed_general(const char* line, int line_length, int& pos, int width, int decimals,
                              float& value);

// Powers of ten that a double holds exactly: 10^0 .. 10^22.
inline constexpr double EXACT_POWERS[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The digit pairs 00 to 99, for two digits per division.
inline constexpr char DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The text is built from its right end in a blank buffer: zeros past the
// seventh digit, decimals, point, integer digits, sign; then placed
// right-justified, or asterisks when it does not fit. The text never
// exceeds sign, 7 digits, point and 7 decimals: below 2^23 no carry makes
// an eighth integer digit.
//   12.3456f, 8, 3 -> units 12346, kept 3 -> "  12.346"
// Always inlined: with a constant width and decimals it folds to a short
// sequence of its own.
[[gnu::always_inline]] inline bool put_fixed_fast(float value, int width, int decimals, char* out) {
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

// The plain form of a field: blanks, an optional sign, digits with at most
// one point, blanks, and at most 15 digits; anything else returns false.
//   "  27.340" -> 27340 / 10^3
inline bool get_fixed_fast(const char* line, int line_length, int& pos, int width, int decimals,
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
      if (++digits > 15) return false;
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
  if (implied > 22) return false;
  // Both operands exact: one correctly rounded division.
  const float magnitude = static_cast<float>(static_cast<double>(mantissa) / EXACT_POWERS[implied]);
  value = negative ? -magnitude : magnitude;
  pos = end;
  return true;
}

// The form the Fw.d writer gives, for a constant width and decimals: the
// point in its column with DECIMALS digits after it, and before it blanks,
// an optional sign and digits. Gives the same value as get_fixed_fast;
// anything else returns false and leaves `pos`.
//   "  27.340" -> 27340 / 10^3      " -1.5000" (point elsewhere) -> false
template <int WIDTH, int DECIMALS>
inline bool get_fixed_columns(const char* line, int line_length, int& pos, float& value) {
  static_assert(DECIMALS >= 1 && WIDTH - DECIMALS >= 2 && WIDTH <= 15);
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
