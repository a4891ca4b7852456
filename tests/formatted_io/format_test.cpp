// Format strings: what the parser makes of each format shape the program
// writes. The formats are parsed as constants, as the program declares them,
// so a format the parser rejects fails the build rather than a run.
#include "formatted_io/format.hpp"

#include <gtest/gtest.h>

#include <string>

namespace formatted_io {
namespace {

// One word per descriptor: "3F8.3" is F8.3 repeated three times, "A" is A
// without a width.
std::string describe(const Format& format) {
  std::string text;
  for (int i = 0; i < format.size(); ++i) {
    const Descriptor& d = format[i];
    if (!text.empty()) text += ' ';
    if (d.repeat != 1) text += std::to_string(d.repeat);
    switch (d.kind) {
      case DescriptorKind::Text:
        text += 'A';
        if (d.width != 0) text += std::to_string(d.width);
        break;
      case DescriptorKind::Integer:
        text += 'I' + std::to_string(d.width);
        break;
      case DescriptorKind::Fixed:
        text += 'F' + std::to_string(d.width) + '.' + std::to_string(d.decimals);
        break;
      case DescriptorKind::Exponent:
        text += 'E' + std::to_string(d.width) + '.' + std::to_string(d.decimals);
        break;
      case DescriptorKind::Skip:
        text += std::to_string(d.width) + 'X';
        break;
      case DescriptorKind::Slash:
        text += '/';
        break;
      case DescriptorKind::Dollar:
        text += '$';
        break;
    }
  }
  return text;
}

TEST(Format, DescriptorsOfEachShape) {
  // clang-format off
  static constexpr Format A("(a)");
  static constexpr Format A_TEXT_THEN_EMPTY("(a/)");
  static constexpr Format EMPTY_THEN_A("(/a)");
  static constexpr Format EMPTY_A_EMPTY("(/a/)");
  static constexpr Format PROMPT("(/a$)");
  static constexpr Format COUNT_LINE("(a,i5/)");
  static constexpr Format MISMATCH("(a,i5,a,a)");
  static constexpr Format CENTRE("(/a,3f8.3)");
  static constexpr Format VALUES("(4e12.5,i5)");
  static constexpr Format VECTOR_ROW("(4f12.6)");
  static constexpr Format MATRIX_ROW("(3f11.5)");
  static constexpr Format NAMES("(/a,a,a/)");
  static constexpr Format COLUMNS("(14x,a3,a3)");
  static constexpr Format COORDINATES("(30x,3f8.3)");
  static constexpr Format WIDE_TEXT("(a30,a12)");
  static constexpr Format ANSWER("(a1)");
  static constexpr Format MANY("(12f8.3,10x,i2)");

  EXPECT_EQ(describe(A),                 "A");
  EXPECT_EQ(describe(A_TEXT_THEN_EMPTY), "A /");
  EXPECT_EQ(describe(EMPTY_THEN_A),      "/ A");
  EXPECT_EQ(describe(EMPTY_A_EMPTY),     "/ A /");
  EXPECT_EQ(describe(PROMPT),            "/ A $");
  EXPECT_EQ(describe(COUNT_LINE),        "A I5 /");
  EXPECT_EQ(describe(MISMATCH),          "A I5 A A");
  EXPECT_EQ(describe(CENTRE),            "/ A 3F8.3");
  EXPECT_EQ(describe(VALUES),            "4E12.5 I5");
  EXPECT_EQ(describe(VECTOR_ROW),        "4F12.6");
  EXPECT_EQ(describe(MATRIX_ROW),        "3F11.5");
  EXPECT_EQ(describe(NAMES),             "/ A A A /");
  EXPECT_EQ(describe(COLUMNS),           "14X A3 A3");
  EXPECT_EQ(describe(COORDINATES),       "30X 3F8.3");
  EXPECT_EQ(describe(WIDE_TEXT),         "A30 A12");
  EXPECT_EQ(describe(ANSWER),            "A1");
  EXPECT_EQ(describe(MANY),              "12F8.3 10X I2");
  // clang-format on
}

TEST(Format, EitherLetterCase) {
  static constexpr Format UPPER("(14X,A3,A3,4E13.5,I5,3F8.3)");
  static constexpr Format LOWER("(14x,a3,a3,4e13.5,i5,3f8.3)");
  static constexpr Format MIXED("(14x,A3,a3,4E13.5,i5,3F8.3)");
  EXPECT_EQ(describe(UPPER), "14X A3 A3 4E13.5 I5 3F8.3");
  EXPECT_EQ(describe(LOWER), describe(UPPER));
  EXPECT_EQ(describe(MIXED), describe(UPPER));
}

TEST(Format, SlashAndDollarNeedNoComma) {
  // With or without commas beside "/" and "$", the same descriptors.
  static constexpr Format BARE("(/a$)");
  static constexpr Format COMMAS("(/,a,$)");
  static constexpr Format DOUBLE_SLASH("(a//a)");
  EXPECT_EQ(describe(BARE), describe(COMMAS));
  EXPECT_EQ(describe(DOUBLE_SLASH), "A / / A");
}

TEST(Format, DescriptorFields) {
  // The walker reads kind, repeat, width and decimals directly.
  static constexpr Format f("(3f8.3,e13.5,25x,a)");
  static_assert(f.size() == 4);
  EXPECT_EQ(f[0].kind, DescriptorKind::Fixed);
  EXPECT_EQ(f[0].repeat, 3);
  EXPECT_EQ(f[0].width, 8);
  EXPECT_EQ(f[0].decimals, 3);
  EXPECT_EQ(f[1].kind, DescriptorKind::Exponent);
  EXPECT_EQ(f[1].repeat, 1);
  EXPECT_EQ(f[1].width, 13);
  EXPECT_EQ(f[1].decimals, 5);
  EXPECT_EQ(f[2].kind, DescriptorKind::Skip);
  EXPECT_EQ(f[2].width, 25);
  EXPECT_FALSE(is_data(f[2].kind));
  EXPECT_EQ(f[3].kind, DescriptorKind::Text);
  EXPECT_EQ(f[3].width, 0);  // the item's own length
  EXPECT_TRUE(is_data(f[3].kind));
}

}  // namespace
}  // namespace formatted_io
