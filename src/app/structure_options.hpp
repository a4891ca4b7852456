// The command line of a structure run: the legacy options and the options
// that choose, pair and trim atoms. Any of the latter, or an input that is
// PDBx/mmCIF or gzip-compressed, makes the run a structure run.
#pragma once

#include <string>
#include <vector>

#include "torvex/structure_run.hpp"

namespace app {

struct StructureArgs {
  std::vector<std::string> names;  // TARGET MOVING [FURTHER], as typed
  bool yes = false;
  bool quiet = false;
  bool help_or_version = false;
  std::string output;
  std::string summary;  // --json; "-" for standard output
  std::string pairs;    // --pairs
  int model = 1;
  std::string select;
  std::string target_select;
  std::string moving_select;
  bool target_select_given = false;
  bool moving_select_given = false;
  torvex::Options options;
  bool new_option = false;  // an option only the structure run knows
  std::string error;        // a usage error, one line
};

// Whether the arguments make a structure run: an option only it knows, or a
// TARGET, MOVING or FURTHER file that is gzip-compressed or PDBx/mmCIF by
// its first bytes. Allocates nothing, so that a legacy run stays a run
// without heap allocations of its own.
//   a.pdb b.pdb           -> false
//   --atoms ca a.pdb b.pdb -> true
//   a.cif.gz b.pdb        -> true (by content)
bool wants_structure_run(int argc, char** argv);

// Reads argv[1..]. The first usage error found is kept in `error`; reading
// goes on so that a later option still marks a structure run.
//   --atoms ca a.cif b.cif -> new_option, options.atoms Ca, names a.cif b.cif
//   --match tree a b       -> error "unknown --match 'tree' (order, residue, sequence)"
StructureArgs read_structure_args(int argc, char** argv);

}  // namespace app
