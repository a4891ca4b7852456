// The word route of Fw.d output, for the fields of coordinates.
//
// put_fixed_word<WIDTH, DECIMALS> takes the fields of 1 to 3 decimals, at
// most 8 wide, with a column for an integer digit or a sign (WORD_WRITER),
// and in them every value whose magnitude rounds to below 10^4 units of the
// whole part, zero and subnormals included. It declines magnitudes that
// round to 10^4 or more, infinities and NaNs, every other field, and
// everything on a big-endian machine. What it writes equals
// put_fixed_general's bytes (and put_fixed_direct's where that one takes the
// value).
//
// The magnitude is rounded to units exactly, in double, split into whole
// part and decimals, and both are made into digit bytes in parallel lanes
// of one word: two multiply-shift steps divide each lane by 100, then by 10.
// Blanks, sign and point come from a table indexed by the position of the
// first nonzero digit byte.
//   12.3456f in F8.3 -> units 12346 -> whole 12, decimals 346
//                    -> digit bytes 0 0 1 2 | 0 3 4 6 -> "  12.346"
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "formatted_io/decimal_digits.hpp"
#include "formatted_io/real_routes.hpp"

namespace formatted_io::detail {

// Fw.d that put_fixed_word writes.
template <int WIDTH, int DECIMALS>
inline constexpr bool WORD_WRITER =
    DECIMALS >= 1 && DECIMALS <= 3 && WIDTH >= DECIMALS + 2 && WIDTH <= 8 && WORDS_IN_MEMORY_ORDER;

namespace word {

inline constexpr std::uint32_t SIGN_BIT = std::uint32_t{1} << 31;

// The magnitude of a normal float, given by its bits, times 10^decimals,
// rounded half up: floor(m / 2^s * 10^d + 1/2). For the bounds below.
constexpr std::uint64_t rounded_units(std::uint32_t magnitude_bits, int decimals) {
  const int s = FLOAT_SHIFT_BIAS - static_cast<int>(magnitude_bits >> STORED_BIT_COUNT);
  const std::uint64_t scaled =
      ((magnitude_bits & STORED_BITS) | HIDDEN_BIT) * POWERS_OF_TEN[decimals];
  if (s <= 0) return scaled;  // 2^23 and more: beyond every bound asked for
  if (s > 63) return 0;
  return (scaled + (std::uint64_t{1} << (s - 1))) >> s;
}

// The bits of the smallest normal magnitude whose rounded units reach `units`
// (below 10^7, which 2^23 passes for every decimals from 1).
constexpr std::uint32_t first_reaching(std::uint64_t units, int decimals) {
  std::uint32_t low = 0x00800000u;   // the smallest normal, 2^-126: 0 units
  std::uint32_t high = 0x4B000000u;  // 2^23
  while (high - low > 1) {
    const std::uint32_t middle = low + (high - low) / 2;
    if (rounded_units(middle, decimals) >= units) {
      high = middle;
    } else {
      low = middle;
    }
  }
  return high;
}

// The first v for which v * multiplier >> shift is not floor(v / divisor),
// found by trying every v from 0.
constexpr std::uint64_t first_inexact_quotient(std::uint64_t multiplier, int shift,
                                               std::uint64_t divisor) {
  std::uint64_t v = 0;
  while ((v * multiplier >> shift) == v / divisor) ++v;
  return v;
}

// The lanes: whole part and decimals in two 32-bit lanes, each below 10^4;
// then four 16-bit lanes of two digits, below 100; then eight digit bytes.
inline constexpr std::uint64_t LANE_32_MAX = 9'999;
inline constexpr std::uint64_t LANE_16_MAX = 99;

// v / 100 in a 32-bit lane as v * BY_100 >> 20: BY_100 is ceil(2^20 / 100),
// exact below 43,699. The product stays inside its lane and the quotient,
// below 100, inside its 7 low bits.
inline constexpr std::uint64_t BY_100 = 10486;
inline constexpr int BY_100_SHIFT = 20;
static_assert(BY_100 == ((std::uint64_t{1} << BY_100_SHIFT) + 99) / 100);
static_assert(first_inexact_quotient(BY_100, BY_100_SHIFT, 100) == 43'699);
static_assert(LANE_32_MAX < 43'699 && LANE_32_MAX * BY_100 < (std::uint64_t{1} << 32));
inline constexpr std::uint64_t HUNDREDS = repeated(0x7F, 32);
static_assert(LANE_32_MAX / 100 <= 0x7F);

// v / 10 in a 16-bit lane as v * BY_10 >> 10: BY_10 is ceil(2^10 / 10),
// exact below 179. The product stays inside its lane and the quotient,
// below 10, inside its 4 low bits.
inline constexpr std::uint64_t BY_10 = 103;
inline constexpr int BY_10_SHIFT = 10;
static_assert(BY_10 == ((std::uint64_t{1} << BY_10_SHIFT) + 9) / 10);
static_assert(first_inexact_quotient(BY_10, BY_10_SHIFT, 10) == 179);
static_assert(LANE_16_MAX < 179 && LANE_16_MAX * BY_10 < (std::uint64_t{1} << 16));
inline constexpr std::uint64_t TENS = repeated(0x0F, 16);
static_assert(LANE_16_MAX / 10 <= 0x0F);

// The writer's constants. Magnitudes from ZERO_BITS to below TOP_BITS round
// to 1 .. 10^(4+d) - 1 units: a whole part of at most 4 digits. Below, the
// field is zero; from TOP_BITS on (and for infinities and NaNs) the other
// routes write it.
//
// The digit word holds the whole part's 4 digits in bytes 0-3 and the
// decimals, right-aligned, in bytes 4-7 (for 3 decimals; fewer decimals move
// the whole part up by as many bytes), the point's byte 7-d being 0. Its
// lowest nonzero byte is the first shown digit, or past the point when the
// whole part is 0. The entry for (trailing zero bits of the word, sign) turns
// it into the text: blanks before the first digit, the minus sign just before
// it, the point, '0' added to the digits; or asterisks when the text is wider
// than the field.
template <int WIDTH, int DECIMALS>
struct Writer {
  static constexpr int POINT = 7 - DECIMALS;
  static constexpr std::uint32_t ZERO_BITS = first_reaching(1, DECIMALS);
  static constexpr std::uint32_t TOP_BITS = first_reaching(POWERS_OF_TEN[4 + DECIMALS], DECIMALS);

  struct Entry {
    std::uint64_t keep;  // the digit word's bits kept
    std::uint64_t add;   // then added
  };

  static constexpr std::uint64_t byte_at(int index, unsigned value) {
    return std::uint64_t{value} << (8 * index);
  }

  static constexpr Entry entry(int trailing_zeros, bool negative) {
    int first = trailing_zeros / 8;
    if (first > POINT) first = POINT;
    if (first - (negative ? 1 : 0) < 8 - WIDTH) return {0, word_of("********")};
    std::uint64_t add = 0;
    for (int i = 0; i < 8; ++i) {
      unsigned c = i < first ? static_cast<unsigned char>(' ') : static_cast<unsigned char>('0');
      if (i == first - 1 && negative) c = '-';
      if (i == POINT) c = '.';
      add |= byte_at(i, c);
    }
    return {~std::uint64_t{0}, add};
  }

  // [2 * trailing zero bits + negative], the two parts apart so that one
  // scaled index reaches both. A nonzero word has at most 63 trailing zeros.
  static constexpr int ENTRIES = 2 * 64;
  struct Table {
    std::uint64_t keep[ENTRIES];
    std::uint64_t add[ENTRIES];
  };

  static constexpr Table table() {
    Table t{};
    for (int i = 0; i < ENTRIES; ++i) {
      const Entry e = entry(i / 2, i % 2 != 0);
      t.keep[i] = e.keep;
      t.add[i] = e.add;
    }
    return t;
  }

  static constexpr Table TABLE = table();

  // The text of a value that rounds to zero: no sign, no integer digit.
  static constexpr std::uint64_t ZERO_TEXT = entry(8 * POINT, false).add;

  // Every magnitude handled rounds alike here and in fixed_units: no
  // undecided half (which needs 2^s >= 2 * 10^(17 - d), s at most that of
  // ZERO_BITS), and a whole part below 10^(7 - d), so d decimals kept.
  static_assert(FLOAT_SHIFT_BIAS - static_cast<int>(ZERO_BITS >> STORED_BIT_COUNT) <
                UNDECIDED_SHIFT[EXPANSION_DIGITS - DECIMALS]);
  static_assert(FLOAT_SHIFT_BIAS - static_cast<int>(TOP_BITS >> STORED_BIT_COUNT) >= 1);
  static_assert(4 <= 7 - DECIMALS);
};

}  // namespace word

template <int WIDTH, int DECIMALS>
[[gnu::always_inline]] inline bool put_fixed_word(float value, char* out) {
  if constexpr (!WORD_WRITER<WIDTH, DECIMALS>) {
    return false;
  } else {
    using W = word::Writer<WIDTH, DECIMALS>;
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t magnitude = bits & ~word::SIGN_BIT;
    std::uint64_t text = W::ZERO_TEXT;
    if (magnitude - W::ZERO_BITS < W::TOP_BITS - W::ZERO_BITS) [[likely]] {
      // m * 10^d has at most 34 significant bits and is at least 1/2 here,
      // so the product and the added half are exact in a double.
      const double scaled =
          static_cast<double>(std::bit_cast<float>(magnitude)) * EXACT_POWERS[DECIMALS] + 0.5;
      constexpr auto SCALE = static_cast<std::uint32_t>(POWERS_OF_TEN[DECIMALS]);
      const auto units = static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled));
      const std::uint32_t whole = units / SCALE;
      const std::uint32_t fraction = units - whole * SCALE;
      // Per lane, q = v / 100 and v becomes q | (v - 100 q) << 16: shifted up
      // by 16, less q times (100 << 16) - 1. Then the same with 10 and 8.
      std::uint64_t x = whole | std::uint64_t{fraction} << 32;
      const std::uint64_t hundreds = (x * word::BY_100 >> word::BY_100_SHIFT) & word::HUNDREDS;
      x = (x << 16) - hundreds * ((100u << 16) - 1u);
      const std::uint64_t tens = (x * word::BY_10 >> word::BY_10_SHIFT) & word::TENS;
      x = (x << 8) - tens * ((10u << 8) - 1u);
      if constexpr (DECIMALS < 3) {
        // The whole part's bytes up to the point; the decimals stay.
        x = (x & 0xFFFFFFFFull) << (8 * (3 - DECIMALS)) | (x & 0xFFFFFFFF00000000ull);
      }
      // x is not 0 (the units are at least 1): at most 63 trailing zeros.
      const unsigned index = 2 * static_cast<unsigned>(std::countr_zero(x)) + (bits >> 31);
      text = (x & W::TABLE.keep[index]) + W::TABLE.add[index];
    } else if (magnitude >= W::TOP_BITS) {
      return false;
    }
    const std::uint64_t shown = text >> (8 * (8 - WIDTH));
    std::memcpy(out, &shown, WIDTH);
    return true;
  }
}

}  // namespace formatted_io::detail
