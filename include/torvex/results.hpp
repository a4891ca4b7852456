// Results files, as the program writes them: CR LF line ends, a header of a
// TITLE and seventeen REMARK records, then the moved structure record by
// record with four deviation columns.
#pragma once

#include <string>

#include "torvex/fit.hpp"

namespace torvex {

// Writes `results_file` (created, or cut when it exists): the header naming
// `target_name`, `moving_file` and `results_file`, then every line of
// `moving_file` up to its (fit.n + 1)-th atom, each of its first fit.n atoms
// moved by the fit with its deviations, water records left out, every other
// line copied. With the program's names the bytes are the program's:
//   write_results(fit, "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb", "1hpv_chainA.pdb")
// The header shows each name up to its first blank, as a 50-character field:
// keep names shorter than 50 characters and free of blanks.
// Throws Error: InvalidFit when fit.n is negative, beyond MAX_ATOMS or beyond
// its deviation rows; CannotOpen; CannotCreate, also when `results_file` is
// `moving_file` under any name (a link, "./", a hard link); or RunTime as for
// reading, 6506 for a line too long to write and 6508 when the file cannot
// be written.
void write_results(const FitResult& fit, const std::string& moving_file,
                   const std::string& results_file, const std::string& target_name,
                   Report report = Report::Quiet);

// The further-structure file of the program: every coordinate record of
// `structure_file` that is not water moved by the fit, the deviation columns
// zero, every other line copied; no header. Throws as write_results.
void write_moved(const FitResult& fit, const std::string& structure_file,
                 const std::string& results_file, Report report = Report::Quiet);

}  // namespace torvex
