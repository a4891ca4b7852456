// Everything one run holds, set up once and owned by the driver: nothing is
// allocated or freed during the run.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "output/names.hpp"
#include "structure/atom_set.hpp"

namespace app {

using output::NAME_LEN;

struct RunState {
  formatted_io::Io io;
  char typed_name[NAME_LEN];
  char target_name[NAME_LEN];
  char moving_name[NAME_LEN];   // later the further structure's
  char results_name[NAME_LEN];  // later the further structure's results
  char answer = ' ';
  structure::AtomSet target;
  structure::AtomSet moving;
  fit::FitResult fit;
};

// The whole run, from the banner to a stop; never returns.
[[noreturn]] void run(RunState& state);

}  // namespace app
