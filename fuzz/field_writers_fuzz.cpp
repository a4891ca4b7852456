// Fuzzes the output fields with arbitrary float and integer bits through every
// descriptor the program writes, plus one descriptor drawn from the input.
//
// Each field is checked three ways: its shape (exactly its width, only the
// characters a field may hold, or one of the texts for values that are not
// numbers); its text against a reference writer that rounds the exact decimal
// expansion printed by the C library; and, for a field that is a number, by
// reading it back through the Fw.d input field, which must land within half a
// unit of the last place the field shows. The direct routes of Fw.d (the
// integer route, and the word route for up to 8 wide and 3 decimals) must
// write, wherever they accept, the general route's field.
//
// Input layout: bytes 0-3 are the value's bits (float and int alike); bytes 4
// and 5, when present, give the width and decimals of the extra descriptor.
#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "formatted_io/fields.hpp"
#include "formatted_io/real_fields.hpp"

namespace {

struct Descriptor {
  char kind;  // 'F', 'E' or 'I'
  int width;
  int decimals;
};

// Every real and integer field the program writes.
// clang-format off
constexpr Descriptor PROGRAM_FIELDS[] = {
    {'F',  8, 3}, {'F',  6, 3}, {'F', 11, 5}, {'F', 12, 4}, {'F', 12, 6},
    {'E', 12, 5}, {'E', 13, 5},
    {'I',  2, 0}, {'I',  5, 0}, {'I',  6, 0},
};
// clang-format on

std::string descriptor_name(const Descriptor& d) {
  std::string name(1, d.kind);
  name += std::to_string(d.width);
  if (d.kind != 'I') name += "." + std::to_string(d.decimals);
  return name;
}

[[noreturn]] void fail(const char* what, const Descriptor& d, std::uint32_t bits,
                       const std::string& field, const std::string& expected) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  std::fprintf(stderr,
               "field writer: %s\n  %s of bits 0x%08x (%.9g, int %d)\n  field    \"%s\"\n"
               "  expected \"%s\"\n",
               what, descriptor_name(d).c_str(), bits, static_cast<double>(value),
               static_cast<int>(bits), field.c_str(), expected.c_str());
  std::abort();
}

// ---- Reference writer -------------------------------------------------------

// Significant digits (as characters) and exponent: the magnitude is
// 0.d1d2d3... times 10 to the power `exponent`.
struct Digits {
  std::string d;
  int exponent = 0;
};

// Exact expansion from the C library: a float has at most 112 significant
// decimal digits, all of which "%.150e" prints exactly.
Digits exact_digits(float value) {
  char text[200];
  std::snprintf(text, sizeof text, "%.150e", std::fabs(static_cast<double>(value)));
  Digits out;
  out.d += text[0];
  const char* p = text + 2;
  while (*p != 'e') out.d += *p++;
  out.exponent = std::atoi(p + 1) + 1;
  while (out.d.size() > 1 && out.d.back() == '0') out.d.pop_back();
  return out;
}

// Keeps `keep` digits, rounding half up on the first digit dropped; a carry
// out of a string of nines gives "1" one place up. Keeping 0 digits leaves "1"
// one place up when the first digit is 5 or more, else nothing.
void round_half_up(Digits& ds, int keep) {
  if (keep >= static_cast<int>(ds.d.size())) return;
  if (keep <= 0) {
    if (ds.d[0] >= '5') {
      ds.d = "1";
      ++ds.exponent;
    } else {
      ds.d.clear();
    }
    return;
  }
  const bool up = ds.d[static_cast<std::size_t>(keep)] >= '5';
  ds.d.resize(static_cast<std::size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  while (i >= 0 && ds.d[static_cast<std::size_t>(i)] == '9')
    ds.d[static_cast<std::size_t>(i--)] = '0';
  if (i >= 0) {
    ++ds.d[static_cast<std::size_t>(i)];
  } else {
    ds.d = "1";
    ++ds.exponent;
  }
}

// The 17-digit expansion, half up on the 18th, trailing zeros dropped.
Digits expansion(float value) {
  Digits ds = exact_digits(value);
  round_half_up(ds, 17);
  while (ds.d.size() > 1 && ds.d.back() == '0') ds.d.pop_back();
  return ds;
}

char digit_at(const Digits& ds, int index) {
  return index >= 0 && index < static_cast<int>(ds.d.size()) ? ds.d[static_cast<std::size_t>(index)]
                                                             : '0';
}

bool all_zero(const Digits& ds) { return ds.d.find_first_not_of('0') == std::string::npos; }

std::string justify(const std::string& text, int width) {
  if (static_cast<int>(text.size()) > width)
    return std::string(static_cast<std::size_t>(width), '*');
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

std::string non_finite(float value, int width) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  // The indefinite value is whatever an invalid operation yields here, of
  // either sign: machines differ in the sign, and no sign is written.
  volatile float zero = 0.0f;
  const float indefinite = zero / zero;
  std::uint32_t indefinite_bits;
  std::memcpy(&indefinite_bits, &indefinite, sizeof indefinite_bits);
  std::string text;
  if (std::isinf(value)) {
    text = "1#INF";
  } else if ((bits & 0x7FFFFFFFu) == (indefinite_bits & 0x7FFFFFFFu)) {
    text = "1#IND";
  } else if ((bits & 0x400000u) != 0) {
    text = "1#QNAN";
  } else {
    text = "1#SNAN";
  }
  text.resize(static_cast<std::size_t>(width), '.');
  return text;
}

std::string reference_fixed(float value, int width, int decimals) {
  if (!std::isfinite(value)) return non_finite(value, width);
  const bool negative = std::signbit(value);
  Digits ds = expansion(value);
  bool zero = value == 0.0f || ds.exponent < -decimals;
  if (!zero) {
    const int needed = ds.exponent + decimals;
    round_half_up(ds, needed < 7 ? needed : 7);
    zero = ds.d.empty() || all_zero(ds);
  }
  std::string text;
  if (zero) {
    text = decimals == 0 ? "0." : ".";
    text.append(static_cast<std::size_t>(decimals), '0');
    return justify(text, width);
  }
  if (negative) text += '-';
  for (int i = 0; i < ds.exponent; ++i) text += digit_at(ds, i);
  text += '.';
  for (int j = 1; j <= decimals; ++j) text += digit_at(ds, ds.exponent + j - 1);
  return justify(text, width);
}

std::string reference_exponent(float value, int width, int decimals) {
  if (!std::isfinite(value)) return non_finite(value, width);
  const bool negative = std::signbit(value);
  Digits ds = expansion(value);
  const bool zero = value == 0.0f;
  if (!zero) round_half_up(ds, decimals < 7 ? decimals : 7);
  std::string text;
  if (negative && !zero) text += '-';
  text += '.';
  for (int i = 0; i < decimals; ++i) text += zero ? '0' : digit_at(ds, i);
  const int e = zero ? 0 : ds.exponent;
  char tail[8];
  std::snprintf(tail, sizeof tail, "E%c%02d", e < 0 ? '-' : '+', e < 0 ? -e : e);
  return justify(text + tail, width);
}

std::string reference_integer(int value, int width) {
  return justify(std::to_string(value), width);
}

// ---- Checks -----------------------------------------------------------------

// The word route of Fw.d for every width up to 8 and decimals up to 3; it
// declines the shapes it does not take.
using WordWriter = bool (*)(float, char*);
constexpr int WORD_DECIMALS = 4;

template <int WIDTH, int DECIMALS>
bool word_route(float value, char* out) {
  return formatted_io::detail::put_fixed_word<WIDTH, DECIMALS>(value, out);
}

template <std::size_t... I>
constexpr std::array<WordWriter, sizeof...(I)> word_routes(std::index_sequence<I...>) {
  return {&word_route<static_cast<int>(I / WORD_DECIMALS), static_cast<int>(I % WORD_DECIMALS)>...};
}

constexpr auto WORD_ROUTES = word_routes(std::make_index_sequence<9 * WORD_DECIMALS>{});

// The field through the char* writer, into exactly `width` bytes of the heap
// so that a write past the field is caught.
std::string write_field(const Descriptor& d, float real, int integer) {
  char* out = static_cast<char*>(std::malloc(static_cast<std::size_t>(d.width)));
  if (d.kind == 'F') {
    formatted_io::put_fixed(real, d.width, d.decimals, out);
  } else if (d.kind == 'E') {
    formatted_io::put_exponent(real, d.width, d.decimals, out);
  } else {
    formatted_io::put_integer(integer, d.width, out);
  }
  std::string field(out, static_cast<std::size_t>(d.width));
  std::free(out);
  return field;
}

// Half a unit of the last place shown, or of the seventh significant digit
// when the field shows more places than a float holds.
double half_unit(const Descriptor& d, float value) {
  const double last_place = std::pow(10.0, -d.decimals);
  if (value == 0.0f) return last_place / 2;
  char text[40];
  std::snprintf(text, sizeof text, "%.20e", std::fabs(static_cast<double>(value)));
  const int exponent = std::atoi(std::strchr(text, 'e') + 1) + 1;  // 0.ddd x 10^exponent
  const int shown = d.kind == 'E' ? (d.decimals < 7 ? d.decimals : 7) : 7;
  const double seventh = std::pow(10.0, exponent - shown);
  if (d.kind == 'E') return seventh / 2;
  return (last_place > seventh ? last_place : seventh) / 2;
}

void check_field(const Descriptor& d, std::uint32_t bits) {
  float real;
  std::memcpy(&real, &bits, sizeof real);
  int integer;
  std::memcpy(&integer, &bits, sizeof integer);

  const std::string field = write_field(d, real, integer);
  std::string expected;
  std::string returned;
  if (d.kind == 'F') {
    expected = reference_fixed(real, d.width, d.decimals);
    returned = formatted_io::put_fixed(real, d.width, d.decimals);
  } else if (d.kind == 'E') {
    expected = reference_exponent(real, d.width, d.decimals);
    returned = formatted_io::put_exponent(real, d.width, d.decimals);
  } else {
    expected = reference_integer(integer, d.width);
    returned = formatted_io::put_integer(integer, d.width);
  }
  if (returned != field) fail("the two writers differ", d, bits, returned, field);
  if (d.kind == 'F') {
    // The direct route, wherever it accepts, writes the general route's field.
    std::string direct(static_cast<std::size_t>(d.width), '?');
    std::string general(static_cast<std::size_t>(d.width), '?');
    if (formatted_io::detail::put_fixed_direct(real, d.width, d.decimals, direct.data())) {
      formatted_io::detail::put_fixed_general(real, d.width, d.decimals, general.data());
      if (direct != general)
        fail("direct route differs from the general one", d, bits, direct, general);
    }
    // So does the word route; declining, it writes nothing.
    if (d.width <= 8 && d.decimals < WORD_DECIMALS) {
      std::string word(static_cast<std::size_t>(d.width), '?');
      const WordWriter route =
          WORD_ROUTES[static_cast<std::size_t>(d.width * WORD_DECIMALS + d.decimals)];
      if (route(real, word.data())) {
        formatted_io::detail::put_fixed_general(real, d.width, d.decimals, general.data());
        if (word != general)
          fail("word route differs from the general one", d, bits, word, general);
      } else if (word != std::string(static_cast<std::size_t>(d.width), '?')) {
        fail("word route wrote a field it declined", d, bits, word, general);
      }
    }
  }

  const bool number = d.kind == 'I' || std::isfinite(real);
  if (number) {
    for (const char c : field) {
      if (std::strchr(" 0123456789.-E+*", c) == nullptr || c == '\0') {
        fail("character a field may not hold", d, bits, field, expected);
      }
    }
  }
  if (field != expected) fail("field differs from the reference", d, bits, field, expected);
  if (d.kind == 'I' || !number || field[0] == '*') return;

  // Read back through the input field: within half a unit of the last place.
  const double shown = std::strtod(field.c_str(), nullptr);
  int pos = 0;
  float back = 0.0f;
  const formatted_io::FieldStatus status =
      formatted_io::get_fixed(field.data(), d.width, pos, d.width, d.decimals, back);
  // Rounded to few digits, the largest floats show a value above every float.
  const formatted_io::FieldStatus want = std::fabs(shown) > static_cast<double>(FLT_MAX)
                                             ? formatted_io::FieldStatus::OutOfRange
                                             : formatted_io::FieldStatus::Ok;
  if (status != want || pos != d.width) {
    fail("field does not read back", d, bits, field, expected);
  }
  if (status != formatted_io::FieldStatus::Ok) return;
  // The slack covers the 17-digit step before the field's rounding and the
  // double that strtod makes of the field.
  const double bound = half_unit(d, real) * (1 + 1e-9) + std::fabs(shown) * 1e-15;
  if (std::fabs(shown - static_cast<double>(real)) > bound) {
    fail("field more than half a unit from the value", d, bits, field, expected);
  }
  // The read-back is the float nearest the field's decimal value.
  if (back != static_cast<float>(shown)) {
    fail("read-back is not the nearest float of the field", d, bits, field, expected);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t bits;
  std::memcpy(&bits, data, sizeof bits);
  for (const Descriptor& d : PROGRAM_FIELDS) check_field(d, bits);
  if (size >= 6) {
    const int width = 1 + data[4] % 40;
    const int decimals = data[5] % 16;
    check_field({'F', width, decimals}, bits);
    // Ew.0 is outside what the fields define.
    if (decimals > 0) check_field({'E', width, decimals}, bits);
  }
  return 0;
}
