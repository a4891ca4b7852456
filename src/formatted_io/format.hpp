// Format strings: a parenthesised list of descriptors applied in order to the
// items of one read or write. A format is parsed at compile time into a fixed
// array of descriptors and, being a plain value, is a template argument of
// the record functions: each statement's walk is decided by the compiler.
//
//   "(a,3f8.3/)" -> A, F8.3 x3, /
//   "(/a$)"      -> /, A, $
//   "(14X,A3,A3)" -> 14X, A3, A3      (either letter case)
#pragma once

#include <array>
#include <cstdlib>
#include <string_view>

namespace formatted_io {

enum class DescriptorKind { Text, Integer, Fixed, Exponent, Skip, Slash, Dollar };

struct Descriptor {
  DescriptorKind kind = DescriptorKind::Text;
  int repeat = 1;  // data descriptors only: "3f8.3" repeats F8.3 three times
  int width = 0;   // A: 0 means "the item's own length"; nX: n
  int decimals = 0;
};

constexpr bool is_data(DescriptorKind kind) {
  return kind == DescriptorKind::Text || kind == DescriptorKind::Integer ||
         kind == DescriptorKind::Fixed || kind == DescriptorKind::Exponent;
}

// Reached only when a format literal is malformed; in a constant expression
// the call makes the build fail.
[[noreturn]] inline void format_syntax_error() { std::abort(); }

// Its data members are public only so that it can be a template argument.
class Format {
 public:
  static constexpr int MAX_DESCRIPTORS = 16;

  constexpr explicit Format(std::string_view text) { parse(text); }

  constexpr int size() const { return descriptor_count; }
  constexpr const Descriptor& operator[](int i) const {
    return descriptors[static_cast<std::size_t>(i)];
  }

  std::array<Descriptor, MAX_DESCRIPTORS> descriptors{};
  int descriptor_count = 0;

 private:
  static constexpr char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  static constexpr bool digit(char c) { return c >= '0' && c <= '9'; }

  // Reads an unsigned number at `pos`; -1 when there is none.
  static constexpr int number(std::string_view s, std::size_t& pos) {
    if (pos >= s.size() || !digit(s[pos])) return -1;
    int value = 0;
    while (pos < s.size() && digit(s[pos])) value = value * 10 + (s[pos++] - '0');
    return value;
  }

  constexpr void add(const Descriptor& d) {
    if (descriptor_count == MAX_DESCRIPTORS) format_syntax_error();
    descriptors[static_cast<std::size_t>(descriptor_count++)] = d;
  }

  constexpr void parse(std::string_view s) {
    std::size_t pos = 0;
    if (s.empty() || s[0] != '(') format_syntax_error();
    ++pos;
    bool closed = false;
    while (pos < s.size() && !closed) {
      const char c = lower(s[pos]);
      if (c == ',' || c == ' ') {
        ++pos;
        continue;
      }
      if (c == ')') {
        closed = true;
        ++pos;
        continue;
      }
      if (c == '/') {
        add({DescriptorKind::Slash, 1, 0, 0});
        ++pos;
        continue;
      }
      if (c == '$') {
        add({DescriptorKind::Dollar, 1, 0, 0});
        ++pos;
        continue;
      }
      const int repeat = number(s, pos);
      if (pos >= s.size()) format_syntax_error();
      const char letter = lower(s[pos++]);
      Descriptor d;
      d.repeat = repeat < 0 ? 1 : repeat;
      switch (letter) {
        case 'x':
          if (repeat < 0) format_syntax_error();
          d = {DescriptorKind::Skip, 1, repeat, 0};
          break;
        case 'a': {
          d.kind = DescriptorKind::Text;
          const int w = number(s, pos);
          d.width = w < 0 ? 0 : w;
          break;
        }
        case 'i':
          d.kind = DescriptorKind::Integer;
          d.width = number(s, pos);
          if (d.width <= 0) format_syntax_error();
          break;
        case 'f':
        case 'e': {
          d.kind = letter == 'f' ? DescriptorKind::Fixed : DescriptorKind::Exponent;
          d.width = number(s, pos);
          if (d.width <= 0 || pos >= s.size() || s[pos] != '.') format_syntax_error();
          ++pos;
          d.decimals = number(s, pos);
          if (d.decimals < 0) format_syntax_error();
          break;
        }
        default:
          format_syntax_error();
      }
      if (d.repeat <= 0) format_syntax_error();
      add(d);
    }
    if (!closed || pos != s.size()) format_syntax_error();
  }
};

}  // namespace formatted_io
