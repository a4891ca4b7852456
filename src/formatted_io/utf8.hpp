// Telling valid UTF-8 from other bytes, for writers of JSON text that keep
// the one and replace the other.
#pragma once

#include <cstddef>

namespace formatted_io {

// Bytes of the valid UTF-8 sequence at `s` (1 to 4) within the `left` bytes
// there, 0 when it is none: no overlong forms, no surrogates, nothing past
// U+10FFFF.
//   "A" -> 1;   C3 A9 -> 2;   C0 80 (overlong) -> 0;   ED A0 80 (surrogate) -> 0
std::size_t utf8_length(const unsigned char* s, std::size_t left);

}  // namespace formatted_io
