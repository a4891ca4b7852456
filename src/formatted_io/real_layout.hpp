// Fw.d and Ew.d output: the layout of a value's decimal digits in a field.
// No zero stands before the point (but in "0." of a field without decimals),
// no plus sign is written, a value that rounds to zero shows no sign, and a
// text wider than its field becomes asterisks. Values that are not finite
// numbers are written as their names, cut or padded with points.
#pragma once

#include <string>

namespace formatted_io {

// Fw.d output into `out`: exactly `width` characters.
//   put_fixed(0.5f, 8, 3)     -> "    .500"
//   put_fixed(-0.0004f, 8, 3) -> "    .000"   (rounds to zero: no sign)
//   put_fixed(9.9996f, 8, 3)  -> "  10.000"   (carry adds an integer digit)
//   put_fixed(0.2f, 5, 0)     -> "   0."     (the only zero before a point)
//   put_fixed(-1234.5678f, 8, 3) -> "********"
//   put_fixed(1.0f/0.0f, 8, 3)   -> "1#INF..."
void put_fixed(float value, int width, int decimals, char* out);
std::string put_fixed(float value, int width, int decimals);

// Ew.d output into `out`: exactly `width` characters. A single-precision
// exponent always has two digits.
//   put_exponent(1.0f, 13, 5)       -> "   .10000E+01"
//   put_exponent(0.0f, 13, 5)       -> "   .00000E+00"
//   put_exponent(0.999996f, 12, 5)  -> "  .10000E+01"
void put_exponent(float value, int width, int decimals, char* out);
std::string put_exponent(float value, int width, int decimals);

}  // namespace formatted_io
