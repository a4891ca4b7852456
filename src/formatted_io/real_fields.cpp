// Real number fields. The digit string is generated exactly from the float's
// bits with integer arithmetic (a float is m * 2^q with m < 2^24, so its
// fraction fits in three 64-bit limbs and its integer part in 128 bits): no
// printf, no allocation, the same digits on every machine.
#include "formatted_io/real_fields.hpp"

#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace formatted_io {
namespace {

// A GNU extension, on every compiler and machine the build supports.
__extension__ typedef unsigned __int128 Uint128;

// The texts written for values that are not finite numbers.
const char* non_finite_text(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t mantissa = bits & 0x7FFFFFu;
  if (mantissa == 0) return "1#INF";
  if ((mantissa & 0x400000u) == 0) return "1#SNAN";
  // The indefinite value is the quiet NaN without payload that an invalid
  // operation yields. Its sign differs between machines, and between
  // compilers that order the operands of one operation differently, and no
  // sign is written: so the sign does not decide.
  if (mantissa == 0x400000u) return "1#IND";
  return "1#QNAN";
}

void put_non_finite(float value, int width, char* out) {
  const char* text = non_finite_text(value);
  const int length = static_cast<int>(std::strlen(text));
  for (int i = 0; i < width; ++i) out[i] = i < length ? text[i] : '.';
}

void fill_asterisks(char* out, int width) {
  std::memset(out, '*', static_cast<std::size_t>(width));
}

// Right-justifies `length` characters of `text` in `width`, or asterisks.
void place(const char* text, int length, int width, char* out) {
  if (length > width) {
    fill_asterisks(out, width);
    return;
  }
  std::memset(out, ' ', static_cast<std::size_t>(width - length));
  std::memcpy(out + (width - length), text, static_cast<std::size_t>(length));
}

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

// Rounds the string half away from zero to `wanted` digits. Zero digits
// wanted leaves "1" one place up when the first digit is 5 or more, else an
// empty string.
//   (9 9 9 6, e 1) to 4 -> (1, e 2)
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
  // A string of nines: 1 followed by zeros, one place up.
  ds.digits[0] = 1;
  ds.count = 1;
  ds.exponent += 1;
}

bool all_zero(const DigitString& ds) {
  for (int i = 0; i < ds.count; ++i) {
    if (ds.digits[i] != 0) return false;
  }
  return true;
}

int digit_at(const DigitString& ds, int index) {
  return index >= 0 && index < ds.count ? ds.digits[index] : 0;
}

}  // namespace

DigitString digit_string(float value) {
  DigitString ds{};
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t biased = (bits >> 23) & 0xFFu;
  std::uint32_t m = bits & 0x7FFFFFu;
  int q = -149;
  if (biased != 0) {
    m |= 0x800000u;
    q = static_cast<int>(biased) - 150;
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
    if (s < 24) {
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

  char raw[EXPANSION_DIGITS + 1];
  int n = 0;
  int exponent = 0;
  if (integer != 0) {
    char whole[40];
    const int length = integer_digits(integer, whole);
    exponent = length;
    for (int i = 0; i < length && n <= EXPANSION_DIGITS; ++i) raw[n++] = whole[i];
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
      --exponent;  // leading zero after the point
      continue;
    }
    raw[n++] = static_cast<char>(carry);
  }

  // Round half up on the 18th digit to 17 significant digits.
  if (n > EXPANSION_DIGITS) {
    const bool up = raw[EXPANSION_DIGITS] >= 5;
    n = EXPANSION_DIGITS;
    if (up) {
      int i = n - 1;
      while (i >= 0 && raw[i] == 9) raw[i--] = 0;
      if (i >= 0) {
        ++raw[i];
      } else {
        raw[0] = 1;
        n = 1;
        ++exponent;
      }
    }
  }
  while (n > 1 && raw[n - 1] == 0) --n;
  std::memcpy(ds.digits, raw, static_cast<std::size_t>(n));
  ds.count = n;
  ds.exponent = exponent;
  return ds;
}

namespace {

constexpr std::uint64_t POWERS_OF_TEN[] = {1ull,
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
                                           100000000000000000ull};

// Fw.d straight from the bits for the common case: a value with a fraction
// whose field keeps all its decimals within 7 significant digits. Rounding
// v * 10^k half up directly gives the same digits as the 17-digit expansion
// rounded again, except when v * 10^k lies just below a half: the expansion
// can round that up to the half. Such values, and every other case, return
// false and take the digit-string path.
//   12.3456f, F8.3 -> R = 12346, k = 3 -> "  12.346"
bool put_fixed_direct(float value, int width, int decimals, char* out) {
  // Below 1 the kept decimals are all d only while d <= 7.
  constexpr int MAX_DIRECT_DECIMALS = SINGLE_DIGITS;
  if (decimals > MAX_DIRECT_DECIMALS) return false;
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t biased = (bits >> 23) & 0xFFu;
  if (biased == 0) return false;  // zero and subnormals
  const std::uint64_t m = (bits & 0x7FFFFFu) | 0x800000u;
  const int s = 150 - static_cast<int>(biased);  // value = m / 2^s
  if (s <= 0 || s > 63) return false;
  const std::uint64_t integer = s < 24 ? m >> s : 0;
  int e = 0;  // integer digits; 0 stands for every value below 1
  while (e < 18 && integer >= POWERS_OF_TEN[e]) ++e;
  const int k = decimals < SINGLE_DIGITS - e ? decimals : SINGLE_DIGITS - e;
  if (k < 0) return false;
  const std::uint64_t scaled = m * POWERS_OF_TEN[k];  // < 2^24 * 10^7
  std::uint64_t rounded = scaled >> s;
  const std::uint64_t remainder = scaled & ((std::uint64_t{1} << s) - 1);
  const std::uint64_t half = std::uint64_t{1} << (s - 1);
  if (remainder >= half) {
    ++rounded;
  } else {
    // Within half a unit of the 17th digit below the half: undecided here.
    // With e taken as 0 for values below 1 the test only widens.
    const Uint128 gap = static_cast<Uint128>(half - remainder) * 2u;
    if (gap * POWERS_OF_TEN[17 - e - k] <= (static_cast<Uint128>(1) << s)) return false;
  }
  // The field is filled from its right end: decimals, point, integer
  // digits, sign, then blanks; running out of room means asterisks.
  char* p = out + width;
  bool fits = true;
  auto push = [&](char c) {
    if (p == out) {
      fits = false;
    } else {
      *--p = c;
    }
  };
  // Two digits per division: the digit pairs 00 to 99.
  static constexpr char PAIRS[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  auto push_pair = [&] {
    const std::uint64_t pair = rounded % 100;
    rounded /= 100;
    push(PAIRS[2 * pair + 1]);
    push(PAIRS[2 * pair]);
  };
  auto push_digit = [&] {
    push(static_cast<char>('0' + rounded % 10));
    rounded /= 10;
  };
  if (rounded == 0) {
    // Rounds to zero: no sign; "0." only when there are no decimals.
    for (int i = 0; i < decimals; ++i) push('0');
    push('.');
    if (decimals == 0) push('0');
  } else {
    // Places past the 7th significant digit are written as 0.
    for (int i = k; i < decimals; ++i) push('0');
    int i = 0;
    for (; i + 2 <= k; i += 2) push_pair();
    if (i < k) push_digit();
    push('.');
    while (rounded >= 10) push_pair();
    if (rounded != 0) push_digit();
    if ((bits >> 31) != 0) push('-');
  }
  if (!fits) {
    fill_asterisks(out, width);
    return true;
  }
  while (p != out) *--p = ' ';
  return true;
}

}  // namespace

void put_fixed(float value, int width, int decimals, char* out) {
  if (!std::isfinite(value)) {
    put_non_finite(value, width, out);
    return;
  }
  if (put_fixed_direct(value, width, decimals, out)) return;
  DigitString ds = digit_string(value);
  bool zero = all_zero(ds);
  // Below a tenth of the last place: zero without rounding.
  if (!zero && ds.exponent < -decimals) zero = true;
  if (!zero) {
    const int needed = ds.exponent + decimals;
    round_digits(ds, needed < SINGLE_DIGITS ? needed : SINGLE_DIGITS);
    zero = ds.count == 0 || all_zero(ds);
  }

  // Longest text: sign, 39 integer digits, point, decimals.
  char text[64 + 256];
  int length = 0;
  if (decimals > 256) decimals = 256;
  if (zero) {
    // 0.0 -> ".000"; with no decimals the single zero "0." stands.
    if (decimals == 0) text[length++] = '0';
    text[length++] = '.';
    for (int i = 0; i < decimals; ++i) text[length++] = '0';
    place(text, length, width, out);
    return;
  }
  if (ds.negative) text[length++] = '-';
  for (int i = 0; i < ds.exponent; ++i) {
    text[length++] = static_cast<char>('0' + digit_at(ds, i));
  }
  text[length++] = '.';
  // Decimal place j weighs 10^-j, which is string index exponent + j - 1.
  for (int j = 1; j <= decimals; ++j) {
    text[length++] = static_cast<char>('0' + digit_at(ds, ds.exponent + j - 1));
  }
  place(text, length, width, out);
}

std::string put_fixed(float value, int width, int decimals) {
  std::string field(static_cast<std::size_t>(width), ' ');
  put_fixed(value, width, decimals, field.data());
  return field;
}

void put_exponent(float value, int width, int decimals, char* out) {
  if (!std::isfinite(value)) {
    put_non_finite(value, width, out);
    return;
  }
  DigitString ds = digit_string(value);
  const bool zero = all_zero(ds);
  if (!zero) round_digits(ds, decimals < SINGLE_DIGITS ? decimals : SINGLE_DIGITS);

  char text[16 + 256];
  int length = 0;
  if (decimals > 256) decimals = 256;
  if (ds.negative && !zero) text[length++] = '-';
  text[length++] = '.';
  for (int i = 0; i < decimals; ++i) {
    text[length++] = static_cast<char>('0' + digit_at(ds, i));
  }
  const int exponent = zero ? 0 : ds.exponent;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude <= 99) {
    text[length++] = 'E';
    text[length++] = exponent < 0 ? '-' : '+';
  } else {
    // Three exponent digits leave no room for the letter.
    text[length++] = exponent < 0 ? '-' : '+';
    text[length++] = static_cast<char>('0' + magnitude / 100);
  }
  text[length++] = static_cast<char>('0' + magnitude / 10 % 10);
  text[length++] = static_cast<char>('0' + magnitude % 10);
  place(text, length, width, out);
}

std::string put_exponent(float value, int width, int decimals) {
  std::string field(static_cast<std::size_t>(width), ' ');
  put_exponent(value, width, decimals, field.data());
  return field;
}

namespace {

// Powers of ten that a double holds exactly.
constexpr double EXACT_POWERS[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Digits kept of one field; a field of the program is 8 characters wide.
constexpr int FIELD_DIGITS_MAX = 120;
// Exponents beyond this are out of every range already.
constexpr int EXPONENT_CAP = 100000;

}  // namespace

namespace {

// The plain form of a coordinate field: blanks, an optional sign, digits
// with at most one point, blanks, and at most 15 digits. Gives the same value
// as the general reader below; anything else returns false and leaves `pos`.
//   "  27.340" -> 27340 / 10^3
bool get_fixed_direct(const char* line, int line_length, int& pos, int width, int decimals,
                      float& value) {
  int end = pos + width;
  if (end > line_length) end = line_length;
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
  const float magnitude =
      static_cast<float>(static_cast<double>(mantissa) / EXACT_POWERS[implied]);
  value = negative ? -magnitude : magnitude;
  pos = end;
  return true;
}

}  // namespace

FieldStatus get_fixed(const char* line, int line_length, int& pos, int width,
                      int decimals, float& value) {
  if (get_fixed_direct(line, line_length, pos, width, decimals, value)) {
    return FieldStatus::Ok;
  }
  char digits[FIELD_DIGITS_MAX];
  int digit_count = 0;       // significant digits kept
  int dropped_digits = 0;    // significant digits past the buffer (integer part)
  int fraction_digits = 0;   // significant digits after the point
  int leading_fraction_zeros = 0;
  bool negative = false;
  bool sign_seen = false;
  bool point_seen = false;
  // An exponent needs a digit to belong to: ".E5" and ".-3" are no numbers.
  bool digit_seen = false;
  bool in_exponent = false;
  bool exponent_digit_seen = false;
  bool exponent_sign_seen = false;
  bool exponent_negative = false;
  int exponent = 0;
  FieldStatus status = FieldStatus::Ok;

  for (int i = 0; i < width; ++i) {
    if (pos >= line_length) break;
    const char c = line[pos];
    if (c == '\r' || c == '\n') break;
    ++pos;
    if (c == ',') break;
    if (c == ' ' || c == '\t') continue;
    if (status != FieldStatus::Ok) continue;  // gather the rest of the field
    if (c == 26) {
      status = FieldStatus::EndOfFile;
      continue;
    }
    if (c >= '0' && c <= '9') {
      if (in_exponent) {
        exponent_digit_seen = true;
        if (exponent < EXPONENT_CAP) exponent = exponent * 10 + (c - '0');
        continue;
      }
      digit_seen = true;
      if (digit_count == 0 && c == '0') {
        if (point_seen) ++leading_fraction_zeros;
        continue;
      }
      if (digit_count < FIELD_DIGITS_MAX) {
        digits[digit_count++] = c;
        if (point_seen) ++fraction_digits;
      } else if (!point_seen) {
        ++dropped_digits;
      }
      continue;
    }
    if (c == '.') {
      if (point_seen || in_exponent) {
        status = FieldStatus::NotANumber;
      } else {
        point_seen = true;
      }
      continue;
    }
    if (c == '+' || c == '-') {
      if (in_exponent) {
        if (exponent_sign_seen || exponent_digit_seen) {
          status = FieldStatus::NotANumber;
        } else {
          exponent_sign_seen = true;
          exponent_negative = c == '-';
        }
      } else if (digit_seen) {
        // "1.5-3": a sign after the digits opens the exponent.
        in_exponent = true;
        exponent_sign_seen = true;
        exponent_negative = c == '-';
      } else if (sign_seen || point_seen) {
        status = FieldStatus::NotANumber;
      } else {
        sign_seen = true;
        negative = c == '-';
      }
      continue;
    }
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      if (in_exponent || !digit_seen) {
        status = FieldStatus::NotANumber;
      } else {
        in_exponent = true;
      }
      continue;
    }
    status = FieldStatus::NotANumber;
  }
  if (status != FieldStatus::Ok) return status;
  if (in_exponent && !exponent_digit_seen) return FieldStatus::NotANumber;

  if (digit_count == 0) {
    value = negative ? -0.0f : 0.0f;
    return FieldStatus::Ok;
  }
  // value = 0.digits * 10^scale... worked as integer digits * 10^power.
  const int implied = point_seen ? fraction_digits + leading_fraction_zeros : decimals;
  const int written_exponent = exponent_negative ? -exponent : exponent;
  // Without a point, the implied decimals count the leading zeros too: they
  // were dropped from `digits` but still occupy places.
  const int power = written_exponent + dropped_digits - implied;
  // Decimal exponent of the leading digit, for the range checks.
  const long leading = static_cast<long>(power) + digit_count - 1;
  double result = 0.0;
  if (leading > 400) return FieldStatus::OutOfRange;
  if (leading < -400) {
    result = 0.0;
  } else {
    bool done = false;
    if (digit_count <= 15 && power >= -22 && power <= 22) {
      // Both operands exact: one correctly rounded operation.
      std::int64_t mantissa = 0;
      for (int i = 0; i < digit_count; ++i) mantissa = mantissa * 10 + (digits[i] - '0');
      const double m = static_cast<double>(mantissa);
      result = power < 0 ? m / EXACT_POWERS[-power] : m * EXACT_POWERS[power];
      done = true;
    }
    if (!done) {
      char text[FIELD_DIGITS_MAX + 16];
      std::memcpy(text, digits, static_cast<std::size_t>(digit_count));
      int length = digit_count;
      text[length++] = 'e';
      const auto written = std::to_chars(text + length, text + sizeof text, power);
      length = static_cast<int>(written.ptr - text);
      const auto parsed = std::from_chars(text, text + length, result);
      if (parsed.ec == std::errc::result_out_of_range) {
        if (leading > 0) return FieldStatus::OutOfRange;
        result = 0.0;
      }
    }
  }
  if (result > static_cast<double>(FLT_MAX)) return FieldStatus::OutOfRange;
  const float magnitude = static_cast<float>(result);
  value = negative ? -magnitude : magnitude;
  return FieldStatus::Ok;
}

}  // namespace formatted_io
