// Exhaustive comparisons of the direct field routes with the general ones,
// too long for every test run (minutes each): run by hand, or by CTest when
// configured with TORVEX_EXHAUSTIVE=ON.
//
//   exhaustive_fields writers  every float through F8.3 and F6.3 (or one of
//                              them: F8.3, F6.3)
//   exhaustive_fields readers  every 8-character field over blank, digits,
//                              point and minus (13^8), read as F8.3
//
// Prints what was compared and how many differed; exits 1 on a difference.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "formatted_io/real_fields.hpp"

namespace {

using formatted_io::FieldStatus;

template <int WIDTH, int DECIMALS>
long compare_writer(long& direct) {
  long differ = 0;
  std::uint32_t bits = 0;
  do {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    char fast[WIDTH];
    char general[WIDTH];
    // The record functions' route: the direct field when it accepts.
    if (formatted_io::detail::put_fixed_fast(value, WIDTH, DECIMALS, fast)) {
      ++direct;
      formatted_io::detail::put_fixed_general(value, WIDTH, DECIMALS, general);
      if (std::memcmp(fast, general, WIDTH) != 0 && ++differ <= 10) {
        std::printf("F%d.%d of %a: direct \"%.*s\", general \"%.*s\"\n", WIDTH, DECIMALS,
                    static_cast<double>(value), WIDTH, fast, WIDTH, general);
      }
    }
  } while (++bits != 0);
  return differ;
}

long compare_readers(long& fields, long& direct) {
  static constexpr char ALPHABET[] = " 0123456789.-";
  constexpr int LETTERS = sizeof ALPHABET - 1;
  constexpr int WIDTH = 8;
  long differ = 0;
  int index[WIDTH] = {};
  char field[WIDTH];
  for (;;) {
    for (int i = 0; i < WIDTH; ++i) field[i] = ALPHABET[index[i]];
    ++fields;
    float fast_value = -1.0f;
    float general_value = -1.0f;
    int fast_pos = 0;
    int general_pos = 0;
    const FieldStatus fast = formatted_io::get_fixed<WIDTH, 3>(field, WIDTH, fast_pos, fast_value);
    int probe = 0;
    float probe_value = 0.0f;
    if (formatted_io::detail::get_fixed_columns<WIDTH, 3>(field, WIDTH, probe, probe_value) ||
        formatted_io::detail::get_fixed_fast(field, WIDTH, probe, WIDTH, 3, probe_value)) {
      ++direct;
    }
    const FieldStatus general =
        formatted_io::detail::get_fixed_general(field, WIDTH, general_pos, WIDTH, 3, general_value);
    const bool same = fast == general && fast_pos == general_pos &&
                      (fast != FieldStatus::Ok ||
                       std::memcmp(&fast_value, &general_value, sizeof fast_value) == 0);
    if (!same && ++differ <= 10) {
      std::printf("\"%.*s\": direct %g (status %d), general %g (status %d)\n", WIDTH, field,
                  static_cast<double>(fast_value), static_cast<int>(fast),
                  static_cast<double>(general_value), static_cast<int>(general));
    }
    int i = WIDTH - 1;
    while (i >= 0 && ++index[i] == LETTERS) index[i--] = 0;
    if (i < 0) return differ;
  }
}

template <int WIDTH, int DECIMALS>
long run_writer() {
  long direct = 0;
  const long differ = compare_writer<WIDTH, DECIMALS>(direct);
  std::printf("F%d.%d: 4294967296 floats, %ld written directly, %ld differ\n", WIDTH, DECIMALS,
              direct, differ);
  return differ;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view what = argc > 1 ? argv[1] : "";
  long differ = 0;
  if (what == "writers" || what == "F8.3") differ += run_writer<8, 3>();
  if (what == "writers" || what == "F6.3") differ += run_writer<6, 3>();
  if (what == "readers") {
    long fields = 0;
    long direct = 0;
    differ = compare_readers(fields, direct);
    std::printf("F8.3 input: %ld fields, %ld read directly, %ld differ\n", fields, direct, differ);
  }
  if (what != "writers" && what != "F8.3" && what != "F6.3" && what != "readers") {
    std::fprintf(stderr, "usage: exhaustive_fields writers|F8.3|F6.3|readers\n");
    return 2;
  }
  return differ == 0 ? 0 : 1;
}
