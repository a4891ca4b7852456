// The command line: the dialogue's answers given as arguments, for scripts.
//   torvex [OPTIONS] TARGET MOVING [FURTHER]
// Every answer is known and checked before the run begins, so that a run
// that starts is the dialogue's run and nothing is ever asked.
#pragma once

#include "app/run_state.hpp"

namespace app {

// Returned when the run is to go on.
constexpr int RUN_GOES_ON = -1;

// Reads the arguments (argc > 1) into state.script and attaches the console
// for a run that reads no standard input. Returns RUN_GOES_ON, or the exit
// status once help or the version is written (0) or a usage error is
// reported in one line on standard error (2):
//   torvex a.pdb b.pdb         -> RUN_GOES_ON, names "a.pdb", "b.pdb"
//   torvex a b                 -> RUN_GOES_ON, "a.pdb", "b.pdb" (no file "a")
//   torvex -x a b              -> 2, "torvex: unknown option '-x'"
//   torvex missing b           -> 2, "torvex: cannot open 'missing': No such file or directory"
int read_command_line(int argc, char** argv, RunState& state);

}  // namespace app
