// Real number fields: Fw.d and Ew.d output, Fw.d input.
//
// Output works in two steps, digits first and layout second. The stored
// single-precision value is widened exactly to double and expanded to 17
// significant digits (half up on the 18th); the field then rounds that string
// half away from zero to at most 7 digits. Both roundings act on the stored
// binary value, never on a shorter decimal form of it, which is why 2.0005
// (stored just below) gives "2.000" in F8.3 while 0.125 gives ".13" in F5.2.
// No zero stands before the point, no plus sign is written, and a text wider
// than its field becomes asterisks.
#pragma once

#include <string>

#include "formatted_io/fields.hpp"

namespace formatted_io {

// The most significant digits ever written for a single-precision value.
constexpr int SINGLE_DIGITS = 7;
// Digits kept of the exact expansion before a field rounds it.
constexpr int EXPANSION_DIGITS = 17;

// The magnitude is 0.d1d2d3... times 10 to the power `exponent`; zero is the
// single digit 0 with exponent 0. `digits` holds numbers 0 to 9, not chars.
struct DigitString {
  char digits[EXPANSION_DIGITS + 1];
  int count;
  int exponent;
  bool negative;
};

// Exact 17-digit expansion of a finite value, trailing zeros dropped.
//   digit_string(12.5f)  -> digits 1 2 5, exponent 2
//   digit_string(0.125f) -> digits 1 2 5, exponent 0
DigitString digit_string(float value);

// Fw.d output into `out`: exactly `width` characters.
//   put_fixed(0.5f, 8, 3)     -> "    .500"
//   put_fixed(-0.0004f, 8, 3) -> "    .000"   (rounds to zero: no sign)
//   put_fixed(9.9996f, 8, 3)  -> "  10.000"   (carry adds an integer digit)
//   put_fixed(0.2f, 5, 0)     -> "   0."     (the only zero before a point)
//   put_fixed(-1234.5678f, 8, 3) -> "********"
void put_fixed(float value, int width, int decimals, char* out);
std::string put_fixed(float value, int width, int decimals);

// Ew.d output into `out`: exactly `width` characters.
//   put_exponent(1.0f, 13, 5)       -> "   .10000E+01"
//   put_exponent(0.0f, 13, 5)       -> "   .00000E+00"
//   put_exponent(0.999996f, 12, 5)  -> "  .10000E+01"
void put_exponent(float value, int width, int decimals, char* out);
std::string put_exponent(float value, int width, int decimals);

// Fw.d input. Gathers up to `width` characters of `line` (its first
// `line_length` characters are the data) from `pos`, which moves past them; a
// comma ends the field early and is consumed. Blanks and tabs are ignored, an
// all-blank field is zero, and without a point the last `decimals` digits are
// decimals. The text goes to the nearest double and that to the nearest float.
//   "  12.345" -> 12.345    "   12345" -> 12.345    "1 2.5" -> 12.5
//   "1.5E2"    -> 150       "1.5-3"    -> 0.0015    "+" or "." -> 0
//   "12.3a" -> NotANumber   "1.0E39" -> OutOfRange  code 26 -> EndOfFile
FieldStatus get_fixed(const char* line, int line_length, int& pos, int width, int decimals,
                      float& value);

// The same fields with their width and decimals fixed at compile time.
template <int WIDTH, int DECIMALS>
inline void put_fixed(float value, char* out) {
  put_fixed(value, WIDTH, DECIMALS, out);
}
template <int WIDTH, int DECIMALS>
inline FieldStatus get_fixed(const char* line, int line_length, int& pos, float& value) {
  return get_fixed(line, line_length, pos, WIDTH, DECIMALS, value);
}

}  // namespace formatted_io
