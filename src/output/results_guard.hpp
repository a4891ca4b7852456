// The one rule for writing a results file (or a summary): it may replace
// any file but those the run keeps, under whatever name: the structures it
// still reads and the results it wrote before. The dialogue, the command
// line and the library all ask here.
#pragma once

#include "formatted_io/file_key.hpp"

namespace output {

// The files a run keeps: at most the target, the moving and the further
// structure and the two results files.
struct KeptFiles {
  static constexpr int MAX = 6;
  formatted_io::FileKey keys[MAX];
  int count = 0;

  // Keeps the file `name` leads to.
  void keep(const char* name);
};

// False when `name` leads to a kept file:
//   kept {"t.pdb"}: "t.pdb", "./t.pdb", a link to t.pdb -> false; "o.pdb" -> true
bool may_write(const char* name, const KeptFiles& kept);

}  // namespace output
