// Real number fields: Fw.d and Ew.d output, Fw.d input.
//
// The hand-written tables hold one row per rounding rule and boundary; every
// expected field was worked out from the exact binary value of the float, not
// from its decimal literal. The cross-checks then compare the program with
// models built here from first principles: the exact decimal expansion of a
// float is computed with base-10^9 big integers (m * 2^q is m * 5^-q / 10^-q),
// and the field layout with plain integer arithmetic, so a shared mistake in
// digit generation or placement cannot cancel out. Input is checked against
// strtod followed by a cast to float, the same two roundings the field makes.
#include "formatted_io/real_fields.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace formatted_io {
namespace {

float from_bits(std::uint32_t bits) { return std::bit_cast<float>(bits); }
std::uint32_t to_bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// The float in decimal, in hexadecimal (exact) and as bits, for failure messages.
std::string describe(float value) {
  char text[160];
  std::snprintf(text, sizeof text, "%.9g (%a, bits %08x)", static_cast<double>(value),
                static_cast<double>(value), static_cast<unsigned>(to_bits(value)));
  return text;
}

struct OutRow {
  float value;
  int width;
  int decimals;
  const char* field;
};

void check_fixed(const std::vector<OutRow>& rows) {
  for (const OutRow& row : rows) {
    EXPECT_EQ(put_fixed(row.value, row.width, row.decimals), row.field)
        << "F" << row.width << "." << row.decimals << " of " << describe(row.value);
  }
}

void check_exponent(const std::vector<OutRow>& rows) {
  for (const OutRow& row : rows) {
    EXPECT_EQ(put_exponent(row.value, row.width, row.decimals), row.field)
        << "E" << row.width << "." << row.decimals << " of " << describe(row.value);
  }
}

// ---------------------------------------------------------------------------
// Fw.d output

TEST(PutFixed, WorkedExamples) {
  // clang-format off
  check_fixed({
      {     12.3456f,  8, 3, "  12.346"},
      {         0.5f,  6, 3, "  .500"},
      {        -0.5f,  8, 3, "   -.500"},
      {   1234.5678f,  8, 3, "1234.568"},
      {  0.70710678f, 12, 6, "     .707107"},
      { -0.70710678f, 12, 6, "    -.707107"},
      {   1234.5678f, 12, 4, "   1234.5680"},
      {        37.0f, 12, 4, "     37.0000"},
      {    0.123456f,  6, 3, "  .123"},
      {        -0.5f, 11, 5, "    -.50000"},
  });
  // clang-format on
}

TEST(PutFixed, NoZeroBeforePoint) {
  // clang-format off
  check_fixed({
      {        0.5f,  8, 3, "    .500"},
      {       -0.5f,  8, 3, "   -.500"},
      {        0.5f,  6, 3, "  .500"},
      {      0.999f,  4, 3, ".999"},      // fits only because no zero is written
      {     -0.999f,  5, 3, "-.999"},
      {   0.000999f,  8, 6, " .000999"},  // stored .000999000039...
      {       0.05f, 10, 5, "    .05000"},
  });
  // clang-format on
}

TEST(PutFixed, RoundsToZeroWithoutSign) {
  // clang-format off
  check_fixed({
      {        0.0f,  8, 3, "    .000"},
      {       -0.0f,  8, 3, "    .000"},  // negative zero is zero
      {    -0.0004f,  8, 3, "    .000"},  // N = 0, first digit 3 (stored .000399999...)
      {   -0.00004f,  8, 3, "    .000"},  // below a tenth of the last place
      {    0.00004f,  8, 3, "    .000"},
      {    -0.0005f,  8, 3, "   -.001"},  // stored .000500000023...: rounds away
      {     0.0005f,  8, 3, "    .001"},
      {     0.0006f,  8, 3, "    .001"},
      {   -0.00049f, 12, 6, "    -.000490"},
      {  -0.000004f, 11, 5, "     .00000"},
      {   -1.0e-30f,  6, 3, "  .000"},
      {   1.0e-45f,  8, 3, "    .000"},  // smallest subnormal
      {  -1.0e-40f,  8, 3, "    .000"},  // subnormal, first digit 9
      {  -6.0e-11f, 12, 8, "   .00000000"},
  });
  // clang-format on
}

TEST(PutFixed, SinglePrecisionRoundingDecides) {
  // clang-format off
  check_fixed({
      {  2.0005f, 8, 3, "   2.000"},   // stored 2.000499963...
      {   0.125f, 5, 2, "  .13"},      // exact: half rounds away from zero
      {  -0.125f, 5, 2, " -.13"},
      {   0.375f, 6, 2, "   .38"},
      {   0.015f, 5, 2, "  .01"},      // stored 0.014999999664...
      {  2.5625f, 8, 3, "   2.563"},   // exact half at the fourth decimal
      { -2.5625f, 8, 3, "  -2.563"},
      {  9.9996f, 8, 3, "  10.000"},   // stored 9.999600410...
      { 99.9994f, 6, 3, "99.999"},     // stored 99.99939727...
  });
  // clang-format on
}

TEST(PutFixed, CarryIntoNewDigit) {
  // clang-format off
  check_fixed({
      {    9.9996f, 8, 3, "  10.000"},
      {   99.9996f, 8, 3, " 100.000"},
      {  999.9996f, 8, 3, "1000.000"},  // stored 999.99957275...: 6 digits round up
      {    0.9996f, 8, 3, "   1.000"},
      {   -0.9996f, 8, 3, "  -1.000"},
      {  0.099996f, 8, 4, "   .1000"},
      {    0.0095f, 8, 2, "     .01"},  // stored .0094999997...: N = 0, first digit 9 rounds up
      { from_bits(0x3F7FFFFFu), 12, 6, "    1.000000"},  // .99999994: the 7th digit carries
      { from_bits(0x411FFFFFu), 12, 6, "    9.999999"},  // 9.99999905: 7 digits, no carry
      { from_bits(0x411FFFFFu), 12, 5, "    10.00000"},
  });
  // clang-format on
}

TEST(PutFixed, OverflowAsterisks) {
  // clang-format off
  check_fixed({
      { -1234.5678f, 8, 3, "********"},
      {   123.456f,  6, 3, "******"},
      {   99.9996f,  6, 3, "******"},    // fits before rounding, carry makes 7 characters
      {    -99.99f,  6, 3, "******"},
      {     99.99f,  6, 3, "99.990"},
      {  12345.67f,  8, 3, "********"},
      {  -9999.99f,  8, 3, "********"},
      {  -9999.99f,  9, 3, "-9999.990"},
      {    1.0e20f,  8, 3, "********"},
      {      0.5f,   3, 3, "***"},       // ".500" needs 4
  });
  // clang-format on
}

TEST(PutFixed, EighthDigitWrittenAsZero) {
  // clang-format off
  check_fixed({
      {    12.345678f, 12, 6, "   12.345680"},   // stored 12.3456783...
      {    1234.5678f, 12, 6, " 1234.568000"},
      {    12345.678f, 11, 5, "12345.68000"},    // stored 12345.677734375
      {  123456789.0f, 15, 3, "  123456800.000"}, // stored 123456792
      {       1.0e20f, 26, 1, "   100000000000000000000.0"},
      {  0.333333333f, 12, 10, " .3333333000"},   // stored .33333334326...
      {       -1.0f/3, 13, 10, " -.3333333000"},
      {   12345675.0f, 12, 1, "  12345680.0"},     // exact half at the 8th digit
      {  -12345665.0f, 12, 1, " -12345670.0"},
      {   12345674.0f, 12, 1, "  12345670.0"},
      { from_bits(0x3F7FFFFFu), 12, 8, "   .99999990"},  // .999999940...
      {  0.0123456789f, 12, 8, "   .01234568"},  // 7 digits, all 8 places after the point
      {  0.0123456789f, 14, 10, "   .0123456800"},
  });
  // clang-format on
}

TEST(PutFixed, NoDecimals) {
  // clang-format off
  check_fixed({
      {     0.2f, 5, 0, "   0."},   // the one case with a zero before the point
      {     0.0f, 5, 0, "   0."},
      {    -0.4f, 5, 0, "   0."},   // rounds to zero: no sign
      {    0.04f, 5, 0, "   0."},   // below a tenth of the last place
      {     0.5f, 5, 0, "   1."},   // N = 0 and first digit 5: one unit up
      {    -0.5f, 5, 0, "  -1."},
      {    0.49f, 5, 0, "   0."},
      {     2.5f, 5, 0, "   3."},
      {    -2.5f, 5, 0, "  -3."},
      {  1234.4f, 5, 0, "1234."},
      {  9999.5f, 5, 0, "*****"},   // carries to 10000.
      {   12345.f, 5, 0, "*****"},
      {     7.0f, 2, 0, "7."},
  });
  // clang-format on
}

// Infinity minus infinity, evaluated at run time.
float invalid_operation() {
  volatile float inf = std::numeric_limits<float>::infinity();
  return inf - inf;
}

TEST(PutFixed, NonFinite) {
  const float inf = std::numeric_limits<float>::infinity();
  const float indefinite = invalid_operation();
  // clang-format off
  check_fixed({
      {                inf,  8, 3, "1#INF..."},
      {               -inf,  8, 3, "1#INF..."},   // no sign
      {                inf,  3, 1, "1#I"},         // cut to the width
      {                inf,  5, 0, "1#INF"},
      { from_bits(0x7FC00001u), 12, 6, "1#QNAN......"},  // quiet, with a payload
      { from_bits(0xFFC12345u),  8, 3, "1#QNAN.."},
      { from_bits(0x7FA00000u),  8, 3, "1#SNAN.."},
      { from_bits(0x7F800001u),  8, 3, "1#SNAN.."},
      { from_bits(0xFFC00000u),  8, 3, "1#IND..."},      // quiet, no payload: either sign
      { from_bits(0x7FC00000u),  8, 3, "1#IND..."},
      {                   indefinite, 6, 3, "1#IND."},  // what an invalid operation gives
  });
  // clang-format on
}

// ---------------------------------------------------------------------------
// Ew.d output

TEST(PutExponent, WorkedExamples) {
  // clang-format off
  check_exponent({
      {        1.0f, 13, 5, "   .10000E+01"},
      {       -1.0f, 13, 5, "  -.10000E+01"},
      {   0.001234f, 13, 5, "   .12340E-02"},  // stored .00123399996...
      {     1.2345f, 12, 5, "  .12345E+01"},
      { -123456.7f,  12, 5, " -.12346E+06"},
      {     3.0e-7f, 12, 5, "  .30000E-06"},
  });
  // clang-format on
}

TEST(PutExponent, Zero) {
  // clang-format off
  check_exponent({
      {  0.0f, 13, 5, "   .00000E+00"},
      { -0.0f, 13, 5, "   .00000E+00"},
      {  0.0f, 12, 5, "  .00000E+00"},
      {  0.0f,  9, 2, "  .00E+00"},
  });
  // clang-format on
}

TEST(PutExponent, RoundingAndCarry) {
  // clang-format off
  check_exponent({
      {  0.999996f, 12, 5, "  .10000E+01"},   // carry raises the exponent
      { -0.999996f, 12, 5, " -.10000E+01"},
      {  0.999994f, 12, 5, "  .99999E+00"},
      {   9.99996f, 12, 5, "  .10000E+02"},   // stored 9.99995994...: still carries
      {   99999.5f, 12, 5, "  .10000E+06"},   // exact half
      {   99998.5f, 12, 5, "  .99999E+05"},   // exact half, no carry: .99998|5 -> .99999
      {    0.125f,   9, 2, "  .13E+00"},      // exact half rounds away from zero
      {   -0.125f,   9, 2, " -.13E+00"},
      {    2.0005f, 12, 4, "   .2000E+01"},   // stored below the half
      {  1.0e-10f,  12, 5, "  .10000E-09"},   // stored 1.00000001e-10
  });
  // clang-format on
}

TEST(PutExponent, EighthDigitWrittenAsZero) {
  // clang-format off
  check_exponent({
      { 0.333333333f, 15, 9, " .333333300E+00"},
      { 123456789.0f, 15, 9, " .123456800E+09"},
      {        1.0f,  14, 8, " .10000000E+01"},
  });
  // clang-format on
}

TEST(PutExponent, ExtremeExponents) {
  // clang-format off
  check_exponent({
      {                     FLT_MAX, 12, 5, "  .34028E+39"},
      {                    -FLT_MAX, 12, 5, " -.34028E+39"},
      {                     FLT_MIN, 12, 5, "  .11755E-37"},
      { from_bits(0x00000001u),      12, 5, "  .14013E-44"},  // smallest subnormal
      {                     1.0e10f, 12, 5, "  .10000E+11"},
  });
  // clang-format on
}

TEST(PutExponent, OverflowAsterisks) {
  // clang-format off
  check_exponent({
      {  1.0f, 10, 5, ".10000E+01"},   // exactly fits
      { -1.0f, 10, 5, "**********"},
      { -1.0f, 11, 5, "-.10000E+01"},
      {  1.0f,  8, 5, "********"},
      {  0.0f,  9, 5, "*********"},
  });
  // clang-format on
}

TEST(PutExponent, NonFinite) {
  const float inf = std::numeric_limits<float>::infinity();
  const float indefinite = invalid_operation();
  // clang-format off
  check_exponent({
      {                    inf, 12, 5, "1#INF......."},
      {                   -inf, 13, 5, "1#INF........"},
      {                    inf,  4, 1, "1#IN"},
      { from_bits(0x7FC00001u), 12, 5, "1#QNAN......"},
      { from_bits(0xFF800001u), 12, 5, "1#SNAN......"},
      { from_bits(0xFFC00000u), 12, 5, "1#IND......."},
      { from_bits(0x7FC00000u), 12, 5, "1#IND......."},
      {               indefinite, 12, 5, "1#IND......."},
  });
  // clang-format on
}

TEST(PutFixed, WritesExactlyWidth) {
  // The record is assembled in place: a field must not touch its neighbours.
  char buffer[16];
  std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
  put_fixed(-0.5f, 8, 3, buffer + 2);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "##   -.500######");
  put_exponent(1.0f, 12, 5, buffer + 2);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "##  .10000E+01##");
  put_fixed(std::numeric_limits<float>::infinity(), 3, 1, buffer + 2);
  EXPECT_EQ(std::string(buffer, sizeof buffer), "##1#I10000E+01##");
}

// ---------------------------------------------------------------------------
// Independent model: exact expansion and field layout

// Unoptimised builds (the sanitizer runs) check a quarter of the samples.
#ifdef NDEBUG
constexpr int SAMPLE_SHARE = 1;
#else
constexpr int SAMPLE_SHARE = 4;
#endif

// Non-negative big integer in base 10^9, least significant limb first.
using Big = std::vector<std::uint32_t>;
constexpr std::uint32_t LIMB = 1000000000u;

Big times_small(const Big& a, std::uint64_t factor) {
  Big result;
  result.reserve(a.size() + 2);
  std::uint64_t carry = 0;
  for (std::uint32_t limb : a) {
    const std::uint64_t product = limb * factor + carry;
    result.push_back(static_cast<std::uint32_t>(product % LIMB));
    carry = product / LIMB;
  }
  while (carry != 0) {
    result.push_back(static_cast<std::uint32_t>(carry % LIMB));
    carry /= LIMB;
  }
  return result;
}

// 2^k for k = 0..104 and 5^k for k = 0..149: every float is m times one of them.
const std::vector<Big>& powers(int base) {
  static const std::vector<Big> twos = [] {
    std::vector<Big> p{Big{1}};
    for (int k = 1; k <= 104; ++k) p.push_back(times_small(p.back(), 2));
    return p;
  }();
  static const std::vector<Big> fives = [] {
    std::vector<Big> p{Big{1}};
    for (int k = 1; k <= 149; ++k) p.push_back(times_small(p.back(), 5));
    return p;
  }();
  return base == 2 ? twos : fives;
}

// A decimal digit string: 0.d1d2... times 10^exponent.
struct Decimal {
  char digits[128];  // numbers 0..9
  int count = 0;
  int exponent = 0;
  bool negative = false;
};

// Every digit of a finite float, nothing rounded.
Decimal exact_decimal(float value) {
  Decimal x;
  const std::uint32_t bits = to_bits(value);
  x.negative = (bits >> 31) != 0;
  const int biased = static_cast<int>((bits >> 23) & 0xFFu);
  std::uint64_t m = bits & 0x7FFFFFu;
  int q = -149;
  if (biased != 0) {
    m |= 0x800000u;
    q = biased - 150;
  }
  if (m == 0) {
    x.digits[0] = 0;
    x.count = 1;
    x.negative = false;
    return x;
  }
  // value = m * 2^q = (m * 2^q) * 10^0, or (m * 5^-q) * 10^q.
  const Big n = q >= 0 ? times_small(powers(2)[static_cast<std::size_t>(q)], m)
                       : times_small(powers(5)[static_cast<std::size_t>(-q)], m);
  char top[10];
  const int top_length = std::snprintf(top, sizeof top, "%u", static_cast<unsigned>(n.back()));
  for (int i = 0; i < top_length; ++i) x.digits[x.count++] = static_cast<char>(top[i] - '0');
  for (std::size_t i = n.size() - 1; i-- > 0;) {
    std::uint32_t limb = n[i];
    for (int j = 8; j >= 0; --j) {
      x.digits[x.count + j] = static_cast<char>(limb % 10);
      limb /= 10;
    }
    x.count += 9;
  }
  x.exponent = q >= 0 ? x.count : x.count + q;
  while (x.count > 1 && x.digits[x.count - 1] == 0) --x.count;
  return x;
}

// The 17-digit expansion: half up on the 18th digit, trailing zeros dropped.
Decimal expansion17(float value) {
  Decimal x = exact_decimal(value);
  if (x.count > 17) {
    const bool up = x.digits[17] >= 5;
    x.count = 17;
    for (int i = 16; up && i >= 0; --i) {
      if (x.digits[i] == 9) {
        x.digits[i] = 0;
        if (i == 0) {
          x.digits[0] = 1;
          ++x.exponent;
        }
      } else {
        ++x.digits[i];
        break;
      }
    }
    while (x.count > 1 && x.digits[x.count - 1] == 0) --x.count;
  }
  return x;
}

std::uint64_t power10(int n) {
  std::uint64_t p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// The 17 digits as one integer S: the magnitude is S * 10^(exponent - 17).
std::uint64_t as_integer17(const Decimal& x) {
  std::uint64_t s = 0;
  for (int i = 0; i < 17; ++i) {
    s = s * 10 + static_cast<std::uint64_t>(i < x.count ? x.digits[i] : 0);
  }
  return s;
}

bool is_zero(const Decimal& x) { return x.count == 1 && x.digits[0] == 0; }

// S rounded half up to `keep` leading digits (0..7), as an integer.
std::uint64_t round_to(std::uint64_t s, int keep) {
  const std::uint64_t unit = power10(17 - keep);
  return s / unit + (s % unit >= unit / 2 ? 1 : 0);
}

std::string justify(const std::string& text, int width) {
  if (static_cast<int>(text.size()) > width) {
    return std::string(static_cast<std::size_t>(width), '*');
  }
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// Fw.d as a count of units of the last place. Valid while the value has at
// most 12 integer digits, which the coordinate range keeps well inside.
std::string model_fixed(const Decimal& x, int width, int decimals) {
  std::uint64_t units = 0;
  if (!is_zero(x) && x.exponent >= -decimals) {
    const int needed = x.exponent + decimals;
    const int keep = needed < 7 ? needed : 7;
    units = round_to(as_integer17(x), keep) * power10(needed - keep);
  }
  const std::uint64_t scale = power10(decimals);
  const std::uint64_t whole = units / scale;
  std::string text;
  if (x.negative && units != 0) text += '-';
  if (whole != 0) text += std::to_string(whole);
  if (whole == 0 && decimals == 0) text += '0';
  text += '.';
  const std::string fraction = std::to_string(units % scale);
  if (decimals > 0) {
    text += std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
  }
  return justify(text, width);
}

std::string model_exponent(const Decimal& x, int width, int decimals) {
  std::string text;
  int exponent = 0;
  std::string digits(static_cast<std::size_t>(decimals), '0');
  if (!is_zero(x)) {
    const int keep = decimals < 7 ? decimals : 7;
    std::uint64_t r = round_to(as_integer17(x), keep);
    exponent = x.exponent;
    if (r == power10(keep)) {
      r /= 10;
      ++exponent;
    }
    const std::string kept = std::to_string(r);
    digits.replace(0, kept.size(), kept);
    if (x.negative) text += '-';
  }
  const int magnitude = exponent < 0 ? -exponent : exponent;
  text += '.' + digits + 'E' + (exponent < 0 ? '-' : '+') +
          static_cast<char>('0' + magnitude / 10) + static_cast<char>('0' + magnitude % 10);
  return justify(text, width);
}

// Compares digit_string with the model for every value; reports the first few.
int compare_digit_strings(const std::vector<float>& values) {
  int failures = 0;
  for (float value : values) {
    const Decimal want = expansion17(value);
    const DigitString got = digit_string(value);
    bool same =
        got.count == want.count && got.exponent == want.exponent && got.negative == want.negative;
    for (int i = 0; same && i < want.count; ++i) same = got.digits[i] == want.digits[i];
    if (same) continue;
    if (++failures <= 10) {
      std::string w, g;
      for (int i = 0; i < want.count; ++i) w += static_cast<char>('0' + want.digits[i]);
      for (int i = 0; i < got.count && i < EXPANSION_DIGITS; ++i) {
        g += static_cast<char>('0' + got.digits[i]);
      }
      ADD_FAILURE() << describe(value) << ": want " << (want.negative ? "-" : "") << "0." << w
                    << "e" << want.exponent << ", got " << (got.negative ? "-" : "") << "0." << g
                    << "e" << got.exponent;
    }
  }
  return failures;
}

bool is_finite_bits(std::uint32_t bits) { return ((bits >> 23) & 0xFFu) != 0xFFu; }

TEST(DigitString, Examples) {
  // clang-format off
  struct Row { float value; const char* digits; int exponent; bool negative; };
  const Row rows[] = {
      {    12.5f, "125",               2, false},
      {   0.125f, "125",               0, false},
      {     1.0f, "1",                 1, false},
      {     0.0f, "0",                 0, false},
      {    -0.0f, "0",                 0, false},
      {    -2.5f, "25",                1, true},
      {    0.1f,  "10000000149011612", 0, false},  // 0.100000001490116119384765625
      {  2.0005f, "2000499963760376",  1, false},  // ...603759|765 rounds up, zero dropped
      { 1.0e-45f, "14012984643248171", -44, false},
      {  FLT_MAX, "34028234663852886", 39, false},
      {  1.0e10f, "1",                11, false},
  };
  // clang-format on
  for (const Row& row : rows) {
    const DigitString ds = digit_string(row.value);
    std::string digits;
    for (int i = 0; i < ds.count && i < EXPANSION_DIGITS; ++i) {
      digits += static_cast<char>('0' + ds.digits[i]);
    }
    EXPECT_EQ(digits, row.digits) << describe(row.value);
    EXPECT_EQ(ds.exponent, row.exponent) << describe(row.value);
    EXPECT_EQ(ds.negative, row.negative) << describe(row.value);
  }
}

TEST(DigitString, ModelAgreesWithPrintf) {
  // The model below must itself be exact: glibc prints the exact expansion of
  // a double when asked for enough digits (121 cover every float).
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const std::uint32_t bits = static_cast<std::uint32_t>(random());
    if (!is_finite_bits(bits)) continue;
    const float value = from_bits(bits);
    char text[200];
    std::snprintf(text, sizeof text, "%.120e", std::fabs(static_cast<double>(value)));
    std::string digits = std::string(1, text[0]) + std::string(text + 2, 120);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int exponent = value == 0.0f ? 0 : std::atoi(std::strchr(text, 'e') + 1) + 1;
    const Decimal x = exact_decimal(value);
    std::string mine;
    for (int k = 0; k < x.count; ++k) mine += static_cast<char>('0' + x.digits[k]);
    ASSERT_EQ(mine, digits) << describe(value);
    ASSERT_EQ(x.exponent, exponent) << describe(value);
  }
}

TEST(DigitString, RandomBitPatterns) {
  std::mt19937 random(1);
  std::vector<float> values;
  values.reserve(2000000 / SAMPLE_SHARE);
  while (values.size() < 2000000u / SAMPLE_SHARE) {
    const std::uint32_t bits = static_cast<std::uint32_t>(random());
    if (is_finite_bits(bits)) values.push_back(from_bits(bits));
  }
  EXPECT_EQ(compare_digit_strings(values), 0);
}

TEST(DigitString, NearPowersOfTen) {
  std::vector<float> values;
  for (int p = -45; p <= 38; ++p) {
    char text[16];
    std::snprintf(text, sizeof text, "1e%d", p);
    const std::uint32_t centre = to_bits(std::strtof(text, nullptr));
    for (int step = -2000; step <= 2000; ++step) {
      const std::int64_t bits = static_cast<std::int64_t>(centre) + step;
      if (bits <= 0 || !is_finite_bits(static_cast<std::uint32_t>(bits))) continue;
      const float value = from_bits(static_cast<std::uint32_t>(bits));
      values.push_back(step % 2 == 0 ? value : -value);
    }
  }
  EXPECT_EQ(compare_digit_strings(values), 0);
}

TEST(DigitString, HalfWayAtTheEighteenthDigit) {
  // m * 2^-k with m odd ends in the digit 5 at the k-th decimal; when m * 5^k
  // has 18 digits that 5 is the 18th significant digit, an exact half.
  std::mt19937 random(3);
  std::vector<float> values;
  int exact_halves = 0;
  for (int k = 14; k <= 25; ++k) {
    const double five_k = std::pow(5.0, k);
    const double low = std::ceil(1e17 / five_k);
    const double high = std::min(std::floor(1e18 / five_k), 16777215.0);
    if (low > high) continue;
    std::uniform_int_distribution<std::uint32_t> pick(static_cast<std::uint32_t>(low),
                                                      static_cast<std::uint32_t>(high));
    for (int i = 0; i < 40000 / SAMPLE_SHARE; ++i) {
      const std::uint32_t m = pick(random) | 1u;
      const float value = std::ldexp(static_cast<float>(m), -k);
      if (exact_decimal(value).count == 18) ++exact_halves;
      values.push_back(i % 2 == 0 ? value : -value);
    }
  }
  EXPECT_GT(exact_halves, 300000 / SAMPLE_SHARE);  // the set does what it claims
  EXPECT_EQ(compare_digit_strings(values), 0);
}

// Floats of the coordinate range, and the floats around the half-way points
// of the program's formats, where a wrong rounding shows.
std::vector<float> coordinate_values() {
  std::mt19937 random(11);
  std::vector<float> values;
  std::uniform_real_distribution<double> uniform(-9999.0, 99999.0);
  for (int i = 0; i < 150000 / SAMPLE_SHARE; ++i)
    values.push_back(static_cast<float>(uniform(random)));
  std::uniform_real_distribution<double> log_magnitude(-8.0, 5.0);
  for (int i = 0; i < 150000 / SAMPLE_SHARE; ++i) {
    const float v = static_cast<float>(std::pow(10.0, log_magnitude(random)));
    values.push_back(i % 2 == 0 ? v : -v);
  }
  // (k + 1/2) units of the last place of F.3 to F.6 and of a 5-digit mantissa.
  for (int decimals = 3; decimals <= 6; ++decimals) {
    std::uniform_int_distribution<std::int64_t> k(
        0, static_cast<std::int64_t>(99999 * std::pow(10.0, decimals)));
    for (int i = 0; i < 20000 / SAMPLE_SHARE; ++i) {
      const double half = (static_cast<double>(k(random)) + 0.5) / std::pow(10.0, decimals);
      const std::uint32_t centre = to_bits(static_cast<float>(half));
      for (std::uint32_t bits = centre - 1; bits <= centre + 1; ++bits) {
        values.push_back(i % 2 == 0 ? from_bits(bits) : -from_bits(bits));
      }
    }
  }
  std::uniform_int_distribution<int> mantissa(10000, 99999);
  std::uniform_int_distribution<int> scale(-8, 5);
  for (int i = 0; i < 40000 / SAMPLE_SHARE; ++i) {
    const double half = (mantissa(random) + 0.5) * std::pow(10.0, scale(random) - 5);
    const std::uint32_t centre = to_bits(static_cast<float>(half));
    for (std::uint32_t bits = centre - 1; bits <= centre + 1; ++bits) {
      values.push_back(from_bits(bits));
    }
  }
  return values;
}

TEST(FieldModel, CoordinateRange) {
  struct Descriptor {
    bool exponent;
    int width;
    int decimals;
  };
  // clang-format off
  const Descriptor formats[] = {
      {false,  8, 3}, {false,  6, 3}, {false, 12, 4}, {false, 12, 6}, {false, 11, 5},
      {true,  12, 5}, {true,  13, 5},
  };
  // clang-format on
  int failures = 0;
  for (float value : coordinate_values()) {
    const Decimal x = expansion17(value);
    for (const Descriptor& f : formats) {
      const std::string want =
          f.exponent ? model_exponent(x, f.width, f.decimals) : model_fixed(x, f.width, f.decimals);
      const std::string got = f.exponent ? put_exponent(value, f.width, f.decimals)
                                         : put_fixed(value, f.width, f.decimals);
      if (got == want) continue;
      if (++failures <= 10) {
        ADD_FAILURE() << (f.exponent ? "E" : "F") << f.width << "." << f.decimals << " of "
                      << describe(value) << ": want \"" << want << "\", got \"" << got << "\"";
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

// ---------------------------------------------------------------------------
// Fw.d input

struct Read {
  FieldStatus status;
  float value;
  int pos;
};

Read read_field(std::string_view line, int width, int decimals, int start = 0) {
  Read r{FieldStatus::Ok, -999.0f, start};
  r.status = get_fixed(line.data(), static_cast<int>(line.size()), r.pos, width, decimals, r.value);
  return r;
}

struct InRow {
  const char* text;
  int width;
  int decimals;
  float value;
};

void check_values(const std::vector<InRow>& rows) {
  for (const InRow& row : rows) {
    const Read r = read_field(row.text, row.width, row.decimals);
    EXPECT_EQ(r.status, FieldStatus::Ok) << "\"" << row.text << "\"";
    EXPECT_EQ(r.value, row.value) << "F" << row.width << "." << row.decimals << " of \"" << row.text
                                  << "\"";
  }
}

TEST(GetFixed, Examples) {
  // clang-format off
  check_values({
      {"  12.345", 8, 3,  12.345f},
      {"   12345", 8, 3,  12.345f},
      {"  -1.5  ", 8, 3,    -1.5f},
      {"   -1500", 8, 3,    -1.5f},
      {"1 2.5",    8, 3,    12.5f},
      {"1.5E2",    8, 3,   150.0f},
      {"1.5-3",    8, 3,  0.0015f},
      {"  38.120", 8, 3,  38.12f},
      {"-999.999", 8, 3, -999.999f},
  });
  // clang-format on
}

TEST(GetFixed, BlankAndBareFieldsAreZero) {
  // clang-format off
  check_values({
      {"        ", 8, 3, 0.0f},
      {"",         8, 3, 0.0f},
      {"+",        8, 3, 0.0f},
      {"-",        8, 3, 0.0f},
      {".",        8, 3, 0.0f},
      {"  + .  ",  8, 3, 0.0f},
      {"\t\t",     8, 3, 0.0f},
      {"0",        8, 3, 0.0f},
  });
  // clang-format on
}

TEST(GetFixed, ImpliedDecimals) {
  // clang-format off
  check_values({
      {"12345",    8, 3,   12.345f},
      {"12345",    8, 0,  12345.0f},
      {"12345",    8, 5,  0.12345f},
      {"12345",    8, 7, 0.0012345f},
      {"00015",    8, 3,    0.015f},   // leading zeros still hold places
      {"0001500",  8, 3,      1.5f},
      {"15E2",     8, 3,      1.5f},   // .015 times 100
      {"123.",     8, 3,    123.0f},   // a point overrides the implied decimals
      {".5",       8, 3,      0.5f},
      {"000.05",   8, 3,     0.05f},
  });
  // clang-format on
}

TEST(GetFixed, WideFields) {
  // More digits than a 64-bit integer holds: still the nearest double, then
  // the nearest float.
  // clang-format off
  check_values({
      {"12345678901234567890",    20, 0, 12345678901234567890.0f},
      {"-98765432109876543210",   21, 3, -98765432109876543.210f},
      {"1234567890123456.789",    20, 3, 1234567890123456.789f},
      {"0.000000000000000000001", 23, 3, 1.0e-21f},
  });
  // clang-format on
}

TEST(GetFixed, ExponentForms) {
  // clang-format off
  check_values({
      {"1.5E2",   8, 3,  150.0f},
      {"1.5e2",   8, 3,  150.0f},
      {"1.5D2",   8, 3,  150.0f},
      {"1.5d2",   8, 3,  150.0f},
      {"1.5E+2",  8, 3,  150.0f},
      {"1.5E-2",  8, 3,  0.015f},
      {"1.5+2",   8, 3,  150.0f},
      {"1.5-3",   8, 3, 0.0015f},
      {"-1.5-3",  8, 3, -0.0015f},
      {"1.5 E 2", 8, 3,  150.0f},   // blanks anywhere are ignored
      {"1.0E38",  8, 3,  1.0e38f},
      {"3.4E38",  8, 3,  3.4e38f},
  });
  // clang-format on
}

TEST(GetFixed, TinyValuesWithoutError) {
  // clang-format off
  const float least = std::numeric_limits<float>::denorm_min();
  check_values({
      {"1.0E-50", 8, 3, 0.0f},
      {"1E-999",  8, 3, 0.0f},
      {"1.E-46",  8, 3, 0.0f},                    // below half the least subnormal
      {"1.0E-45", 8, 3, least},                   // above half of it: rounds up
      {"1.0E-40", 8, 3, from_bits(0x000116C2u)},  // 71362 times the least
      {"1E-40",   8, 3, from_bits(0x00000047u)},  // no point: 1E-43, 71 times the least
  });
  // clang-format on
}

TEST(GetFixed, Errors) {
  // clang-format off
  const struct { const char* text; FieldStatus status; } rows[] = {
      {"12.3a",    FieldStatus::NotANumber},
      {"1.2.3",    FieldStatus::NotANumber},   // two points
      {"1.5E",     FieldStatus::NotANumber},   // exponent letter without digits
      {"1.5E+",    FieldStatus::NotANumber},
      {"1.5-",     FieldStatus::NotANumber},
      {"1.5E2x",   FieldStatus::NotANumber},   // left over after the exponent
      {"1.5E2.1",  FieldStatus::NotANumber},
      {"1.5E2+1",  FieldStatus::NotANumber},
      {"--1.5",    FieldStatus::NotANumber},
      {"1.5EE2",   FieldStatus::NotANumber},
      {"E5",       FieldStatus::NotANumber},   // an exponent needs a digit before it
      {"+E5",      FieldStatus::NotANumber},
      {".E5",      FieldStatus::NotANumber},
      {". -3",     FieldStatus::NotANumber},
      {"-.+3",     FieldStatus::NotANumber},
      {"x",        FieldStatus::NotANumber},
      {"1.0E39",   FieldStatus::OutOfRange},
      {"-1.0E39",  FieldStatus::OutOfRange},
      {"1E999",    FieldStatus::OutOfRange},   // beyond double as well
      {"1.0E350",  FieldStatus::OutOfRange},
      {"9D99",     FieldStatus::OutOfRange},
      {"1.\x1a",   FieldStatus::EndOfFile},
      {"\x1a",     FieldStatus::EndOfFile},
  };
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(read_field(row.text, 8, 3).status, row.status) << "\"" << row.text << "\"";
  }
}

TEST(GetFixed, FieldEnds) {
  // A field takes at most w characters.
  Read r = read_field("12345678901", 8, 3);
  EXPECT_EQ(r.value, 12345.678f);
  EXPECT_EQ(r.pos, 8);
  r = read_field("12345678901", 8, 3, 8);
  EXPECT_EQ(r.value, 0.901f);
  EXPECT_EQ(r.pos, 11);

  // A comma ends the field early and is consumed.
  r = read_field("1.5,2.5", 8, 3);
  EXPECT_EQ(r.value, 1.5f);
  EXPECT_EQ(r.pos, 4);
  r = read_field("1.5,2.5", 8, 3, 4);
  EXPECT_EQ(r.value, 2.5f);
  EXPECT_EQ(r.pos, 7);
  r = read_field(",7", 8, 3);
  EXPECT_EQ(r.value, 0.0f);
  EXPECT_EQ(r.pos, 1);
  r = read_field("12,", 8, 0);
  EXPECT_EQ(r.value, 12.0f);  // digits before the comma are the whole field
  EXPECT_EQ(r.pos, 3);

  // CR and LF end the field and stay unread.
  r = read_field("1.5\r\n", 8, 3);
  EXPECT_EQ(r.value, 1.5f);
  EXPECT_EQ(r.pos, 3);
  r = read_field("15\n99", 8, 3);
  EXPECT_EQ(r.value, 0.015f);
  EXPECT_EQ(r.pos, 2);

  // Tabs count as characters of the field but add nothing.
  r = read_field("\t1.5\t9", 5, 3);
  EXPECT_EQ(r.value, 1.5f);
  EXPECT_EQ(r.pos, 5);

  // The end of the data ends the field: a short line reads what it has.
  r = read_field("  1.25", 8, 3);
  EXPECT_EQ(r.value, 1.25f);
  EXPECT_EQ(r.pos, 6);
  r = read_field("  1.25", 8, 3, 6);
  EXPECT_EQ(r.status, FieldStatus::Ok);
  EXPECT_EQ(r.value, 0.0f);
  EXPECT_EQ(r.pos, 6);
}

TEST(GetFixed, AgreesWithStrtod) {
  // Random texts of up to 8 characters: optional sign, digits with or
  // without a point, sometimes an exponent, blanks in between. The expected
  // value is strtod of the same number written out plainly, cast to float.
  std::mt19937 random(5);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  int failures = 0;
  int tried = 0;
  for (int i = 0; i < 400000; ++i) {
    const int width = 1 + pick(8);
    const int decimals = pick(6);
    std::string field;
    std::string digits;
    bool negative = false;
    if (pick(3) == 0) {
      negative = pick(2) == 0;
      field += negative ? '-' : '+';
    }
    const int point_at = pick(3) == 0 ? -1 : pick(width + 1);
    int fraction = 0;
    const int mantissa = 1 + pick(width);
    for (int k = 0; k < mantissa; ++k) {
      if (k == point_at) field += '.';
      const char c = static_cast<char>('0' + pick(10));
      field += c;
      digits += c;
      if (point_at >= 0 && k >= point_at) ++fraction;
    }
    if (point_at == mantissa) field += '.';
    int exponent = 0;
    if (pick(4) == 0) {
      exponent = pick(2) == 0 ? pick(40) : -pick(60);
      const char* letters[] = {"E", "e", "D", "d", ""};
      const char* letter = letters[pick(5)];
      field += letter;
      if (exponent < 0 || *letter == '\0' || pick(2) == 0) field += exponent < 0 ? '-' : '+';
      field += std::to_string(exponent < 0 ? -exponent : exponent);
    }
    if (pick(4) == 0) {
      const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(field.size()) + 1));
      field = field.substr(0, at) + ' ' + field.substr(at);
    }
    if (static_cast<int>(field.size()) > width) continue;
    ++tried;
    const bool has_point = field.find('.') != std::string::npos;
    const int implied = has_point ? fraction : decimals;
    const std::string plain =
        (negative ? "-" : "") + digits + "e" + std::to_string(exponent - implied);
    const double wide = std::strtod(plain.c_str(), nullptr);
    const bool too_big = std::fabs(wide) > static_cast<double>(FLT_MAX);
    const Read r = read_field(field, width, decimals);
    const FieldStatus want_status = too_big ? FieldStatus::OutOfRange : FieldStatus::Ok;
    const float want = static_cast<float>(wide);
    if (r.status == want_status &&
        (too_big || to_bits(r.value) == to_bits(want) || (r.value == 0.0f && want == 0.0f))) {
      continue;
    }
    if (++failures <= 10) {
      ADD_FAILURE() << "F" << width << "." << decimals << " of \"" << field << "\": want "
                    << (too_big ? std::string("OutOfRange") : describe(want)) << ", got status "
                    << static_cast<int>(r.status) << " value " << describe(r.value);
    }
  }
  EXPECT_GT(tried, 100000);
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace formatted_io
