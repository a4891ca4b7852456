// The run driver: the banner, the file dialogue, then every stage in its
// fixed order. Each stage either completes or ends the run inside itself.
// A run started with arguments goes the same way, its answers given
// beforehand (Script): only where an answer would be read does it differ.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "app/dialogue.hpp"
#include "app/run_state.hpp"
#include "app/summary.hpp"
#include "fit/jacobi.hpp"
#include "fit/quaternion.hpp"
#include "fit/rotation.hpp"
#include "formatted_io/stops.hpp"
#include "output/record_pass.hpp"
#include "output/results_header.hpp"
#include "structure/pairing.hpp"
#include "structure/reader.hpp"

namespace app {

using formatted_io::CONSOLE;
using formatted_io::Format;
using formatted_io::Unit;
using formatted_io::write_record;
using std::string_view;

namespace {

constexpr string_view RULE = " -----------------------------------------------------";
constexpr string_view CANNOT_CREATE = " Cannot create output file - tilt";
constexpr string_view MISMATCH_STOP = "TORVEX terminated  - atom mismatch";
constexpr string_view NO_ATOMS_STOP = "TORVEX terminated  - no atoms to fit";
constexpr string_view NORMAL_STOP = "TORVEX terminated normally";
// A scripted run stopped at a pairing check: not a fit, and not a failure.
constexpr int MISMATCH_STATUS = 3;

string_view field(const char* name) { return string_view(name, NAME_LEN); }

void write_banner(formatted_io::Io& io) {
  static constexpr Format TEXT("(a)");
  static constexpr Format LIMIT("(a,i6)");
  write_record<TEXT>(io, CONSOLE, RULE);
  write_record<TEXT>(io, CONSOLE, "                    PROGRAM TORVEX ");
  write_record<TEXT>(io, CONSOLE, " Determines rotation matrix and translation vector for");
  write_record<TEXT>(io, CONSOLE, "  best fit superimposition of two pdb files by solving");
  write_record<TEXT>(io, CONSOLE, "          the quaternion eigenvalue problem.");
  write_record<TEXT>(io, CONSOLE, "  Written by the TORVEX developers, 2026");
  write_record<TEXT>(io, CONSOLE, "  The TORVEX project, structural superposition tools");
  write_record<TEXT>(io, CONSOLE, "  Method by S.K.Kearsley, Acta Cryst. A45, 208 (1989)");
  write_record<TEXT>(io, CONSOLE, "  Details: README.md of the TORVEX sources");
  write_record<LIMIT>(io, CONSOLE, "   Max number of atoms per structure set to",
                      structure::MAX_ATOMS);
  write_record<TEXT>(io, CONSOLE, RULE);
}

// Ends the run with a stop message; main writes it.
[[noreturn]] void stop(string_view message, int status) { formatted_io::stop_run(message, status); }

// Asks until the named file opens on `unit`; a failed open says nothing. A
// scripted name was opened once before the run began.
template <Format PROMPT>
void ask_structure_file(RunState& state, string_view text, char* name, Unit unit,
                        const char* scripted) {
  static constexpr Format TYPED("(a)");
  for (;;) {
    write_record<PROMPT>(state.io, CONSOLE, text);
    if (state.script.active) {
      std::memcpy(name, scripted, NAME_LEN);
      if (formatted_io::open_existing(state.io, unit, name, NAME_LEN)) return;
      formatted_io::run_time_error_stop(formatted_io::Statement::Open,
                                        state.io.channel(unit).name(),
                                        formatted_io::RunTimeError::ReadFailed);
    }
    formatted_io::read_record<TYPED>(state.io, CONSOLE, state.typed_name);
    make_input_name(state.typed_name, name);
    if (formatted_io::open_existing(state.io, unit, name, NAME_LEN)) return;
  }
}

void keep(RunState& state, const char* field) {
  char name[NAME_LEN + 1];
  state.kept.keep(file_name(field, name));
}

// Forms the results name from the moving name (or takes the one given) and
// opens it, or stops. Each file it must not replace is kept before the call.
void open_results_file(RunState& state, bool first) {
  if (first && state.script.has_output) {
    std::memcpy(state.results_name, state.script.output, NAME_LEN);
  } else {
    make_results_name(state.moving_name, state.results_name);
  }
  char name[NAME_LEN + 1];
  if (state.script.refuse_results ||
      !output::may_write(file_name(state.results_name, name), state.kept)) {
    stop(CANNOT_CREATE, 1);
  }
  if (!formatted_io::open_output(state.io, Unit::Results, state.results_name, NAME_LEN)) {
    stop(CANNOT_CREATE, 1);
  }
  keep(state, state.results_name);
}

[[noreturn]] void stop_without_fit(RunState& state, string_view message, int status) {
  formatted_io::close_channel(state.io, Unit::Structure);
  formatted_io::close_channel(state.io, Unit::Target);
  stop(message, status);
}

// Asked after a check that found something; anything but yes ends the run. A
// scripted run goes on only when told to, and stops with its own status, so
// that a script never takes a partial fit for a full one.
void confirm_or_stop(RunState& state) {
  static constexpr Format PROMPT("(a$)");
  write_record<PROMPT>(state.io, CONSOLE, " Do you want to continue (Y/N) : ");
  if (state.script.active) {
    state.answer = state.script.yes ? 'Y' : 'N';
    if (state.answer != 'Y') stop_without_fit(state, MISMATCH_STOP, MISMATCH_STATUS);
    return;
  }
  state.answer = read_answer(state.io);
  if (state.answer != 'Y') stop_without_fit(state, MISMATCH_STOP, 0);
}

// A structure that the read limit cut is only part of the fit: said so.
void warn_if_cut(RunState& state, bool cut, Unit unit) {
  static constexpr Format WARNING("(a,a,a,a,a)");
  if (!cut) return;
  char limit[12];
  const auto digits = std::to_chars(limit, limit + sizeof limit, structure::MAX_ATOMS);
  write_record<WARNING>(state.io, CONSOLE, " Warning: only the first ",
                        string_view(limit, static_cast<std::size_t>(digits.ptr - limit)),
                        " lines of ", state.io.channel(unit).name(), " were read");
}

void read_structures(RunState& state) {
  static constexpr Format TARGET_COUNT("(a,i5)");
  static constexpr Format MOVING_COUNT("(a,i5/)");
  state.target_cut = structure::read_structure(state.io, Unit::Target, state.target);
  write_record<TARGET_COUNT>(state.io, CONSOLE,
                             " Atoms read from target file : ", state.target.count);
  state.moving_cut = structure::read_structure(state.io, Unit::Structure, state.moving);
  write_record<MOVING_COUNT>(state.io, CONSOLE,
                             " Atoms read from moving file : ", state.moving.count);
  warn_if_cut(state, state.target_cut, Unit::Target);
  warn_if_cut(state, state.moving_cut, Unit::Structure);
}

void run_pairing_checks(RunState& state) {
  PairingChecks& checks = state.checks;
  checks.counts_equal = structure::check_counts(state.io, state.target, state.moving);
  if (!checks.counts_equal) confirm_or_stop(state);
  checks.residue_mismatches = structure::check_residues(state.io, state.target, state.moving);
  if (checks.residue_mismatches > 0) confirm_or_stop(state);
  checks.atom_type_mismatches = structure::check_atom_types(state.io, state.target, state.moving);
  if (checks.atom_type_mismatches > 0) confirm_or_stop(state);
}

void run_fit(RunState& state, int n) {
  fit::build_quaternion_matrix(state.io, state.target, state.moving, n, state.fit);
  fit::diagonalise_quaternion_matrix(state.io, state.fit);
  fit::build_rotation_and_move(state.io, state.target, state.moving, n, state.fit);
}

// Asked once, after the results pass: at most one further structure is
// moved, by the same transformation. Its results file may be none of the
// run's other files, the first results file included.
void offer_further_structure(RunState& state) {
  static constexpr Format PROMPT("(a$)");
  static constexpr Format MOVING_ECHO("(a,a)");
  static constexpr Format MOVED_ECHO("(a,a/)");
  write_record<PROMPT>(state.io, CONSOLE,
                       " Apply the same transformation to another molecule (Y/N) : ");
  if (state.script.active) {
    state.answer = state.script.has_further ? 'Y' : 'N';
  } else {
    state.answer = read_answer(state.io);
  }
  if (state.answer != 'Y') return;
  ask_structure_file<PROMPT>(state, " File to be moved (w/o *.pdb) : ", state.moving_name,
                             Unit::Structure, state.script.further);
  keep(state, state.moving_name);
  open_results_file(state, false);
  write_record<MOVING_ECHO>(state.io, CONSOLE,
                            " Moving file name is   : ", field(state.moving_name));
  write_record<MOVED_ECHO>(state.io, CONSOLE,
                           " Moved  file name is   : ", field(state.results_name));
  output::run_further_pass(state.io, state.results_name, state.fit);
  // The pass stops at the same line limit as the reader.
  state.further_cut = structure::has_more_lines(state.io, Unit::Structure);
  warn_if_cut(state, state.further_cut, Unit::Structure);
  formatted_io::close_channel(state.io, Unit::Structure);
  formatted_io::close_channel(state.io, Unit::Results);
}

}  // namespace

[[noreturn]] void run(RunState& state) {
  static constexpr Format TARGET_PROMPT("(/a$)");
  static constexpr Format MOVING_PROMPT("(a$)");
  static constexpr Format TARGET_ECHO("(/a,a)");
  static constexpr Format MOVING_ECHO("(a,a)");
  static constexpr Format MOVED_ECHO("(a,a/)");
  formatted_io::Io& io = state.io;

  write_banner(io);
  ask_structure_file<TARGET_PROMPT>(state, " Target input file (w/o *.pdb) : ", state.target_name,
                                    Unit::Target, state.script.target);
  ask_structure_file<MOVING_PROMPT>(state, " Moving input file (w/o *.pdb) : ", state.moving_name,
                                    Unit::Structure, state.script.moving);
  keep(state, state.target_name);
  keep(state, state.moving_name);
  open_results_file(state, true);
  std::memcpy(state.first_moving_name, state.moving_name, NAME_LEN);
  std::memcpy(state.first_results_name, state.results_name, NAME_LEN);
  write_record<TARGET_ECHO>(io, CONSOLE, " Target file name is   : ", field(state.target_name));
  write_record<MOVING_ECHO>(io, CONSOLE, " Moving file name is   : ", field(state.moving_name));
  write_record<MOVED_ECHO>(io, CONSOLE, " Moved  file name is   : ", field(state.results_name));

  read_structures(state);
  run_pairing_checks(state);
  const int n = state.target.count;
  state.pairs = n;
  // Without a pair the centres would be a division by zero.
  if (n == 0) stop_without_fit(state, NO_ATOMS_STOP, 1);
  run_fit(state, n);

  output::write_results_header(io, state.target_name, state.moving_name, state.results_name,
                               state.fit);
  output::run_results_pass(io, state.moving_name, state.results_name, state.moving, state.fit);
  offer_further_structure(state);
  if (state.script.summary != nullptr) write_summary(state);
  state.completed = true;
  formatted_io::stop_run(NORMAL_STOP);
}

}  // namespace app
