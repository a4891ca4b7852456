// Many structures in one run: every member against every other
// (--all-vs-all), or a list of pairs (--pairs-from). Each file is read once,
// each member's centred coordinates made once, the pairs spread over threads.
#pragma once

namespace app {

// True when the arguments ask for a run over many structures: one of them
// is --all-vs-all or --pairs-from (before a "--").
bool is_many_run(int argc, char** argv);

// Runs it and returns the exit status: 0 when every pair was fitted (and
// every file written), otherwise the highest status the single command line
// would have given for any pair:
//   1 no fit (fewer than three pairs of atoms), or a file not written;
//   2 a structure file that cannot be opened;
//   3 --match order, counts that differ, no -y;
//   4 the eigen-solver did not converge.
// 2 also for a usage error, or a list that cannot be read.
int many_run(int argc, char** argv);

}  // namespace app
