// The body of a results file: the structure file copied line by line, each
// non-water coordinate record replaced by its moved record (90 columns: the
// moved x, y, z in 31-54 and four deviation fields in 67-90), water records
// left out, every other line copied as an 80-character record.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "structure/atom_set.hpp"

namespace output {

// The results pass: rewinds the moving structure's channel and writes its
// moved copy to the results channel, stopping at the first coordinate record
// past the n pairs (n = moved.count); writes the two count lines and closes
// the structure, target and results channels. `moved` is the moving
// structure after the fit moved its atoms.
void run_results_pass(formatted_io::Io& io, const char* moving_name, const char* results_name,
                      const structure::AtomSet& moved, const fit::FitResult& fit);

// The further-structure pass: the freshly opened structure channel into the
// results channel with the same transformation, every coordinate record
// moved, the four deviation fields zero (a further structure has no target
// partner). Writes its count line and leaves both channels open.
void run_further_pass(formatted_io::Io& io, const char* results_name,
                      const fit::FitResult& fit);

}  // namespace output
