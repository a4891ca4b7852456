// The word route of F8.3 input, for the coordinate fields of structure
// files.
//
// get_fixed_word<8, 3> takes exactly the fields get_fixed_columns<8, 3>
// takes: the point in column 4, three digits after it, before it blanks, an
// optional sign and digits. It declines every other field, a line with
// fewer than 8 characters left, every other width and decimals (WORD_READER)
// and everything on a big-endian machine; a declined field leaves `pos`
// untouched. What it reads equals get_fixed_columns' value, and so
// get_fixed_general's.
//
// The 8 characters are loaded as one word and compared with "0000.000" at
// once: after t = w ^ "0000.000" the digits are bytes 0-9 and the point is
// 0. Adding 6 to a byte (15 to the point's) shows a high nibble exactly
// when the byte is no digit (no point); the highest such byte says where
// the prefix of blanks and sign ends, and picks the table entry that checks
// it. The digit bytes past the prefix become one number in three
// multiply-shift steps.
//   "  27.340" -> t = 10 10 02 07 00 03 04 00 (blanks give 0x10)
//              -> prefix "  " (columns 0-1), digits 0027 and 340 -> 27340 / 10^3
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "formatted_io/decimal_digits.hpp"
#include "formatted_io/real_routes.hpp"

namespace formatted_io::detail {

// Fw.d that get_fixed_word reads: F8.3.
template <int WIDTH, int DECIMALS>
inline constexpr bool WORD_READER = WIDTH == 8 && DECIMALS == 3 && WORDS_IN_MEMORY_ORDER;

namespace word {

// The field every digit and the point of which t = w ^ ZERO_FIELD makes 0.
inline constexpr std::uint64_t ZERO_FIELD = word_of("0000.000");
// Added to t: a digit byte (0-9) keeps its high nibble 0 after adding 6, and
// 10 and up show one; the point's byte, 0 for a point, shows one for
// anything else after adding 15. A byte that carries out (only from 0xF1
// up) is flagged itself, and its carry can only flag the next byte too,
// never hide one.
inline constexpr std::uint64_t NO_DIGIT_ADD =
    repeated(0x10 - 10, 8) + (std::uint64_t{15 - 6} << 32);
inline constexpr std::uint64_t HIGH_NIBBLES = repeated(0xF0, 8);
static_assert(word_of("0000.000") == 0x3030302E30303030ull);
static_assert(NO_DIGIT_ADD == 0x0606060F06060606ull);

// The digit bytes joined: adjacent lanes as low * 10^k + high, the first
// column being the most significant and in the lower lane. Two digits in
// 16-bit lanes (at most 99), four in 32-bit lanes (at most 9999), then the
// whole part times 1000 plus the decimals in the low 32 bits.
inline constexpr std::uint64_t PAIRS = 1u + (10u << 8);
inline constexpr std::uint64_t PAIR_LANES = repeated(0xFF, 16);
inline constexpr std::uint64_t QUADS = 1u + (100u << 16);
inline constexpr std::uint64_t QUAD_LANES = repeated(0xFFFF, 32);
inline constexpr std::uint64_t JOIN = 1u + (POWERS_OF_TEN[3] << 32);
static_assert(99 <= 0xFF && 9'999 <= 0xFFFF && 9'999 * POWERS_OF_TEN[3] + 999 < (1ull << 32));

// The reader's table, by the highest set bit of the no-digit flags (0 when
// there are none). A flag among the point and the decimals (bit 32 and up)
// rejects the field: no prefix matches. Otherwise the columns up to the last
// no-digit of columns 0-3 (the prefix) must be blanks, the last of them may
// be a sign.
struct ReaderTable {
  std::uint64_t digits[64];  // the bits of the digit word past the prefix
  std::uint32_t prefix[64];  // the bits of the prefix in columns 0-3
  std::uint32_t blanks[64];  // the prefix all blank,
  std::uint32_t minus[64];   // ... ending in '-',
  std::uint32_t plus[64];    // ... ending in '+'
};

constexpr ReaderTable reader_table() {
  ReaderTable t{};
  for (int top = 0; top < 64; ++top) {
    if (top >= 32) {
      t.prefix[top] = 0;
      t.blanks[top] = t.minus[top] = t.plus[top] = ~0u;
      continue;
    }
    const int length = (top + 4) / 8;  // a flag sits in bits 4-7 of its byte
    const std::uint64_t bits = (std::uint64_t{1} << (8 * length)) - 1;
    t.digits[top] = ~bits;
    t.prefix[top] = static_cast<std::uint32_t>(bits);
    t.blanks[top] = static_cast<std::uint32_t>(repeated(' ', 8)) & t.prefix[top];
    t.minus[top] = t.blanks[top];
    t.plus[top] = t.blanks[top];
    if (length > 0) {
      t.minus[top] ^= static_cast<std::uint32_t>(' ' ^ '-') << (8 * (length - 1));
      t.plus[top] ^= static_cast<std::uint32_t>(' ' ^ '+') << (8 * (length - 1));
    }
  }
  return t;
}

inline constexpr ReaderTable READER = reader_table();

}  // namespace word

template <int WIDTH, int DECIMALS>
[[gnu::always_inline]] inline bool get_fixed_word(const char* line, int line_length, int& pos,
                                                  float& value) {
  if constexpr (!WORD_READER<WIDTH, DECIMALS>) {
    return false;
  } else {
    if (line_length - pos < 8) return false;
    std::uint64_t w;
    std::memcpy(&w, line + pos, sizeof w);
    const std::uint64_t t = w ^ word::ZERO_FIELD;
    const std::uint64_t odd = ((t + word::NO_DIGIT_ADD) | t) & word::HIGH_NIBBLES;
    const unsigned top = static_cast<unsigned>(std::bit_width(odd | 1u)) - 1;
    const word::ReaderTable& r = word::READER;
    const std::uint32_t prefix = static_cast<std::uint32_t>(w) & r.prefix[top];
    bool negative = false;
    if (prefix != r.blanks[top]) {
      if (prefix == r.minus[top]) {
        negative = true;
      } else if (prefix != r.plus[top]) {
        return false;
      }
    }
    // The prefix and the point count as digits 0.
    std::uint64_t digits = t & r.digits[top];
    digits = (digits * word::PAIRS >> 8) & word::PAIR_LANES;
    digits = (digits * word::QUADS >> 16) & word::QUAD_LANES;
    digits = digits * word::JOIN >> 32;
    // Both operands exact: one correctly rounded division.
    const float magnitude = static_cast<float>(
        static_cast<double>(static_cast<std::int64_t>(digits)) / EXACT_POWERS[DECIMALS]);
    value = negative ? -magnitude : magnitude;
    pos += 8;
    return true;
  }
}

}  // namespace formatted_io::detail
