// The structure run of the command line: PDBx/mmCIF or gzip inputs, or any
// option that chooses, pairs or trims atoms.
#pragma once

namespace app {

// Runs the structure run when the arguments ask for one and returns its exit
// status; returns RUN_GOES_ON (app/command_line.hpp) when the arguments are
// the legacy run's, which then runs as it always has.
//   torvex a.pdb b.pdb           -> RUN_GOES_ON
//   torvex a.cif b.cif           -> 0, the report on standard output
//   torvex --atoms ca a.pdb b.pdb -> 0
int run_structure(int argc, char** argv);

}  // namespace app
