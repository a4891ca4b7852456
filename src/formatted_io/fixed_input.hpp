// Fw.d input: gather the field, apply the number grammar, convert.
#pragma once

#include "formatted_io/fields.hpp"

namespace formatted_io {

// Gathers up to `width` characters of `line` (its first `line_length`
// characters are the data) from `pos`, which moves past them; a comma ends
// the field early and is consumed. Blanks and tabs are ignored, an all-blank
// field is zero, and without a point the last `decimals` digits are
// decimals. The text goes to the nearest double and that to the nearest float.
//   "  12.345" -> 12.345    "   12345" -> 12.345    "1 2.5" -> 12.5
//   "1.5E2"    -> 150       "1.5-3"    -> 0.0015    "+" or "." -> 0
//   "12.3a" -> NotANumber   "1.0E39" -> OutOfRange  code 26 -> EndOfFile
FieldStatus get_fixed(const char* line, int line_length, int& pos, int width, int decimals,
                      float& value);

}  // namespace formatted_io
