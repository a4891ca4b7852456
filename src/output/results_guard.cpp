// The input-safety rule, by file keys: identity for what exists, folder and
// name for what does not yet.
#include "output/results_guard.hpp"

#include <cassert>

namespace output {

void KeptFiles::keep(const char* name) {
  assert(count < MAX);
  formatted_io::locate_file(name, keys[count++]);
}

bool may_write(const char* name, const KeptFiles& kept) {
  formatted_io::FileKey key;
  formatted_io::locate_file(name, key);
  for (int i = 0; i < kept.count; ++i) {
    if (formatted_io::same_file(key, kept.keys[i])) return false;
  }
  return true;
}

}  // namespace output
