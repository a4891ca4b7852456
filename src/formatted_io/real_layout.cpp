// Real output fields: the digits come from decimal_digits, this file only
// places them. The direct route (fixed_direct.hpp) writes the common
// fields straight from a rounded integer; every other value is laid out here
// from its rounded digit string.
#include "formatted_io/real_layout.hpp"

#include <cmath>
#include <cstring>

#include "formatted_io/fixed_direct.hpp"

namespace formatted_io {
namespace {

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

// Right-justifies `length` characters of `text` in `width`, or asterisks.
void place(const char* text, int length, int width, char* out) {
  if (length > width) {
    std::memset(out, '*', static_cast<std::size_t>(width));
    return;
  }
  std::memset(out, ' ', static_cast<std::size_t>(width - length));
  std::memcpy(out + (width - length), text, static_cast<std::size_t>(length));
}

char digit_char(const DigitString& ds, int index) {
  return static_cast<char>('0' + (index >= 0 && index < ds.count ? ds.digits[index] : 0));
}

bool all_zero(const DigitString& ds) {
  for (int i = 0; i < ds.count; ++i) {
    if (ds.digits[i] != 0) return false;
  }
  return true;
}

// Texts longer than this are asterisks in every field the program can have.
constexpr int MAX_DECIMALS = 256;

}  // namespace

namespace detail {

void put_fixed_general(float value, int width, int decimals, char* out) {
  if (!std::isfinite(value)) {
    put_non_finite(value, width, out);
    return;
  }
  DigitString ds = digit_string(value);
  // Below a tenth of the last place: zero without rounding.
  bool zero = all_zero(ds) || ds.exponent < -decimals;
  if (!zero) {
    const int needed = ds.exponent + decimals;
    round_digits(ds, needed < SINGLE_DIGITS ? needed : SINGLE_DIGITS);
    zero = ds.count == 0 || all_zero(ds);
  }
  if (decimals > MAX_DECIMALS) decimals = MAX_DECIMALS;
  // Longest text: sign, 39 integer digits, point, decimals.
  char text[64 + MAX_DECIMALS];
  int length = 0;
  if (zero) {
    // 0.0 -> ".000"; with no decimals the single zero "0." stands.
    if (decimals == 0) text[length++] = '0';
  } else {
    if (ds.negative) text[length++] = '-';
    for (int i = 0; i < ds.exponent; ++i) text[length++] = digit_char(ds, i);
  }
  text[length++] = '.';
  // Decimal place j weighs 10^-j, which is string index exponent + j - 1.
  for (int j = 1; j <= decimals; ++j) {
    text[length++] = zero ? '0' : digit_char(ds, ds.exponent + j - 1);
  }
  place(text, length, width, out);
}

}  // namespace detail

void put_fixed(float value, int width, int decimals, char* out) {
  if (!detail::put_fixed_direct(value, width, decimals, out)) {
    detail::put_fixed_general(value, width, decimals, out);
  }
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
  if (decimals > MAX_DECIMALS) decimals = MAX_DECIMALS;
  char text[16 + MAX_DECIMALS];
  int length = 0;
  if (ds.negative && !zero) text[length++] = '-';
  text[length++] = '.';
  for (int i = 0; i < decimals; ++i) text[length++] = digit_char(ds, i);
  // From 10^-44 to 10^39: two digits always suffice.
  const int exponent = zero ? 0 : ds.exponent;
  const int magnitude = exponent < 0 ? -exponent : exponent;
  text[length++] = 'E';
  text[length++] = exponent < 0 ? '-' : '+';
  text[length++] = static_cast<char>('0' + magnitude / 10);
  text[length++] = static_cast<char>('0' + magnitude % 10);
  place(text, length, width, out);
}

std::string put_exponent(float value, int width, int decimals) {
  std::string field(static_cast<std::size_t>(width), ' ');
  put_exponent(value, width, decimals, field.data());
  return field;
}

}  // namespace formatted_io
