// File names as the run keeps them: 50-character fields padded with blanks.
#pragma once

#include <string_view>

namespace output {

// Every file name is a field of this many characters, padded with blanks.
constexpr int NAME_LEN = 50;

// A name field up to and including its first blank, so that one blank
// follows the name; a field without a blank gives an empty cut name.
//   "1abc.pdb" + 42 blanks -> "1abc.pdb "
inline std::string_view cut_name(const char* field) {
  for (int i = 0; i < NAME_LEN; ++i) {
    if (field[i] == ' ') return std::string_view(field, static_cast<std::size_t>(i + 1));
  }
  return {};
}

}  // namespace output
