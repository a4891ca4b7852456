// The two routes of each real field, both callable so that tests and fuzz
// targets can hold the direct route to the general one on every input.
// The direct routes are inline: with a constant width and decimals (the
// record functions pass them so) they compile to straight-line code.
//
//   put_fixed_fast   the field from the rounded integer of fixed_units, or
//                    false (then put_fixed_general writes it)
//   get_fixed_fast   the plain form of a field, or false with `pos` untouched
//                    (then get_fixed_general reads it)
//
// For the fields of coordinates, Fw.3 up to 8 wide and F8.3 input, a third
// route works on the field as one 64-bit word (little-endian machines only;
// elsewhere it declines everything):
//
//   put_fixed_word   the field from the rounded integer, digits made in
//                    parallel lanes; false for magnitudes of 10^4 and more,
//                    infinities and NaNs (then put_fixed_fast and
//                    put_fixed_general write it)
//   get_fixed_word   exactly the fields get_fixed_columns<8, 3> takes, with
//                    the same value; false (and `pos` untouched) otherwise
#pragma once

#include <bit>
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

// ---- Word routes --------------------------------------------------------------
//
// A field of at most 8 characters is built or taken apart as one 64-bit word,
// its first character in the lowest byte: so on little-endian machines only.

inline constexpr bool WORDS_IN_MEMORY_ORDER = std::endian::native == std::endian::little;

// Fw.d that put_fixed_word writes: 1 to 3 decimals, at most 8 wide, room for
// an integer digit or a sign.
template <int WIDTH, int DECIMALS>
inline constexpr bool WORD_WRITER =
    DECIMALS >= 1 && DECIMALS <= 3 && WIDTH >= DECIMALS + 2 && WIDTH <= 8 && WORDS_IN_MEMORY_ORDER;

// Fw.d that get_fixed_word reads: F8.3.
template <int WIDTH, int DECIMALS>
inline constexpr bool WORD_READER = WIDTH == 8 && DECIMALS == 3 && WORDS_IN_MEMORY_ORDER;

namespace word {

// The magnitude of a normal float, given by its bits, times 10^decimals,
// rounded half up: floor(m / 2^s * 10^d + 1/2). For the bounds below.
constexpr std::uint64_t rounded_units(std::uint32_t magnitude_bits, int decimals) {
  const int s = 150 - static_cast<int>(magnitude_bits >> 23);
  const std::uint64_t scaled = ((magnitude_bits & 0x7FFFFFu) | 0x800000u) * POWERS_OF_TEN[decimals];
  if (s <= 0) return scaled;  // 2^23 and more: beyond every bound asked for
  if (s > 63) return 0;
  return (scaled + (std::uint64_t{1} << (s - 1))) >> s;
}

// The bits of the smallest normal magnitude whose rounded units reach `units`
// (below 10^7, which 2^23 passes for every decimals from 1).
constexpr std::uint32_t first_reaching(std::uint64_t units, int decimals) {
  std::uint32_t low = 0x00800000u;   // smallest normal: 0 units
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
    if (first - (negative ? 1 : 0) < 8 - WIDTH) return {0, 0x2A2A2A2A2A2A2A2Aull};
    std::uint64_t add = 0;
    for (int i = 0; i < 8; ++i) {
      unsigned c = i < first ? 0x20u : 0x30u;
      if (i == first - 1 && negative) c = '-';
      if (i == POINT) c = '.';
      add |= byte_at(i, c);
    }
    return {~std::uint64_t{0}, add};
  }

  // [2 * trailing zero bits + negative], the two parts apart so that one
  // scaled index reaches both.
  struct Table {
    std::uint64_t keep[128];
    std::uint64_t add[128];
  };

  static constexpr Table table() {
    Table t{};
    for (int i = 0; i < 128; ++i) {
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
  static_assert(150 - static_cast<int>(ZERO_BITS >> 23) < 47);
  static_assert(150 - static_cast<int>(TOP_BITS >> 23) >= 1);
  static_assert(4 <= 7 - DECIMALS);
};

// The reader's table, by the highest set bit of the non-digit flags (0 when
// there are none). A flag among the point and the decimals (bit 32 and up)
// rejects the field: no prefix matches. Otherwise the columns up to the last
// non-digit of columns 0-3 (the prefix) must be blanks, the last of them may
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
    t.blanks[top] = 0x20202020u & t.prefix[top];
    t.minus[top] = t.blanks[top];
    t.plus[top] = t.blanks[top];
    if (length > 0) {
      t.minus[top] ^= static_cast<std::uint32_t>(0x20u ^ '-') << (8 * (length - 1));
      t.plus[top] ^= static_cast<std::uint32_t>(0x20u ^ '+') << (8 * (length - 1));
    }
  }
  return t;
}

inline constexpr ReaderTable READER = reader_table();

}  // namespace word

// Fw.d for 1 to 3 decimals, at most 8 wide, as one word: the magnitude
// rounded to units (exactly, in double), split into whole part and decimals,
// both made into digit bytes in parallel lanes (two multiply-shift steps,
// dividing each lane by 100, then 10), blanks, sign and point from a table.
//   12.3456f in F8.3 -> units 12346 -> digits 00 00 01 02 | 00 03 04 06
//                    -> "  12.346"
// Returns false, writing nothing, for magnitudes that round to 10^4 or more,
// infinities and NaNs; declines everything on a big-endian machine.
template <int WIDTH, int DECIMALS>
[[gnu::always_inline]] inline bool put_fixed_word(float value, char* out) {
  if constexpr (!WORD_WRITER<WIDTH, DECIMALS>) {
    return false;
  } else {
    using W = word::Writer<WIDTH, DECIMALS>;
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const std::uint32_t magnitude = bits & 0x7FFFFFFFu;
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
      // Two 32-bit lanes below 10^4, then four 16-bit lanes below 100, then
      // eight bytes below 10: q = v / 100 per lane, v becomes q | (v - 100q) << 16.
      std::uint64_t x = whole | std::uint64_t{fraction} << 32;
      const std::uint64_t hundreds = (x * 10486u >> 20) & 0x0000007F0000007Full;
      x = (x << 16) - hundreds * ((100u << 16) - 1u);
      const std::uint64_t tens = (x * 103u >> 10) & 0x000F000F000F000Full;
      x = (x << 8) - tens * ((10u << 8) - 1u);
      if constexpr (DECIMALS < 3) {
        x = (x & 0xFFFFFFFFull) << (8 * (3 - DECIMALS)) | (x & 0xFFFFFFFF00000000ull);
      }
      // x is not 0 (the units are at least 1), which the builtin may assume.
      const unsigned index = 2 * static_cast<unsigned>(__builtin_ctzll(x)) + (bits >> 31);
      text = (x & W::TABLE.keep[index]) + W::TABLE.add[index];
    } else if (magnitude >= W::TOP_BITS) {
      return false;
    }
    const std::uint64_t shown = text >> (8 * (8 - WIDTH));
    std::memcpy(out, &shown, WIDTH);
    return true;
  }
}

// F8.3 input as one word: exactly the fields get_fixed_columns<8, 3> takes
// (point in column 4, three digits after it, before it blanks, an optional
// sign and digits), with the same value; false, `pos` untouched, otherwise
// and on a big-endian machine.
//   "  27.340": t = w ^ "000.0000" has the digits as 0-9 and the point as 0;
//   a byte whose high nibble shows after adding 6 (15 for the point) is no
//   digit; the highest such byte picks the table entry.
template <int WIDTH, int DECIMALS>
[[gnu::always_inline]] inline bool get_fixed_word(const char* line, int line_length, int& pos,
                                                  float& value) {
  if constexpr (!WORD_READER<WIDTH, DECIMALS>) {
    return false;
  } else {
    if (line_length - pos < 8) return false;
    std::uint64_t w;
    std::memcpy(&w, line + pos, sizeof w);
    const std::uint64_t t = w ^ 0x3030302E30303030ull;
    // A carry out of a byte (only from 0xF1 and up, itself flagged)
    // can only flag the next byte too, never hide one.
    const std::uint64_t odd = ((t + 0x0606060F06060606ull) | t) & 0xF0F0F0F0F0F0F0F0ull;
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
    // The 8 digit bytes (the prefix and the point as 0) to one number, two
    // then four digits per lane; the last step joins the lanes as
    // integer * 1000 + decimals.
    std::uint64_t digits = t & r.digits[top];
    digits = (digits * (1u + (10u << 8)) >> 8) & 0x00FF00FF00FF00FFull;
    digits = (digits * (1u + (100u << 16)) >> 16) & 0x0000FFFF0000FFFFull;
    digits = digits * (1u + (std::uint64_t{1000} << 32)) >> 32;
    // Both operands exact: one correctly rounded division.
    const float magnitude = static_cast<float>(
        static_cast<double>(static_cast<std::int64_t>(digits)) / EXACT_POWERS[DECIMALS]);
    value = negative ? -magnitude : magnitude;
    pos += 8;
    return true;
  }
}

}  // namespace formatted_io::detail
