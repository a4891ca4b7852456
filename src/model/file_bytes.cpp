// What kind of structure file a file is, by its first bytes.
#include "model/file_bytes.hpp"

#include <string>
#include <string_view>

#include "torvex/structure_files.hpp"

namespace model {

void fail_file(torvex::Error::Kind kind, const std::string& path, const std::string& why) {
  throw torvex::Error(kind, 0, path + ": " + why);
}

bool is_mmcif(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '#') {
      while (i < bytes.size() && bytes[i] != '\n') ++i;
    } else {
      return bytes.size() - i >= 5 && (bytes[i] == 'd' || bytes[i] == 'D') &&
             (bytes[i + 1] == 'a' || bytes[i + 1] == 'A') &&
             (bytes[i + 2] == 't' || bytes[i + 2] == 'T') &&
             (bytes[i + 3] == 'a' || bytes[i + 3] == 'A') && bytes[i + 4] == '_';
    }
  }
  return false;
}

bool is_gzip(std::string_view bytes) {
  return bytes.size() >= 2 && bytes[0] == '\x1f' && bytes[1] == '\x8b';
}

#ifdef TORVEX_NO_STRUCTURE_RUN
bool has_structure_run() { return false; }
#else
bool has_structure_run() { return true; }
#endif

}  // namespace model

// Only the first bytes: a legacy run pays almost nothing for the question.
bool torvex::is_modern_file(const std::string& path) {
  const model::FileBytes head = model::read_file_head(path, 4096);
  return head.gzipped || model::is_mmcif(head.bytes);
}

std::string torvex::results_name(const std::string& moving_path) {
  std::size_t own = 0;
  for (std::size_t i = 0; i < moving_path.size(); ++i) {
    if (moving_path[i] == '/' || moving_path[i] == '\\') own = i + 1;
  }
  const std::size_t dot = moving_path.find('.', own);
  if (dot == std::string::npos) return moving_path + "_mvd";
  return moving_path.substr(0, dot) + "_mvd" + moving_path.substr(dot);
}
