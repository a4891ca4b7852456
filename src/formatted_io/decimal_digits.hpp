// Decimal digits of a single-precision value, before any layout. Two routes
// give the same digits: the exact expansion of the stored binary value,
// which always works, and a direct integer route for a fixed number of
// decimals, which declines the few values it cannot decide.
//
// Both roundings act on the stored binary value, never on a shorter decimal
// form of it: the expansion keeps 17 significant digits (half up on the
// 18th), and a field then rounds those half up to what it shows. That is why
// 2.0005f (stored just below) gives 2.000 to three decimals while 0.125f
// gives .13 to two.
#pragma once

#include <compare>
#include <cstdint>
#include <cstring>

namespace formatted_io {

// The most significant digits ever shown of a single-precision value.
constexpr int SINGLE_DIGITS = 7;
// Digits kept of the exact expansion before a field rounds it.
constexpr int EXPANSION_DIGITS = 17;

// A single-precision value's bits: sign, 8 exponent bits, 23 stored bits of
// the significand, whose leading 1 (HIDDEN_BIT) is not stored. A normal
// magnitude is m / 2^(FLOAT_SHIFT_BIAS - biased exponent), m the 24-bit
// significand: the exponent bias 127 plus the 23 stored bits.
constexpr int STORED_BIT_COUNT = 23;
constexpr std::uint32_t STORED_BITS = (std::uint32_t{1} << STORED_BIT_COUNT) - 1;
constexpr std::uint32_t HIDDEN_BIT = std::uint32_t{1} << STORED_BIT_COUNT;
constexpr int FLOAT_SHIFT_BIAS = 127 + STORED_BIT_COUNT;

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

// Rounds half up to `wanted` digits, carrying through nines; a carry out of
// the first digit leaves 1 one place up. Zero digits wanted leaves that 1
// when the first digit is 5 or more, else no digits.
//   (9 9 9 6, e 1) to 3 -> (1, e 2)      (1 2 5, e 0) to 2 -> (1 3, e 0)
void round_digits(DigitString& ds, int wanted);

// 10^0 .. 10^19, every power of ten a 64-bit integer holds.
inline constexpr std::uint64_t POWERS_OF_TEN[20] = {1ull,
                                                    10ull,
                                                    100ull,
                                                    1000ull,
                                                    10000ull,
                                                    100000ull,
                                                    1000000ull,
                                                    10000000ull,
                                                    100000000ull,
                                                    1000000000ull,
                                                    10000000000ull,
                                                    100000000000ull,
                                                    1000000000000ull,
                                                    10000000000000ull,
                                                    100000000000000ull,
                                                    1000000000000000ull,
                                                    10000000000000000ull,
                                                    100000000000000000ull,
                                                    1000000000000000000ull,
                                                    10000000000000000000ull};

#if defined(__SIZEOF_INT128__) && !defined(TORVEX_NO_INT128)
// A GNU extension, on every compiler and 64-bit machine the build supports.
__extension__ typedef unsigned __int128 Uint128;
#else
// Where the compiler has no 128-bit integer (or TORVEX_NO_INT128 asks for
// this one, so that a build keeps it tested): the few operations the digit
// routes use, on two 64-bit halves.
class Uint128 {
 public:
  constexpr Uint128(std::uint64_t low = 0) : high_(0), low_(low) {}
  constexpr explicit operator std::uint64_t() const { return low_; }

  friend constexpr bool operator==(const Uint128&, const Uint128&) = default;
  friend constexpr auto operator<=>(const Uint128& a, const Uint128& b) {
    return a.high_ != b.high_ ? a.high_ <=> b.high_ : a.low_ <=> b.low_;
  }
  friend constexpr Uint128 operator<<(const Uint128& a, int s) {
    if (s == 0) return a;
    if (s >= 64) return {a.low_ << (s - 64), 0};
    return {a.high_ << s | a.low_ >> (64 - s), a.low_ << s};
  }
  friend constexpr Uint128 operator>>(const Uint128& a, int s) {
    if (s == 0) return a;
    if (s >= 64) return {0, a.high_ >> (s - 64)};
    return {a.high_ >> s, a.low_ >> s | a.high_ << (64 - s)};
  }
  friend constexpr Uint128 operator+(const Uint128& a, const Uint128& b) {
    const std::uint64_t low = a.low_ + b.low_;
    return {a.high_ + b.high_ + (low < a.low_ ? 1 : 0), low};
  }
  // The low 128 bits of the product.
  friend constexpr Uint128 operator*(const Uint128& a, std::uint64_t b) {
    Uint128 product = multiply(a.low_, b);
    product.high_ += a.high_ * b;
    return product;
  }
  // Bit by bit: only integer parts of 2^64 and more come here.
  friend constexpr Uint128 operator/(const Uint128& a, std::uint64_t divisor) {
    std::uint64_t remainder = 0;
    return divide(a, divisor, remainder);
  }
  friend constexpr Uint128 operator%(const Uint128& a, std::uint64_t divisor) {
    std::uint64_t remainder = 0;
    divide(a, divisor, remainder);
    return remainder;
  }
  constexpr Uint128& operator/=(std::uint64_t divisor) { return *this = *this / divisor; }

 private:
  constexpr Uint128(std::uint64_t high, std::uint64_t low) : high_(high), low_(low) {}

  // The full product of two 64-bit numbers, from four 32-bit products.
  static constexpr Uint128 multiply(std::uint64_t a, std::uint64_t b) {
    constexpr std::uint64_t LOW_32 = 0xFFFFFFFFu;
    const std::uint64_t low_low = (a & LOW_32) * (b & LOW_32);
    const std::uint64_t low_high = (a & LOW_32) * (b >> 32);
    const std::uint64_t high_low = (a >> 32) * (b & LOW_32);
    const std::uint64_t high_high = (a >> 32) * (b >> 32);
    const std::uint64_t middle = (low_low >> 32) + (low_high & LOW_32) + (high_low & LOW_32);
    return {high_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32),
            middle << 32 | (low_low & LOW_32)};
  }

  static constexpr Uint128 divide(const Uint128& a, std::uint64_t divisor,
                                  std::uint64_t& remainder) {
    Uint128 quotient;
    remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
      // A remainder shifted past 64 bits is above the divisor; the
      // subtraction below wraps back to the true, smaller remainder.
      const bool carried = (remainder >> 63) != 0;
      remainder = remainder << 1 | (static_cast<std::uint64_t>(a >> bit) & 1u);
      if (carried || remainder >= divisor) {
        remainder -= divisor;
        quotient = quotient + (Uint128(1) << bit);
      }
    }
    return quotient;
  }

  std::uint64_t high_;
  std::uint64_t low_;
};
#endif

// The smallest shift s with 2^s >= 2 * 10^n, for n = 0 .. 19. Below it, the
// undecided test of fixed_units (gap * 10^n <= 2^s, the gap at least 2) is
// false for every value: ordinary magnitudes skip it.
inline constexpr int UNDECIDED_SHIFT[20] = {1,  5,  8,  11, 15, 18, 21, 25, 28, 31,
                                            35, 38, 41, 45, 48, 51, 55, 58, 61, 65};

constexpr bool undecided_shifts_hold() {
  for (int n = 0; n < 20; ++n) {
    const int s = UNDECIDED_SHIFT[n];
    const Uint128 twice = static_cast<Uint128>(POWERS_OF_TEN[n]) * 2u;
    if ((static_cast<Uint128>(1) << s) < twice || (static_cast<Uint128>(1) << (s - 1)) >= twice) {
      return false;
    }
  }
  return true;
}
static_assert(undecided_shifts_hold());

// The direct route for Fw.d: the magnitude rounded to `kept` decimals as an
// integer, kept = min(decimals, 7 - integer digits); places from `kept` to
// `decimals` show 0. Rounding m / 2^s times 10^kept half up gives the
// expansion's digits rounded again, except when it lies just below a half:
// the expansion can round that up to the half. Declines (returns false)
// those values, zero, subnormals, magnitudes of 2^23 or more or below 2^-40,
// more than 7 decimals and 8 or more integer digits.
//   12.3456f, 3 decimals -> units 12346, kept 3
//   0.5f, 3 decimals     -> units 500, kept 3
//   0.0004f, 3 decimals  -> units 0, kept 3
[[gnu::always_inline]] inline bool fixed_units(float value, int decimals, std::uint64_t& units,
                                               int& kept) {
  if (decimals > SINGLE_DIGITS) return false;  // below 1, all d kept only while d <= 7
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t biased = (bits >> STORED_BIT_COUNT) & 0xFFu;
  const std::uint64_t m = (bits & STORED_BITS) | HIDDEN_BIT;
  const int s = FLOAT_SHIFT_BIAS - static_cast<int>(biased);  // magnitude = m / 2^s
  if (biased == 0 || s <= 0 || s > 63) return false;
  // A shift past the significand's 24 bits leaves no integer part.
  const std::uint64_t integer = s <= STORED_BIT_COUNT ? m >> s : 0;
  // Integer digits e, needed only when they leave fewer than `decimals`
  // places of the seven; otherwise 0 stands for them in the test below,
  // which only widens it.
  int e = 0;
  int k = decimals;
  if (integer >= POWERS_OF_TEN[SINGLE_DIGITS - decimals]) {
    while (e < 8 && integer >= POWERS_OF_TEN[e]) ++e;
    k = SINGLE_DIGITS - e;
    if (k < 0) return false;
  }
  const std::uint64_t scaled = m * POWERS_OF_TEN[k];  // < 2^24 * 10^7
  std::uint64_t rounded = scaled >> s;
  const std::uint64_t remainder = scaled & ((std::uint64_t{1} << s) - 1);
  const std::uint64_t half = std::uint64_t{1} << (s - 1);
  if (remainder >= half) {
    ++rounded;
  } else if (s >= UNDECIDED_SHIFT[EXPANSION_DIGITS - e - k]) {
    // Within half a unit of the 17th digit below the half: undecided here.
    const Uint128 gap = static_cast<Uint128>(half - remainder) * 2u;
    if (gap * POWERS_OF_TEN[EXPANSION_DIGITS - e - k] <= (static_cast<Uint128>(1) << s)) {
      return false;
    }
  }
  units = rounded;
  kept = k;
  return true;
}

}  // namespace formatted_io
