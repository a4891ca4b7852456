// File keys: the name split at its last folder separator after the links
// are followed; the folder part identified as the system finds it.
#include "formatted_io/file_key.hpp"

#include <cstring>

namespace formatted_io {

void locate_file(const char* name, FileKey& key) {
  // Field by field: the name arrays are large and need no clearing.
  key.exists = false;
  key.folder_exists = false;
  key.name[0] = '\0';
  char path[FILE_KEY_PATH_BYTES];
  if (!follow_links(name, path, FILE_KEY_PATH_BYTES)) return;
  key.exists = identify_file(path, key.file);
  int own = 0;
  for (int i = 0; path[i] != '\0'; ++i) {
    if (is_folder_separator(path[i])) own = i + 1;
  }
  std::strcpy(key.name, path + own);
  // The folder with its last separator, so that "/x" keeps "/" and "c:x"
  // never occurs: a name without a separator lies in ".".
  char folder[FILE_KEY_PATH_BYTES];
  if (own > 0) {
    std::memcpy(folder, path, static_cast<std::size_t>(own));
    folder[own] = '\0';
  } else {
    std::strcpy(folder, ".");
  }
  key.folder_exists = identify_file(folder, key.folder);
}

bool same_file(const FileKey& a, const FileKey& b) {
  if (a.exists && b.exists) return a.file == b.file;
  return a.folder_exists && b.folder_exists && a.folder == b.folder &&
         std::strcmp(a.name, b.name) == 0;
}

}  // namespace formatted_io
