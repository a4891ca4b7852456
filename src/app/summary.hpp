// The JSON summary of a run: what a script needs from the console report,
// in a form it can parse. Its keys are a contract with users' scripts: new
// keys may come, none changes its meaning or goes away.
#pragma once

#include "app/run_state.hpp"

namespace app {

// Writes the summary of a completed run to the script's summary file, or to
// standard output for "-"; a failure ends the run with the run-time error
// stop. One key a line:
//   {
//     "version": "1.0.0",
//     "target": "1hpv_chainA.pdb",
//     ...
//     "rmsd": 0.96272993,
//     ...
//   }
// Reals are the stored single-precision values in their shortest form that
// reads back to the same float ("0.1", not "0.100000001"); a value that is
// not finite is null. Names are JSON strings of their bytes: quote,
// backslash and control characters escaped, UTF-8 kept, and each byte that
// is not part of valid UTF-8 written as U+FFFD.
void write_summary(RunState& state);

}  // namespace app
