// The two routes of each real field, held to each other: the direct route
// (integer rounding for output, the plain forms for input) must give what the
// general route gives for every value and field it accepts. The boundaries
// of the digit module are checked on their own: one rounding with its carry,
// and the direct route's rounded integer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "formatted_io/real_fields.hpp"

namespace formatted_io {
namespace {

float from_bits(std::uint32_t bits) { return std::bit_cast<float>(bits); }

DigitString digits_of(std::vector<char> digits, int exponent) {
  DigitString ds{};
  for (std::size_t i = 0; i < digits.size(); ++i) ds.digits[i] = digits[i];
  ds.count = static_cast<int>(digits.size());
  ds.exponent = exponent;
  return ds;
}

std::string text_of(const DigitString& ds) {
  std::string text;
  for (int i = 0; i < ds.count; ++i) text += static_cast<char>('0' + ds.digits[i]);
  return text + " e" + std::to_string(ds.exponent);
}

TEST(RoundDigits, OneCarryMovesThePoint) {
  struct Row {
    std::vector<char> digits;
    int exponent;
    int wanted;
    const char* result;
  };
  // clang-format off
  const Row rows[] = {
      {{1, 2, 5},     0, 2, "13 e0"},
      {{1, 2, 4},     0, 2, "12 e0"},
      {{9, 9, 9, 6},  1, 3, "1 e2"},     // nines carry out: one place up
      {{9, 9, 9, 4},  1, 3, "999 e1"},
      {{1, 9, 9, 5},  1, 3, "200 e1"},
      {{5, 1},       -2, 0, "1 e-1"},    // no digit wanted, first digit 5 or more
      {{4, 9},       -2, 0, " e-2"},     // ... below 5: nothing left
      {{1, 2},        0, 5, "12 e0"},    // fewer digits than wanted: unchanged
  };
  // clang-format on
  for (const Row& row : rows) {
    DigitString ds = digits_of(row.digits, row.exponent);
    round_digits(ds, row.wanted);
    EXPECT_EQ(text_of(ds), row.result) << "to " << row.wanted << " digits";
  }
}

TEST(FixedUnits, RoundedIntegerOrDecline) {
  struct Row {
    float value;
    int decimals;
    bool accepted;
    std::uint64_t units;
    int kept;
  };
  // clang-format off
  const Row rows[] = {
      {12.3456f,          3, true,  12346,   3},
      {-12.3456f,         3, true,  12346,   3},   // the magnitude
      {0.5f,              3, true,  500,     3},
      {0.0004f,           3, true,  0,       3},   // rounds to zero
      {1234567.0f,        3, true,  1234567, 0},   // seven digits: no decimal kept
      {0.125f,            2, true,  13,      2},   // exact half: up
      {2.0005f,           3, true,  2000,    3},   // stored just below the half
      {0.0f,              3, false, 0,       0},
      {from_bits(1),      3, false, 0,       0},   // subnormal
      {8388608.0f,        3, false, 0,       0},   // 2^23: whole numbers only
      {1.0f,              8, false, 0,       0},   // more than seven decimals
      {1.0e-13f,          3, false, 0,       0},   // below 2^-40
  };
  // clang-format on
  for (const Row& row : rows) {
    std::uint64_t units = 0;
    int kept = 0;
    const bool accepted = fixed_units(row.value, row.decimals, units, kept);
    EXPECT_EQ(accepted, row.accepted) << row.value;
    if (!accepted || !row.accepted) continue;
    EXPECT_EQ(units, row.units) << row.value;
    EXPECT_EQ(kept, row.kept) << row.value;
  }
}

// Random bit patterns, the coordinate range and the floats around the
// half-way points of three decimals.
std::vector<float> sample_values() {
  std::mt19937 random(29);
  std::vector<float> values;
  std::uniform_int_distribution<std::uint32_t> bits;
  for (int i = 0; i < 100000; ++i) values.push_back(from_bits(bits(random)));
  std::uniform_real_distribution<double> coordinate(-99999.0, 99999.0);
  for (int i = 0; i < 100000; ++i) values.push_back(static_cast<float>(coordinate(random)));
  std::uniform_int_distribution<int> unit(0, 9999999);
  for (int i = 0; i < 30000; ++i) {
    const float half = static_cast<float>((unit(random) + 0.5) / 1000.0);
    const std::uint32_t centre = std::bit_cast<std::uint32_t>(half);
    for (std::uint32_t b = centre - 2; b <= centre + 2; ++b) values.push_back(from_bits(b));
  }
  return values;
}

TEST(FieldRoutes, DirectWriterAgreesWithGeneral) {
  struct Field {
    int width;
    int decimals;
  };
  // The program's real output fields, and some beside them.
  const Field fields[] = {{8, 3}, {6, 3}, {12, 4}, {12, 6}, {11, 5}, {5, 2},
                          {5, 0}, {3, 1}, {20, 7}, {4, 3},  {9, 0}};
  const std::vector<float> values = sample_values();
  for (const Field& f : fields) {
    long accepted = 0;
    int reported = 0;
    for (const float value : values) {
      std::string direct(static_cast<std::size_t>(f.width), '?');
      std::string general(static_cast<std::size_t>(f.width), '?');
      if (!detail::put_fixed_direct(value, f.width, f.decimals, direct.data())) continue;
      ++accepted;
      detail::put_fixed_general(value, f.width, f.decimals, general.data());
      if (direct != general && ++reported <= 5) {
        ADD_FAILURE() << "F" << f.width << "." << f.decimals << " of " << value << " ("
                      << std::bit_cast<std::uint32_t>(value) << "): direct \"" << direct
                      << "\", general \"" << general << "\"";
      }
    }
    // A route that declines everything would compare nothing.
    EXPECT_GT(accepted, static_cast<long>(values.size() / 4)) << f.width << "." << f.decimals;
  }
}

TEST(FieldRoutes, ConstantWidthWriterIsTheSameField) {
  for (const float value : sample_values()) {
    char constant[8];
    put_fixed<8, 3>(value, constant);
    ASSERT_EQ(std::string(constant, 8), put_fixed(value, 8, 3)) << value;
  }
}

struct Read {
  FieldStatus status;
  float value;
  int pos;
};

bool same(const Read& a, const Read& b) {
  return a.status == b.status && a.pos == b.pos &&
         (a.status != FieldStatus::Ok || std::memcmp(&a.value, &b.value, sizeof a.value) == 0);
}

// Fields read as F8.3 at column 3 of a line that may end inside them.
std::vector<std::string> sample_fields() {
  std::mt19937 random(31);
  std::vector<std::string> fields;
  const std::string letters = "  0123456789.-+eE,\t";
  std::uniform_int_distribution<std::size_t> letter(0, letters.size() - 1);
  std::uniform_int_distribution<int> length(0, 11);
  for (int i = 0; i < 200000; ++i) {
    std::string field = "ab";
    const int n = length(random);
    for (int j = 0; j < n; ++j) field += letters[letter(random)];
    fields.push_back(field);
  }
  // The writer's own fields, and the same with a digit or the point moved.
  std::uniform_real_distribution<double> coordinate(-1200.0, 1200.0);
  for (int i = 0; i < 50000; ++i) {
    std::string field = "ab" + put_fixed(static_cast<float>(coordinate(random)), 8, 3);
    fields.push_back(field);
    std::swap(field[5], field[6 + i % 4]);
    fields.push_back(field);
  }
  return fields;
}

TEST(FieldRoutes, DirectReadersAgreeWithGeneral) {
  long columns = 0;
  long plain = 0;
  int reported = 0;
  for (const std::string& line : sample_fields()) {
    const int length = static_cast<int>(line.size());
    Read general{};
    general.pos = 2;
    general.status =
        detail::get_fixed_general(line.data(), length, general.pos, 8, 3, general.value);
    Read routed{};
    routed.pos = 2;
    routed.status = get_fixed<8, 3>(line.data(), length, routed.pos, routed.value);
    Read direct{FieldStatus::Ok, 0.0f, 2};
    const bool by_columns =
        detail::get_fixed_columns<8, 3>(line.data(), length, direct.pos, direct.value);
    Read direct_plain{FieldStatus::Ok, 0.0f, 2};
    const bool by_plain =
        detail::get_fixed_direct(line.data(), length, direct_plain.pos, 8, 3, direct_plain.value);
    columns += by_columns;
    plain += by_plain;
    const bool agree = same(routed, general) && (!by_columns || same(direct, general)) &&
                       (!by_plain || same(direct_plain, general));
    if (!agree && ++reported <= 5) {
      ADD_FAILURE() << "\"" << line << "\": general " << general.value << " status "
                    << static_cast<int>(general.status) << " pos " << general.pos << "; routed "
                    << routed.value << ", columns " << by_columns << " " << direct.value
                    << ", plain " << by_plain << " " << direct_plain.value;
    }
  }
  EXPECT_GT(columns, 40000);
  EXPECT_GT(plain, 50000);
}

// ---- Word routes --------------------------------------------------------------

// One field of the word writer: its route, the general route, and the
// constant-width writer the record functions call.
struct WordWriter {
  int width;
  int decimals;
  bool (*word)(float, char*);
  void (*routed)(float, char*);
};

template <int WIDTH, int DECIMALS>
WordWriter word_writer() {
  static_assert(detail::WORD_WRITER<WIDTH, DECIMALS> || !detail::WORDS_IN_MEMORY_ORDER);
  return {WIDTH, DECIMALS, &detail::put_fixed_word<WIDTH, DECIMALS>, &put_fixed<WIDTH, DECIMALS>};
}

// Every field shape the word writer takes: 1 to 3 decimals, up to 8 wide,
// the program's F8.3 and F6.3 first.
std::vector<WordWriter> word_writers() {
  return {word_writer<8, 3>(), word_writer<6, 3>(), word_writer<5, 3>(), word_writer<7, 3>(),
          word_writer<8, 2>(), word_writer<7, 2>(), word_writer<4, 2>(), word_writer<8, 1>(),
          word_writer<5, 1>(), word_writer<3, 1>()};
}

// The floats next to `value`, `around` steps each way.
void add_neighbours(std::vector<float>& values, float value, int around) {
  const std::uint32_t centre = std::bit_cast<std::uint32_t>(value);
  for (int d = -around; d <= around; ++d)
    values.push_back(from_bits(centre + static_cast<std::uint32_t>(d)));
}

// The boundaries of the word writer: halves of the last place (and the
// floats beside them), carries into a new digit, the largest and smallest
// magnitudes that fit or round to zero, subnormals, zeros, infinities, NaNs.
std::vector<float> word_boundaries() {
  std::vector<float> values;
  const float halves[] = {0.0005f, 0.0015f, 0.0025f, 2.0005f, 0.125f, 0.375f, 0.05f,
                          0.15f,   0.005f,  0.015f,  0.5f,    1.5f,   2.5f,   1234.5675f,
                          0.0045f, 0.045f,  0.45f,   4.5f,    45.5f};
  const float carries[] = {9.9995f,  9.995f,   9.95f,      99.9995f,  99.995f,  99.95f,  999.9995f,
                           999.995f, 999.95f,  9999.9995f, 9999.995f, 9999.95f, 0.9995f, 0.995f,
                           0.95f,    10000.0f, 9999.0f,    999.0f,    99.0f,    9.0f,    100.0f,
                           1000.0f,  10.0f,    1.0f,       8192.0f,   16384.0f};
  for (const float v : halves) {
    add_neighbours(values, v, 3);
    add_neighbours(values, -v, 3);
  }
  for (const float v : carries) {
    add_neighbours(values, v, 3);
    add_neighbours(values, -v, 3);
  }
  for (int d = 0; d <= 4; ++d) {
    // Just below and at the word route's bounds, both signs.
    const float bound = static_cast<float>(0.5 / static_cast<double>(detail::EXACT_POWERS[d]));
    add_neighbours(values, bound, 3);
    add_neighbours(values, -bound, 3);
  }
  const std::uint32_t special[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x80000001u, 0x007FFFFFu,
                                   0x807FFFFFu, 0x00800000u, 0x80800000u, 0x7F7FFFFFu, 0xFF7FFFFFu,
                                   0x7F800000u, 0xFF800000u, 0x7FC00000u, 0xFFC00000u, 0x7F800001u,
                                   0x7FFFFFFFu, 0x3A800000u, 0x3A000000u, 0x39FFFFFFu};
  for (const std::uint32_t b : special) values.push_back(from_bits(b));
  return values;
}

TEST(WordRoutes, WriterWorkedExamples) {
  if (!detail::WORDS_IN_MEMORY_ORDER) GTEST_SKIP() << "big-endian: the word routes decline";
  struct Row {
    float value;
    const char* f83;
    const char* f63;
  };
  // clang-format off
  const Row rows[] = {
      {12.3456f,    "  12.346", "12.346"},
      {-12.3456f,   " -12.346", "******"},
      {0.5f,        "    .500", "  .500"},
      {-0.5f,       "   -.500", " -.500"},
      {-0.0004f,    "    .000", "  .000"},   // rounds to zero: no sign
      {-0.0005f,    "   -.001", " -.001"},   // stored just above the half
      {-0.0f,       "    .000", "  .000"},
      {from_bits(1), "    .000", "  .000"},  // subnormal
      {2.0005f,     "   2.000", " 2.000"},   // stored just below the half
      {9.9996f,     "  10.000", "10.000"},   // carry into a new digit
      {-9.9996f,    " -10.000", "******"},
      {99.9996f,    " 100.000", "******"},
      {999.9995f,   "1000.000", "******"},
      {-999.9995f,  "********", "******"},
      {-999.999f,   "-999.999", "******"},
      {9999.999f,   "9999.999", "******"},
      {-9.999f,     "  -9.999", "-9.999"},
      {99.999f,     "  99.999", "99.999"},
      {1234.5678f,  "1234.568", "******"},
      {0.000999f,   "    .001", "  .001"},
      {7.0f,        "   7.000", " 7.000"},
  };
  // clang-format on
  for (const Row& row : rows) {
    char f83[8];
    char f63[6];
    ASSERT_TRUE((detail::put_fixed_word<8, 3>(row.value, f83))) << row.value;
    ASSERT_TRUE((detail::put_fixed_word<6, 3>(row.value, f63))) << row.value;
    EXPECT_EQ(std::string(f83, 8), row.f83) << row.value;
    EXPECT_EQ(std::string(f63, 6), row.f63) << row.value;
    EXPECT_EQ(std::string(f83, 8), put_fixed(row.value, 8, 3)) << row.value;
    EXPECT_EQ(std::string(f63, 6), put_fixed(row.value, 6, 3)) << row.value;
  }
  // From 9999.9995 on (the float after 9999.999f is 10000), infinities and
  // NaNs: the other routes.
  char out[8];
  for (const float v : {10000.0f, -10000.0f, 1.0e6f, 3.0e38f, std::bit_cast<float>(0x7F800000u),
                        std::bit_cast<float>(0x7FC00000u)}) {
    EXPECT_FALSE((detail::put_fixed_word<8, 3>(v, out))) << v;
  }
}

TEST(WordRoutes, WriterAgreesWithGeneral) {
  std::vector<float> values = sample_values();
  const std::vector<float> boundaries = word_boundaries();
  values.insert(values.end(), boundaries.begin(), boundaries.end());
  for (const WordWriter& f : word_writers()) {
    long accepted = 0;
    int reported = 0;
    for (const float value : values) {
      std::string word(static_cast<std::size_t>(f.width), '?');
      std::string general(static_cast<std::size_t>(f.width), '?');
      std::string routed(static_cast<std::size_t>(f.width), '?');
      detail::put_fixed_general(value, f.width, f.decimals, general.data());
      f.routed(value, routed.data());
      const bool by_word = f.word(value, word.data());
      accepted += by_word;
      if ((routed != general || (by_word && word != general)) && ++reported <= 5) {
        ADD_FAILURE() << "F" << f.width << "." << f.decimals << " of " << value << " ("
                      << std::bit_cast<std::uint32_t>(value) << "): word " << by_word << " \""
                      << word << "\", routed \"" << routed << "\", general \"" << general << "\"";
      }
      if (!by_word) {
        // Declined: the field is untouched, and only from 10^4 units on.
        EXPECT_EQ(word, std::string(static_cast<std::size_t>(f.width), '?'));
        EXPECT_TRUE(!std::isfinite(value) ||
                    std::fabs(static_cast<double>(value)) * detail::EXACT_POWERS[f.decimals] >=
                        9999.0 * detail::EXACT_POWERS[f.decimals])
            << value;
      }
    }
    if (detail::WORDS_IN_MEMORY_ORDER) {
      EXPECT_GT(accepted, static_cast<long>(values.size() / 3)) << f.width << "." << f.decimals;
    } else {
      EXPECT_EQ(accepted, 0);
    }
  }
}

// Fields for the word reader: every prefix of four columns over blank,
// signs, digits, point and two other characters, with decimals that are
// digits or not; the fields of sample_fields(); and bytes from 0xF0 up
// (whose carries the digit test must survive) beside digits and the point.
std::vector<std::string> word_reader_fields() {
  std::vector<std::string> fields;
  const std::string column = " -+09.5x";
  const char* tails[] = {".000",
                         ".123",
                         ".999",
                         ".12 ",
                         ". 12",
                         "5123",
                         ".1-2",
                         "-.12",
                         "..12",
                         ".1a2",
                         ",123",
                         ".12\xff",
                         "\xff"
                         "123",
                         ".\xfa"
                         "99"};
  for (const char a : column) {
    for (const char b : column) {
      for (const char c : column) {
        for (const char d : column) {
          for (const char* tail : tails) fields.push_back(std::string{a, b, c, d} + tail);
        }
      }
    }
  }
  const std::string high = "\xf0\xf5\xf9\xfa\xfb\xfd\xff 09.-+";
  for (const char a : high) {
    for (const char b : high) {
      for (const char c : std::string("\xfa\xff"
                                      "9.")) {
        fields.push_back(std::string{' ', a, b, '9'} + c + "999");
        fields.push_back(std::string{a, '9', b, '9'} + ".9" + c + "9");
        fields.push_back(std::string{' ', ' ', a, b} + ".99" + c);
      }
    }
  }
  return fields;
}

TEST(WordRoutes, ReaderWorkedExamples) {
  if (!detail::WORDS_IN_MEMORY_ORDER) GTEST_SKIP() << "big-endian: the word routes decline";
  struct Row {
    const char* field;
    bool accepted;
    float value;
  };
  // clang-format off
  const Row rows[] = {
      {"  27.340", true,  27.34f},
      {" -12.345", true,  -12.345f},
      {"-123.456", true,  -123.456f},
      {"+123.456", true,  123.456f},
      {"9999.999", true,  9999.999f},
      {"0000.000", true,  0.0f},
      {"    .500", true,  0.5f},
      {"   -.500", true,  -0.5f},
      {"   -.000", true,  -0.0f},
      {"   1.2345", true, 1.234f},    // the ninth column is not the field's
      {" - 1.234", false, 0.0f},      // blank between sign and digits
      {"1 23.456", false, 0.0f},      // digit before a blank
      {"  +-.000", false, 0.0f},      // two signs
      {" 12.3456", false, 0.0f},      // point elsewhere
      {"  12.34 ", false, 0.0f},      // blank among the decimals
      {"  12,345", false, 0.0f},
      {"     .  ", false, 0.0f},
  };
  // clang-format on
  for (const Row& row : rows) {
    std::string line = row.field;
    float value = 99.0f;
    int pos = 0;
    const bool accepted =
        detail::get_fixed_word<8, 3>(line.data(), static_cast<int>(line.size()), pos, value);
    EXPECT_EQ(accepted, row.accepted) << line;
    if (!accepted) {
      EXPECT_EQ(pos, 0) << line;
      continue;
    }
    EXPECT_EQ(pos, 8) << line;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(value), std::bit_cast<std::uint32_t>(row.value)) << line;
  }
  // A line that ends inside the field: declined.
  float value = 0.0f;
  int pos = 1;
  EXPECT_FALSE((detail::get_fixed_word<8, 3>("x  27.340", 8, pos, value)));
  EXPECT_EQ(pos, 1);
}

TEST(WordRoutes, ReaderTakesExactlyTheColumnFields) {
  std::vector<std::string> fields = word_reader_fields();
  for (const std::string& line : sample_fields()) fields.push_back(line.substr(2));
  long accepted = 0;
  int reported = 0;
  for (const std::string& field : fields) {
    // At column 1 of a line, so that the word is not aligned.
    const std::string line = "#" + field;
    const int length = static_cast<int>(line.size());
    Read general{};
    general.pos = 1;
    general.status =
        detail::get_fixed_general(line.data(), length, general.pos, 8, 3, general.value);
    Read word{FieldStatus::Ok, 0.0f, 1};
    const bool by_word = detail::get_fixed_word<8, 3>(line.data(), length, word.pos, word.value);
    Read columns{FieldStatus::Ok, 0.0f, 1};
    const bool by_columns =
        detail::get_fixed_columns<8, 3>(line.data(), length, columns.pos, columns.value);
    Read routed{};
    routed.pos = 1;
    routed.status = get_fixed<8, 3>(line.data(), length, routed.pos, routed.value);
    accepted += by_word;
    const bool agree = same(routed, general) && (!by_columns || same(columns, general)) &&
                       (by_word ? same(word, general) : word.pos == 1) &&
                       (by_word == by_columns || !detail::WORDS_IN_MEMORY_ORDER);
    if (!agree && ++reported <= 5) {
      ADD_FAILURE() << "\"" << field << "\": general " << general.value << " status "
                    << static_cast<int>(general.status) << "; word " << by_word << " " << word.value
                    << ", columns " << by_columns << " " << columns.value << ", routed "
                    << routed.value;
    }
  }
  if (detail::WORDS_IN_MEMORY_ORDER) {
    EXPECT_GT(accepted, 30000);
  }
}

}  // namespace
}  // namespace formatted_io
