// The command line: the dialogue's answers given as arguments, for scripts.
//   torvex [OPTIONS] TARGET MOVING [FURTHER]
// Every answer is known and checked before the run begins, so that a run
// that starts is the dialogue's run and nothing is ever asked.
#pragma once

#include <initializer_list>
#include <string_view>

#include "app/run_state.hpp"

namespace app {

// Returned when the run is to go on.
constexpr int RUN_GOES_ON = -1;

enum class Request { Run, Help, Version, Usage };

// What the arguments ask for, read without looking at any file. The first
// help, version or usage error met ends the reading.
struct Arguments {
  Request request = Request::Run;
  bool yes = false;
  bool quiet = false;
  const char* output = nullptr;
  const char* summary = nullptr;  // "-": standard output
  const char* names[3] = {};
  int name_count = 0;    // every name given, also past the third
  char error[512] = {};  // Usage: the line, without "torvex: "
};

// Options and names, in order: "--name", "--name=value", "--name value",
// short options alone or combined ("-yq", "-ofile", "-o file"), "--" ends
// the options, and a lone "-" is a name.
//   -yq a b            -> Run, yes, quiet, names a b
//   --json=s.json a b  -> Run, summary "s.json"
//   -x a b             -> Usage, "unknown option '-x'"
//   -o - a b           -> Usage: the results file is always a file
Arguments parse_arguments(int argc, const char* const* argv);

// Reads the arguments (argc > 1) into state.script and attaches the console
// for a run that reads no standard input. Returns RUN_GOES_ON, or the exit
// status once help or the version is written (0) or a usage error is
// reported in one line on standard error (2):
//   torvex a.pdb b.pdb         -> RUN_GOES_ON, names "a.pdb", "b.pdb"
//   torvex a b                 -> RUN_GOES_ON, "a.pdb", "b.pdb" (no file "a")
//   torvex -x a b              -> 2, "torvex: unknown option '-x'"
//   torvex missing b           -> 2, "torvex: cannot open 'missing': No such file or directory"
int read_command_line(int argc, char** argv, RunState& state);

// One line on standard error: "torvex: " and the parts.
//   write_error_line({"cannot open '", name, "'"}) -> "torvex: cannot open 'x'\n"
void write_error_line(std::initializer_list<std::string_view> parts);

}  // namespace app
