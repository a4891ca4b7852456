// Many structures in one run: every member against every other
// (--all-vs-all), or a list of pairs (--pairs-from). Each file is read once,
// each member's centred coordinates made once, the pairs spread over threads.
#pragma once

namespace app {

// True when the arguments ask for a run over many structures: one of them
// is --all-vs-all or --pairs-from (before a "--").
bool is_many_run(int argc, char** argv);

// Runs it and returns the exit status:
//   0 every pair fitted (and every file written);
//   1 at least one pair could not be fitted or written (the others were);
//   2 usage, or a list or structure file that cannot be read;
//   3 a pair stopped at a pairing check (--match order, counts differ, no -y),
//     in --pairs-from; the others were fitted.
int many_run(int argc, char** argv);

}  // namespace app
