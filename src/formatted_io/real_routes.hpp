// The routes of the real fields. Each field has one general route, which
// takes every value or field the rules allow and so defines the result; the
// other routes take a common part of the inputs faster and must give the
// same bytes or value on every input they take. A route that cannot take an
// input declines it (returns false, writes nothing, leaves `pos`) and the
// next one is tried:
//
//   Fw.d output  put_fixed_word -> put_fixed_direct -> put_fixed_general
//   Fw.d input   get_fixed_word or get_fixed_columns -> get_fixed_direct
//                -> get_fixed_general
//
//   fixed_direct.hpp       the direct routes: a field from the rounded
//                          integer of fixed_units, and the plain form of a
//                          field read as one integer
//   fixed_word_writer.hpp  Fw.d of coordinates built as one 64-bit word
//   fixed_word_reader.hpp  F8.3 taken apart as one 64-bit word
//
// Every route stays callable, so that tests, fuzz targets and the
// exhaustive tools hold each one to the general route on every input they
// see. What the routes share is here.
#pragma once

#include <bit>
#include <cstdint>

#include "formatted_io/fields.hpp"

namespace formatted_io::detail {

// The general routes: every value from its exact digit expansion
// (real_layout.cpp), every field of the number grammar (fixed_input.cpp).
void put_fixed_general(float value, int width, int decimals, char* out);
FieldStatus get_fixed_general(const char* line, int line_length, int& pos, int width, int decimals,
                              float& value);

// Powers of ten that a double holds exactly: 10^0 .. 10^22 (5^22 < 2^53).
inline constexpr double EXACT_POWERS[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int EXACT_POWER_MAX = 22;

// A number below 2^53 is exact in a double: a mantissa of at most 15 digits
// divided by an exact power of ten is one correctly rounded division.
inline constexpr int EXACT_DIGITS_MAX = 15;
static_assert(999'999'999'999'999ull < (std::uint64_t{1} << 53));

// The word routes hold a field of at most 8 characters in one 64-bit word,
// its first character in the lowest byte: the machine's own byte order on
// little-endian machines only. Elsewhere they decline everything.
inline constexpr bool WORDS_IN_MEMORY_ORDER = std::endian::native == std::endian::little;

// The 64-bit word whose bytes, lowest first, are `lane` repeated in every
// lane of `lane_bits` bits.
constexpr std::uint64_t repeated(std::uint64_t lane, int lane_bits) {
  std::uint64_t word = 0;
  for (int at = 0; at < 64; at += lane_bits) word |= lane << at;
  return word;
}

// The word of 8 characters, the first in the lowest byte.
constexpr std::uint64_t word_of(const char (&text)[9]) {
  std::uint64_t word = 0;
  for (int i = 0; i < 8; ++i) word |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
  return word;
}

}  // namespace formatted_io::detail
