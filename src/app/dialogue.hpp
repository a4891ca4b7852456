// The console dialogue's small pieces: answers and file names.
#pragma once

#include "formatted_io/records.hpp"
#include "output/names.hpp"

namespace app {

// Capitals for the letters a to z among the first n characters, in place.
void upper_case(char* field, int n);

// One console line; its first character upper-cased; a blank (an empty line
// too) or a carriage return becomes 'Y'. Callers compare with 'Y' only.
//   "y" -> 'Y'   "" -> 'Y'   " no" -> 'Y'   "no" -> 'N'   "1" -> '1'
char read_answer(formatted_io::Io& io);

// The typed name up to its first blank, then ".pdb", cut and padded to 50.
//   "1abc"      -> "1abc.pdb"
//   "1abc xyz"  -> "1abc.pdb"
//   " 1abc", or 50 characters without a blank -> ".pdb"
void make_input_name(const char* typed, char* name);

// The moving name up to the first "." after its last folder separator, then
// "_mvd.pdb", cut and padded to 50; a name without that dot is kept whole.
//   "1abc.pdb" -> "1abc_mvd.pdb"   "model.b.pdb" -> "model_mvd.pdb"
//   "../x.pdb" -> "../x_mvd.pdb"   "my.data/x.pdb" -> "my.data/x_mvd.pdb"
//   "model"    -> "model_mvd.pdb"
// Returns the length of the whole name: more than 50 when it was cut.
int make_results_name(const char* moving, char* results);

// A name field as the system takes it, without the blanks around it, as a C
// string in `out` (NAME_LEN + 1 characters); returns `out`.
//   "1abc.pdb" + 42 blanks -> "1abc.pdb"
const char* file_name(const char* field, char* out);

}  // namespace app
