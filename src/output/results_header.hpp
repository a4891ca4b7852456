// The header of a results file: a TITLE record and seventeen REMARK records
// naming the inputs and the method and giving the translation vector, the
// rotation matrix and the overall r.m.s. deviation.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"

namespace output {

// Writes the console line " Writing new pdb file <name> .........." and the
// 18 header records to the results channel, each of its exact length, trailing blanks
// included. Names are the 50-character fields of the run.
void write_results_header(formatted_io::Io& io, const char* target_name,
                          const char* moving_name, const char* results_name,
                          const fit::FitResult& fit);

}  // namespace output
