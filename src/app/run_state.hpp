// Everything one run holds, set up once and owned by the driver: nothing is
// allocated or freed during the run.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "output/names.hpp"
#include "output/results_guard.hpp"
#include "structure/atom_set.hpp"

namespace app {

using output::NAME_LEN;

// The answers of a run started with arguments, known before it begins. The
// run then asks nothing: it writes each prompt and takes the answer from here.
struct Script {
  bool active = false;
  bool yes = false;  // go on after a pairing check that found something
  bool has_further = false;
  bool has_output = false;
  bool quiet_console = false;  // the console report is discarded
  char target[NAME_LEN];       // name fields, as the dialogue would form them
  char moving[NAME_LEN];
  char further[NAME_LEN];
  char output[NAME_LEN];          // the first results file, when given
  const char* summary = nullptr;  // the JSON summary's file; "-": standard output
  // A results file would replace a file of the run: the run stops where it
  // would create the first one, before any file is written.
  bool refuse_results = false;
};

// What the pairing checks found, for the summary.
struct PairingChecks {
  bool counts_equal = true;
  int residue_mismatches = 0;  // lines the check listed
  int atom_type_mismatches = 0;
};

struct RunState {
  formatted_io::Io io;
  Script script;
  char typed_name[NAME_LEN];
  char target_name[NAME_LEN];
  char moving_name[NAME_LEN];   // later the further structure's
  char results_name[NAME_LEN];  // later the further structure's results
  char answer = ' ';
  structure::AtomSet target;
  structure::AtomSet moving;
  fit::FitResult fit;
  output::KeptFiles kept;  // what a results file must not replace
  // For the summary, which comes after the further structure replaced them.
  char first_moving_name[NAME_LEN];
  char first_results_name[NAME_LEN];
  int pairs = 0;
  PairingChecks checks;
  bool target_cut = false;  // lines past the read limit were left unread
  bool moving_cut = false;
  bool further_cut = false;
  bool completed = false;  // every stage done: the run ends normally
};

// The whole run, from the banner to its stop: ends by throwing
// formatted_io::Stop, also when it completes.
[[noreturn]] void run(RunState& state);

}  // namespace app
