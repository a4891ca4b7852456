// Telling whether two names lead to one file, before either exists: two
// names of an existing file share its identity; two names of a file yet to
// be written share its folder's identity and its own name, once symbolic
// links are followed, a dangling one too. So "./o.pdb" and "o.pdb", or a link
// "s.json" to the missing "m_mvd.pdb", name one file.
#pragma once

#include "formatted_io/platform.hpp"

namespace formatted_io {

// The longest name that is resolved; a longer one names no known file.
constexpr int FILE_KEY_PATH_BYTES = 4096;

struct FileKey {
  bool exists = false;  // the file: its identity in `file`
  FileId file;
  bool folder_exists = false;  // its folder: identity in `folder`
  FileId folder;
  char name[FILE_KEY_PATH_BYTES];  // its own name, after the last separator
};

// The key of `name`, links followed.
//   "d/../x.pdb" -> folder: the identity of ".", name "x.pdb"
void locate_file(const char* name, FileKey& key);

// One file: the same existing file, or the same name in the same folder.
bool same_file(const FileKey& a, const FileKey& b);

}  // namespace formatted_io
