// The portable 128-bit integer, built where TORVEX_NO_INT128 asks for it,
// against the compiler's own on edge and random operands.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "formatted_io/decimal_digits.hpp"

#if defined(TORVEX_NO_INT128) && defined(__SIZEOF_INT128__)
namespace {

using formatted_io::Uint128;
__extension__ typedef unsigned __int128 Native;

Uint128 make(std::uint64_t high, std::uint64_t low) { return (Uint128(high) << 64) + low; }

Native native(const Uint128& v) {
  return Native{static_cast<std::uint64_t>(v >> 64)} << 64 | static_cast<std::uint64_t>(v);
}

TEST(PortableUint128, MatchesTheCompilersInteger) {
  std::vector<std::uint64_t> halves = {
      0,     1,         9,         10, 0xFFFFFFFFull, 0x100000000ull, 10000000000000000000ull,
      ~0ull, ~0ull - 1, 1ull << 63};
  std::mt19937_64 random(18);
  for (int i = 0; i < 40; ++i) halves.push_back(random() >> (random() % 64));
  for (const std::uint64_t high : halves) {
    for (const std::uint64_t low : halves) {
      const Uint128 a = make(high, low);
      const Native n = Native{high} << 64 | low;
      ASSERT_EQ(native(a), n);
      for (const int s : {0, 1, 31, 63, 64, 65, 127}) {
        EXPECT_EQ(native(a << s), n << s) << s;
        EXPECT_EQ(native(a >> s), n >> s) << s;
      }
      for (const std::uint64_t b : halves) {
        EXPECT_EQ(native(a * b), n * b);
        EXPECT_EQ(native(a + b), n + b);
        EXPECT_EQ(a < Uint128(b), n < b);
        EXPECT_EQ(a == Uint128(b), n == b);
        if (b != 0) {
          EXPECT_EQ(native(a / b), n / b);
          EXPECT_EQ(native(a % b), n % b);
        }
      }
    }
  }
}

}  // namespace
#endif
