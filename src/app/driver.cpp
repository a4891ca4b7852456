// The run driver: the banner, the file dialogue, then every stage in its
// fixed order. Each stage either completes or ends the run inside itself.
#include "app/dialogue.hpp"
#include "app/run_state.hpp"
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
using formatted_io::write_formatted;
using std::string_view;

namespace {

constexpr int TARGET = 2;
constexpr int STRUCTURE = 3;
constexpr int RESULTS = 6;

constexpr string_view RULE = " -----------------------------------------------------";
constexpr string_view CANNOT_CREATE = " Cannot create output file - tilt";
constexpr string_view MISMATCH_STOP = "TORVEX terminated  - atom mismatch";
constexpr string_view NO_ATOMS_STOP = "TORVEX terminated  - no atoms to fit";
constexpr string_view NORMAL_STOP = "TORVEX terminated normally";

string_view field(const char* name) { return string_view(name, NAME_LEN); }

void write_banner(formatted_io::Io& io) {
  static constexpr Format TEXT("(a)");
  static constexpr Format LIMIT("(a,i6)");
  write_formatted(io, CONSOLE, TEXT, {RULE});
  write_formatted(io, CONSOLE, TEXT, {"                    PROGRAM TORVEX "});
  write_formatted(io, CONSOLE, TEXT, {" Determines rotation matrix and translation vector for"});
  write_formatted(io, CONSOLE, TEXT, {"  best fit superimposition of two pdb files by solving"});
  write_formatted(io, CONSOLE, TEXT, {"          the quaternion eigenvalue problem."});
  write_formatted(io, CONSOLE, TEXT, {"  Written by the TORVEX developers, 2026"});
  write_formatted(io, CONSOLE, TEXT, {"  The TORVEX project, structural superposition tools"});
  write_formatted(io, CONSOLE, TEXT, {"  Method by S.K.Kearsley, Acta Cryst. A45, 208 (1989)"});
  write_formatted(io, CONSOLE, TEXT, {"  Details: README.md of the TORVEX sources"});
  write_formatted(io, CONSOLE, LIMIT,
                  {"   Max number of atoms per structure set to", structure::MAX_ATOMS});
  write_formatted(io, CONSOLE, TEXT, {RULE});
}

// Asks until the named file opens on `unit`; a failed open says nothing.
void ask_structure_file(RunState& state, const Format& prompt, string_view text, char* name,
                        int unit) {
  static constexpr Format TYPED("(a)");
  for (;;) {
    write_formatted(state.io, CONSOLE, prompt, {text});
    formatted_io::read_formatted(state.io, CONSOLE, TYPED, {state.typed_name}, false);
    make_input_name(state.typed_name, name);
    if (formatted_io::open_existing(state.io, unit, name, NAME_LEN)) return;
  }
}

// Forms the results name from the moving name and opens it, or stops.
void open_results_file(RunState& state) {
  make_results_name(state.moving_name, state.results_name);
  if (!formatted_io::open_output(state.io, RESULTS, state.results_name, NAME_LEN)) {
    formatted_io::stop_run(state.io, CANNOT_CREATE, 1);
  }
}

[[noreturn]] void stop_without_fit(RunState& state, string_view message, int status) {
  formatted_io::close_channel(state.io, STRUCTURE);
  formatted_io::close_channel(state.io, TARGET);
  formatted_io::stop_run(state.io, message, status);
}

// Asked after a check that found something; anything but yes ends the run.
void confirm_or_stop(RunState& state) {
  static constexpr Format PROMPT("(a$)");
  write_formatted(state.io, CONSOLE, PROMPT, {" Do you want to continue (Y/N) : "});
  state.answer = read_answer(state.io);
  if (state.answer != 'Y') stop_without_fit(state, MISMATCH_STOP, 0);
}

void read_structures(RunState& state) {
  static constexpr Format TARGET_COUNT("(a,i5)");
  static constexpr Format MOVING_COUNT("(a,i5/)");
  structure::read_structure(state.io, TARGET, state.target);
  write_formatted(state.io, CONSOLE, TARGET_COUNT,
                  {" Atoms read from target file : ", state.target.count});
  structure::read_structure(state.io, STRUCTURE, state.moving);
  write_formatted(state.io, CONSOLE, MOVING_COUNT,
                  {" Atoms read from moving file : ", state.moving.count});
}

void run_pairing_checks(RunState& state) {
  if (!structure::check_counts(state.io, state.target, state.moving)) confirm_or_stop(state);
  if (!structure::check_residues(state.io, state.target, state.moving)) confirm_or_stop(state);
  if (!structure::check_atom_types(state.io, state.target, state.moving)) confirm_or_stop(state);
}

void run_fit(RunState& state, int n) {
  fit::build_quaternion_matrix(state.io, state.target, state.moving, n, state.fit);
  fit::diagonalise_quaternion_matrix(state.io, state.fit);
  fit::build_rotation_and_move(state.io, state.target, state.moving, n, state.fit);
}

// Decision point 4: at most one further structure, moved the same way.
void offer_further_structure(RunState& state) {
  static constexpr Format PROMPT("(a$)");
  static constexpr Format MOVING_ECHO("(a,a)");
  static constexpr Format MOVED_ECHO("(a,a/)");
  write_formatted(state.io, CONSOLE, PROMPT,
                  {" Apply the same transformation to another molecule (Y/N) : "});
  state.answer = read_answer(state.io);
  if (state.answer != 'Y') return;
  ask_structure_file(state, PROMPT, " File to be moved (w/o *.pdb) : ", state.moving_name,
                     STRUCTURE);
  open_results_file(state);
  write_formatted(state.io, CONSOLE, MOVING_ECHO,
                  {" Moving file name is   : ", field(state.moving_name)});
  write_formatted(state.io, CONSOLE, MOVED_ECHO,
                  {" Moved  file name is   : ", field(state.results_name)});
  output::run_further_pass(state.io, state.results_name, state.fit);
  formatted_io::close_channel(state.io, STRUCTURE);
  formatted_io::close_channel(state.io, RESULTS);
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
  ask_structure_file(state, TARGET_PROMPT, " Target input file (w/o *.pdb) : ", state.target_name,
                     TARGET);
  ask_structure_file(state, MOVING_PROMPT, " Moving input file (w/o *.pdb) : ", state.moving_name,
                     STRUCTURE);
  open_results_file(state);
  write_formatted(io, CONSOLE, TARGET_ECHO, {" Target file name is   : ", field(state.target_name)});
  write_formatted(io, CONSOLE, MOVING_ECHO, {" Moving file name is   : ", field(state.moving_name)});
  write_formatted(io, CONSOLE, MOVED_ECHO, {" Moved  file name is   : ", field(state.results_name)});

  read_structures(state);
  run_pairing_checks(state);
  const int n = state.target.count;
  // Without a pair the centres would be a division by zero.
  if (n == 0) stop_without_fit(state, NO_ATOMS_STOP, 1);
  run_fit(state, n);

  output::write_results_header(io, state.target_name, state.moving_name, state.results_name,
                               state.fit);
  output::run_results_pass(io, state.moving_name, state.results_name, state.moving, state.fit);
  offer_further_structure(state);
  formatted_io::stop_run(io, NORMAL_STOP);
}

}  // namespace app
