// Exhaustive comparisons of the direct field routes with the general ones,
// too long for every test run (minutes each): run by hand, or by CTest when
// configured with TORVEX_EXHAUSTIVE=ON.
//
//   exhaustive_fields writers  every float through F8.3 and F6.3 (or one of
//                              them: F8.3, F6.3): the word route and the
//                              integer route, each wherever it accepts,
//                              against the general route
//   exhaustive_fields readers  every 8-character field over blank, digits,
//                              point, minus and plus (14^8), read as F8.3:
//                              the constant-width reader against the general
//                              route, and each direct route (word, columns,
//                              plain) wherever it accepts; the word route
//                              must accept exactly the fields the column
//                              route accepts
//
// Prints what was compared and how many differed; exits 1 on a difference.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "formatted_io/real_fields.hpp"

namespace {

using formatted_io::FieldStatus;
namespace detail = formatted_io::detail;

template <int WIDTH, int DECIMALS>
long compare_writer(long& compared, long& by_word, long& by_integer) {
  long differ = 0;
  std::uint32_t bits = 0;
  auto report = [&](const char* route, float value, const char* field, const char* general) {
    if (++differ <= 10) {
      std::printf("F%d.%d of %a (bits %08x): %s route \"%.*s\", general \"%.*s\"\n", WIDTH,
                  DECIMALS, static_cast<double>(value), static_cast<unsigned>(bits), route, WIDTH,
                  field, WIDTH, general);
    }
  };
  do {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    char word[WIDTH];
    char integer[WIDTH];
    char general[WIDTH];
    // The record functions' routes: the word field, else the integer one,
    // else the general one; each direct route is held to the general one
    // wherever it accepts.
    const bool word_accepts = detail::put_fixed_word<WIDTH, DECIMALS>(value, word);
    const bool integer_accepts = detail::put_fixed_direct(value, WIDTH, DECIMALS, integer);
    if (word_accepts || integer_accepts) {
      ++compared;
      detail::put_fixed_general(value, WIDTH, DECIMALS, general);
      if (word_accepts) {
        ++by_word;
        if (std::memcmp(word, general, WIDTH) != 0) report("word", value, word, general);
      }
      if (integer_accepts) {
        ++by_integer;
        if (std::memcmp(integer, general, WIDTH) != 0) report("integer", value, integer, general);
      }
    }
  } while (++bits != 0);
  return differ;
}

struct Read {
  bool accepted = false;
  FieldStatus status = FieldStatus::Ok;
  float value = -1.0f;
  int pos = 0;
};

bool same(const Read& a, const Read& b) {
  return a.status == b.status && a.pos == b.pos &&
         (a.status != FieldStatus::Ok || std::memcmp(&a.value, &b.value, sizeof a.value) == 0);
}

struct ReaderCounts {
  long fields = 0;
  long by_word = 0;
  long by_columns = 0;
  long by_plain = 0;
};

long compare_readers(ReaderCounts& counts) {
  static constexpr char ALPHABET[] = " 0123456789.-+";
  constexpr int LETTERS = sizeof ALPHABET - 1;
  constexpr int WIDTH = 8;
  long differ = 0;
  int index[WIDTH] = {};
  char field[WIDTH];
  for (;;) {
    for (int i = 0; i < WIDTH; ++i) field[i] = ALPHABET[index[i]];
    ++counts.fields;
    Read general;
    general.status = detail::get_fixed_general(field, WIDTH, general.pos, WIDTH, 3, general.value);
    Read routed;
    routed.status = formatted_io::get_fixed<WIDTH, 3>(field, WIDTH, routed.pos, routed.value);
    Read word;
    word.accepted = detail::get_fixed_word<WIDTH, 3>(field, WIDTH, word.pos, word.value);
    Read columns;
    columns.accepted =
        detail::get_fixed_columns<WIDTH, 3>(field, WIDTH, columns.pos, columns.value);
    Read plain;
    plain.accepted = detail::get_fixed_direct(field, WIDTH, plain.pos, WIDTH, 3, plain.value);
    counts.by_word += word.accepted;
    counts.by_columns += columns.accepted;
    counts.by_plain += plain.accepted;
    const bool agree =
        same(routed, general) && word.accepted == columns.accepted &&
        (!word.accepted || same(word, general)) && (!columns.accepted || same(columns, general)) &&
        (!plain.accepted || same(plain, general)) && (word.accepted || word.pos == 0);
    if (!agree && ++differ <= 10) {
      std::printf(
          "\"%.*s\": general %g (status %d), routed %g (status %d), word %d %g, columns %d %g, "
          "plain %d %g\n",
          WIDTH, field, static_cast<double>(general.value), static_cast<int>(general.status),
          static_cast<double>(routed.value), static_cast<int>(routed.status), word.accepted,
          static_cast<double>(word.value), columns.accepted, static_cast<double>(columns.value),
          plain.accepted, static_cast<double>(plain.value));
    }
    int i = WIDTH - 1;
    while (i >= 0 && ++index[i] == LETTERS) index[i--] = 0;
    if (i < 0) return differ;
  }
}

template <int WIDTH, int DECIMALS>
long run_writer() {
  long compared = 0;
  long by_word = 0;
  long by_integer = 0;
  const long differ = compare_writer<WIDTH, DECIMALS>(compared, by_word, by_integer);
  std::printf(
      "F%d.%d: 4294967296 floats, %ld compared with the general route (word route %ld, integer "
      "route %ld), %ld differ\n",
      WIDTH, DECIMALS, compared, by_word, by_integer, differ);
  return differ;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view what = argc > 1 ? argv[1] : "";
  long differ = 0;
  if (what == "writers" || what == "F8.3") differ += run_writer<8, 3>();
  if (what == "writers" || what == "F6.3") differ += run_writer<6, 3>();
  if (what == "readers") {
    ReaderCounts counts;
    differ = compare_readers(counts);
    std::printf(
        "F8.3 input: %ld fields, word route %ld, column route %ld, plain route %ld, %ld differ\n",
        counts.fields, counts.by_word, counts.by_columns, counts.by_plain, differ);
  }
  if (what != "writers" && what != "F8.3" && what != "F6.3" && what != "readers") {
    std::fprintf(stderr, "usage: exhaustive_fields writers|F8.3|F6.3|readers\n");
    return 2;
  }
  return differ == 0 ? 0 : 1;
}
