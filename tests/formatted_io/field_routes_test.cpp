// The two routes of each real field, held to each other: the direct route
// (integer rounding for output, the plain forms for input) must give what the
// general route gives for every value and field it accepts. The boundaries
// of the digit module are checked on their own: one rounding with its carry,
// and the direct route's rounded integer.
#include <gtest/gtest.h>

#include <bit>
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
      std::string fast(static_cast<std::size_t>(f.width), '?');
      std::string general(static_cast<std::size_t>(f.width), '?');
      if (!detail::put_fixed_fast(value, f.width, f.decimals, fast.data())) continue;
      ++accepted;
      detail::put_fixed_general(value, f.width, f.decimals, general.data());
      if (fast != general && ++reported <= 5) {
        ADD_FAILURE() << "F" << f.width << "." << f.decimals << " of " << value << " ("
                      << std::bit_cast<std::uint32_t>(value) << "): direct \"" << fast
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
        detail::get_fixed_fast(line.data(), length, direct_plain.pos, 8, 3, direct_plain.value);
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

}  // namespace
}  // namespace formatted_io
