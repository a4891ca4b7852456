// Decimal digits. The expansion is generated exactly from the float's bits
// with integer arithmetic (a float is m * 2^q with m < 2^24, so its fraction
// fits in three 64-bit limbs and its integer part in 128 bits): no printf, no
// allocation, the same digits on every machine.
#include "formatted_io/decimal_digits.hpp"

namespace formatted_io {

namespace {

// Decimal digits of a 128-bit integer, most significant first; returns count.
int integer_digits(Uint128 value, char* out) {
  char reversed[40];
  int n = 0;
  while (value > UINT64_MAX) {
    constexpr std::uint64_t CHUNK = 10000000000000000000ull;  // 10^19
    std::uint64_t low = static_cast<std::uint64_t>(value % CHUNK);
    value /= CHUNK;
    for (int i = 0; i < 19; ++i) {
      reversed[n++] = static_cast<char>(low % 10);
      low /= 10;
    }
  }
  std::uint64_t rest = static_cast<std::uint64_t>(value);
  while (rest != 0) {
    reversed[n++] = static_cast<char>(rest % 10);
    rest /= 10;
  }
  for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
  return n;
}

}  // namespace

void round_digits(DigitString& ds, int wanted) {
  if (wanted >= ds.count) return;
  if (wanted <= 0) {
    if (ds.digits[0] >= 5) {
      ds.digits[0] = 1;
      ds.count = 1;
      ds.exponent += 1;
    } else {
      ds.count = 0;
    }
    return;
  }
  const bool up = ds.digits[wanted] >= 5;
  ds.count = wanted;
  if (!up) return;
  for (int i = wanted - 1; i >= 0; --i) {
    if (ds.digits[i] < 9) {
      ++ds.digits[i];
      return;
    }
    ds.digits[i] = 0;
  }
  // All nines: 1 followed by zeros, one place up. The zeros are dropped,
  // which changes no value: digits past `count` read as 0.
  ds.digits[0] = 1;
  ds.count = 1;
  ds.exponent += 1;
}

DigitString digit_string(float value) {
  DigitString ds{};
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t biased = (bits >> STORED_BIT_COUNT) & 0xFFu;
  std::uint32_t m = bits & STORED_BITS;
  int q = -149;
  if (biased != 0) {
    m |= HIDDEN_BIT;
    q = static_cast<int>(biased) - FLOAT_SHIFT_BIAS;
  }
  if (m == 0) {  // zero, either sign
    ds.count = 1;
    return ds;
  }
  ds.negative = (bits >> 31) != 0;
  while ((m & 1u) == 0) {
    m >>= 1;
    ++q;
  }

  // value = integer part + fraction; the fraction is a 192-bit binary
  // fraction in limbs[2] (most significant) .. limbs[0].
  Uint128 integer = 0;
  std::uint64_t limbs[3] = {0, 0, 0};
  int low_limb = 3;  // first limb that can be nonzero
  if (q >= 0) {
    integer = static_cast<Uint128>(m) << q;
  } else {
    const int s = -q;  // 1..149 fraction bits
    std::uint64_t remainder = m;
    if (s <= STORED_BIT_COUNT) {
      integer = m >> s;
      remainder = m & ((1u << s) - 1u);
    }
    if (remainder != 0) {
      const int shift = 192 - s;
      const int limb = shift / 64;
      const int offset = shift % 64;
      limbs[limb] |= remainder << offset;
      if (offset > 40 && limb < 2) limbs[limb + 1] |= remainder >> (64 - offset);
      low_limb = limb;
    }
  }

  // The first 18 digits; the 18th decides the rounding to 17.
  int n = 0;
  if (integer != 0) {
    char whole[40];
    const int length = integer_digits(integer, whole);
    ds.exponent = length;
    for (int i = 0; i < length && n <= EXPANSION_DIGITS; ++i) ds.digits[n++] = whole[i];
  }
  // Fraction digits: multiply by ten, the carry out is the next digit.
  while (n <= EXPANSION_DIGITS && low_limb < 3) {
    std::uint64_t carry = 0;
    for (int i = low_limb; i < 3; ++i) {
      const Uint128 product = static_cast<Uint128>(limbs[i]) * 10u + carry;
      limbs[i] = static_cast<std::uint64_t>(product);
      carry = static_cast<std::uint64_t>(product >> 64);
    }
    while (low_limb < 3 && limbs[low_limb] == 0) ++low_limb;
    if (n == 0 && carry == 0) {
      --ds.exponent;  // leading zero after the point
      continue;
    }
    ds.digits[n++] = static_cast<char>(carry);
  }
  ds.count = n;
  round_digits(ds, EXPANSION_DIGITS);
  while (ds.count > 1 && ds.digits[ds.count - 1] == 0) --ds.count;
  return ds;
}

}  // namespace formatted_io
