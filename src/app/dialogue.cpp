// Answers and file names of the console dialogue.
#include "app/dialogue.hpp"

#include <cstring>
#include <string_view>

namespace app {

using output::NAME_LEN;

void upper_case(char* field, int n) {
  for (int i = 0; i < n; ++i) {
    if (field[i] >= 'a' && field[i] <= 'z') field[i] = static_cast<char>(field[i] - 32);
  }
}

char read_answer(formatted_io::Io& io) {
  static constexpr formatted_io::Format ANSWER("(a1)");
  char answer[1];
  formatted_io::read_record<ANSWER>(io, formatted_io::CONSOLE, answer);
  upper_case(answer, 1);
  if (answer[0] == ' ' || answer[0] == '\r') answer[0] = 'Y';
  return answer[0];
}

namespace {

// base + suffix, cut to 50 characters and padded with blanks.
void join_name(const char* base, int base_length, std::string_view suffix, char* name) {
  std::memset(name, ' ', NAME_LEN);
  std::memcpy(name, base, static_cast<std::size_t>(base_length));
  for (std::size_t i = 0; i < suffix.size() && base_length + static_cast<int>(i) < NAME_LEN; ++i) {
    name[base_length + static_cast<int>(i)] = suffix[i];
  }
}

int position_of(const char* field, char c, int length) {
  const void* found = std::memchr(field, c, static_cast<std::size_t>(length));
  return found ? static_cast<int>(static_cast<const char*>(found) - field) : -1;
}

}  // namespace

void make_input_name(const char* typed, char* name) {
  // No blank, or a leading one, leaves the base empty.
  const int blank = position_of(typed, ' ', NAME_LEN);
  join_name(typed, blank < 0 ? 0 : blank, ".pdb", name);
}

int make_results_name(const char* moving, char* results) {
  // The file's own name starts after the last folder separator: a dot in a
  // folder's name, or in "..", must not cut the path.
  int own = 0;
  for (int i = 0; i < NAME_LEN; ++i) {
    if (formatted_io::is_folder_separator(moving[i])) own = i + 1;
  }
  const int dot = position_of(moving + own, '.', NAME_LEN - own);
  // Only a name given whole on the command line can lack the dot: then all
  // of it is kept.
  const int blank = position_of(moving, ' ', NAME_LEN);
  const int base = dot >= 0 ? own + dot : blank < 0 ? NAME_LEN : blank;
  constexpr std::string_view SUFFIX = "_mvd.pdb";
  join_name(moving, base, SUFFIX, results);
  return base + static_cast<int>(SUFFIX.size());
}

const char* file_name(const char* field, char* out) {
  int first = 0;
  int last = NAME_LEN;
  while (first < last && field[first] == ' ') ++first;
  while (last > first && field[last - 1] == ' ') --last;
  std::memcpy(out, field + first, static_cast<std::size_t>(last - first));
  out[last - first] = '\0';
  return out;
}

}  // namespace app
