// The command line. Names become the name fields the dialogue would form;
// anything the fields cannot hold, or a file that does not open, is a usage
// error before the run begins: never a silent cut, never a prompt.
#include "app/command_line.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "app/dialogue.hpp"
#include "app/version.hpp"
#include "output/results_guard.hpp"

namespace app {
namespace {

using std::string_view;

constexpr int USAGE_STATUS = 2;
constexpr formatted_io::Unit CHECK_UNIT = formatted_io::Unit::Target;  // free before the run

constexpr string_view HELP =
    "usage: torvex [OPTIONS] TARGET MOVING [FURTHER]\n"
    "       torvex            (asks for everything at its prompts)\n"
    "\n"
    "Superimposes MOVING onto TARGET and writes the moved copy of MOVING to its\n"
    "name up to the first \".\" plus \"_mvd.pdb\"; FURTHER, when given, is moved\n"
    "the same way into its own results file. A name is the file as given, or\n"
    "the name with \".pdb\" appended when no file of the given name exists.\n"
    "\n"
    "  -y, --yes          go on after a pairing check that finds something\n"
    "                     (without it such a check ends the run, status 3)\n"
    "  -o, --output FILE  the results file instead of the derived name (a file:\n"
    "                     \"-\" is refused)\n"
    "      --json FILE    a JSON summary of the run; \"-\" for standard output,\n"
    "                     which then gets no console report\n"
    "  -q, --quiet        no console report; errors still go to standard error\n"
    "  -h, --help         this text\n"
    "  -V, --version      the version\n"
    "\n"
    "PDBx/mmCIF or gzip-compressed files, or any of --match, --chains, --atoms,\n"
    "--model, --select, --target-select, --moving-select, --trim, --cycles and\n"
    "--pairs, make a structure run: atoms paired by what they are, a fit in\n"
    "double precision (man torvex: STRUCTURE RUN).\n"
    "\n"
    "Exit status: 0 fitted and written; 1 run-time error, no atoms to fit, or a\n"
    "results file that cannot be created; 2 usage, or an input that cannot be\n"
    "opened; 3 stopped at a pairing check; 4 fitted and written, but do not\n"
    "trust the fit (why: on standard error).\n";

// One line on standard error; returns the usage status.
int usage_error(std::initializer_list<string_view> parts) {
  write_error_line(parts);
  return USAGE_STATUS;
}

// Help and version on standard output: status 0, or 1 when it cannot be written.
int write_out(string_view text) {
  return formatted_io::write_all(1, text.data(), static_cast<int>(text.size())) ? 0 : 1;
}

int write_version() {
  char line[64] = "torvex ";
  const std::size_t prefix = std::strlen(line);
  std::memcpy(line + prefix, VERSION.data(), VERSION.size());
  line[prefix + VERSION.size()] = '\n';
  return write_out(string_view(line, prefix + VERSION.size() + 1));
}

// A name the 50-character field holds whole: not empty, no blank (the field
// ends at its first blank), at most 50 characters. Returns 0 or the status.
int check_name(string_view name, string_view role) {
  if (name.empty()) return usage_error({"empty name for ", role});
  if (name.find(' ') != string_view::npos) {
    return usage_error({"a name cannot hold a blank: '", name, "'"});
  }
  if (name.size() > static_cast<std::size_t>(NAME_LEN)) {
    return usage_error({"'", name, "' is longer than the 50-character name field"});
  }
  return 0;
}

void to_field(string_view name, char* field) {
  std::memset(field, ' ', NAME_LEN);
  std::memcpy(field, name.data(), name.size());
}

// The structure file of a name: as given when it exists, else with ".pdb";
// it must open. Fills the name field; returns 0 or the status.
int resolve_structure(formatted_io::Io& io, const char* given, string_view role, char* field) {
  string_view name = given;
  if (const int status = check_name(name, role)) return status;
  char with_extension[NAME_LEN + 5];
  formatted_io::FileId id;
  const bool exists = formatted_io::identify_file(given, id);
  if (!exists || id.directory) {
    // A folder "1abc" beside "1abc.pdb" is no structure file: the latter is.
    const int why = exists ? EISDIR : errno;
    std::memcpy(with_extension, name.data(), name.size());
    std::memcpy(with_extension + name.size(), ".pdb", 5);
    if (!formatted_io::identify_file(with_extension, id) || id.directory) {
      return usage_error({"cannot open '", name, "': ", std::strerror(why)});
    }
    name = with_extension;
    if (const int status = check_name(name, role)) return status;
  }
  to_field(name, field);
  if (!formatted_io::open_existing(io, CHECK_UNIT, field, NAME_LEN)) {
    return usage_error({"cannot open '", name, "': ", std::strerror(errno)});
  }
  formatted_io::close_channel(io, CHECK_UNIT);
  return 0;
}

// The derived results name must fit its field too.
int check_results_name(const char* structure, string_view given) {
  char results[NAME_LEN];
  if (make_results_name(structure, results) <= NAME_LEN) return 0;
  return usage_error(
      {"the results name for '", given, "' is longer than the 50-character name field"});
}

// A structure the run reads twice (the moving one: fitted, then copied into
// its results) or opens twice (the further one) must be a plain file: a
// pipe would be empty the second time. Returns 0 or the status.
int check_regular(const char* field, string_view what) {
  char name[NAME_LEN + 1];
  formatted_io::FileId id;
  if (formatted_io::identify_file(file_name(field, name), id) && id.regular) return 0;
  return usage_error({"the ", what, " must be a regular file: ", name});
}

// Every file the run writes against every file it reads and against each
// other, by what the names lead to, before any file is created. A results
// file that would replace one stops the run where it would be created
// (status 1); a summary that would is a usage error.
int check_outputs(Script& script) {
  output::KeptFiles kept;
  char name[NAME_LEN + 1];
  kept.keep(file_name(script.target, name));
  kept.keep(file_name(script.moving, name));
  if (script.has_further) kept.keep(file_name(script.further, name));
  char results[NAME_LEN];
  if (script.has_output) {
    std::memcpy(results, script.output, NAME_LEN);
  } else {
    make_results_name(script.moving, results);
  }
  if (!output::may_write(file_name(results, name), kept)) script.refuse_results = true;
  kept.keep(name);
  if (script.has_further) {
    make_results_name(script.further, results);
    if (!output::may_write(file_name(results, name), kept)) script.refuse_results = true;
    kept.keep(name);
  }
  const char* summary = script.summary;
  if (summary == nullptr || std::strcmp(summary, "-") == 0) return 0;
  if (const int status = check_name(summary, "--json")) return status;
  if (!output::may_write(summary, kept)) {
    return usage_error({"the summary '", summary, "' would replace a file of the run"});
  }
  return 0;
}

enum class Action { Yes, Quiet, Help, Version, Output, Json };

struct Option {
  string_view name;
  char letter;  // '\0': no short form
  Action action;
  bool takes_value;
};
constexpr Option OPTIONS[] = {
    {"--yes", 'y', Action::Yes, false},      {"--quiet", 'q', Action::Quiet, false},
    {"--help", 'h', Action::Help, false},    {"--version", 'V', Action::Version, false},
    {"--output", 'o', Action::Output, true}, {"--json", '\0', Action::Json, true},
};

const Option* find_long(string_view name) {
  for (const Option& option : OPTIONS) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

const Option* find_short(char letter) {
  for (const Option& option : OPTIONS) {
    if (option.letter != '\0' && option.letter == letter) return &option;
  }
  return nullptr;
}

// The usage error of `arguments`: the parts joined into its error line.
void refuse(Arguments& arguments, std::initializer_list<string_view> parts) {
  arguments.request = Request::Usage;
  std::size_t length = 0;
  for (string_view part : parts) {
    const std::size_t n = std::min(part.size(), sizeof arguments.error - 1 - length);
    std::memcpy(arguments.error + length, part.data(), n);
    length += n;
  }
  arguments.error[length] = '\0';
}

// Acts on one option, named as typed; false once the reading ends.
bool apply_option(const Option& option, string_view typed, const char* value,
                  Arguments& arguments) {
  if (option.takes_value && value == nullptr) {
    refuse(arguments, {"option '", typed, "' needs a file name"});
    return false;
  }
  switch (option.action) {
    case Action::Yes:
      arguments.yes = true;
      break;
    case Action::Quiet:
      arguments.quiet = true;
      break;
    case Action::Help:
      arguments.request = Request::Help;
      return false;
    case Action::Version:
      arguments.request = Request::Version;
      return false;
    case Action::Output:
      // A results file written to standard output would be mixed with the
      // console report, and a file named "-" is not what anyone means.
      if (std::strcmp(value, "-") == 0) {
        refuse(arguments, {"the results file cannot be standard output: '", typed,
                           " -' (name a file, ./- for a file named -)"});
        return false;
      }
      arguments.output = value;
      break;
    case Action::Json:
      arguments.summary = value;
      break;
  }
  return true;
}

}  // namespace

Arguments parse_arguments(int argc, const char* const* argv) {
  Arguments arguments;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const string_view arg = argv[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      if (arguments.name_count < 3) arguments.names[arguments.name_count] = argv[i];
      ++arguments.name_count;
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    // The value that follows as the next argument, when there is one.
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg.starts_with("--")) {
      const std::size_t equals = arg.find('=');
      const Option* option = find_long(arg.substr(0, equals));
      if (option == nullptr) {
        refuse(arguments, {"unknown option '", arg.substr(0, equals), "'"});
        return arguments;
      }
      const char* value = nullptr;
      if (equals != string_view::npos) {
        if (!option->takes_value) {
          refuse(arguments, {"option '", option->name, "' takes no value"});
          return arguments;
        }
        value = argv[i] + equals + 1;
      } else if (option->takes_value) {
        value = next();
      }
      if (!apply_option(*option, option->name, value, arguments)) return arguments;
      continue;
    }
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const Option* option = find_short(arg[k]);
      if (option == nullptr) {
        refuse(arguments, {"unknown option '-", arg.substr(k, 1), "'"});
        return arguments;
      }
      const char typed[] = {'-', arg[k]};
      const char* value = nullptr;
      if (option->takes_value) {
        value = k + 1 < arg.size() ? argv[i] + k + 1 : next();
        k = arg.size();
      }
      if (!apply_option(*option, {typed, 2}, value, arguments)) return arguments;
    }
  }
  if (arguments.name_count < 2 || arguments.name_count > 3) {
    refuse(arguments, {"two or three names expected: TARGET MOVING [FURTHER] (torvex --help)"});
  }
  return arguments;
}

void write_error_line(std::initializer_list<string_view> parts) {
  char line[1024] = "torvex: ";
  int length = static_cast<int>(std::strlen(line));
  for (string_view part : parts) {
    const std::size_t room = sizeof line - 1 - static_cast<std::size_t>(length);
    const std::size_t n = part.size() < room ? part.size() : room;
    std::memcpy(line + length, part.data(), n);
    length += static_cast<int>(n);
  }
  line[length++] = '\n';
  static_cast<void>(formatted_io::write_all(2, line, length));
}

int read_command_line(int argc, char** argv, RunState& state) {
  const Arguments arguments = parse_arguments(argc, argv);
  switch (arguments.request) {
    case Request::Help:
      return write_out(HELP);
    case Request::Version:
      return write_version();
    case Request::Usage:
      return usage_error({arguments.error});
    case Request::Run:
      break;
  }
  Script& script = state.script;
  script.yes = arguments.yes;
  script.quiet_console = arguments.quiet;
  script.summary = arguments.summary;
  formatted_io::Io& io = state.io;
  const char* const* names = arguments.names;
  if (int status = resolve_structure(io, names[0], "TARGET", script.target)) return status;
  if (int status = resolve_structure(io, names[1], "MOVING", script.moving)) return status;
  if (int status = check_regular(script.moving, "moving structure is read twice and")) {
    return status;
  }
  script.has_further = arguments.name_count == 3;
  std::memset(script.further, ' ', NAME_LEN);
  if (script.has_further) {
    if (int status = resolve_structure(io, names[2], "FURTHER", script.further)) return status;
    if (int status = check_regular(script.further, "further structure")) return status;
    if (int status = check_results_name(script.further, names[2])) return status;
  }
  script.has_output = arguments.output != nullptr;
  if (script.has_output) {
    if (int status = check_name(arguments.output, "--output")) return status;
    to_field(arguments.output, script.output);
  } else if (int status = check_results_name(script.moving, names[1])) {
    return status;
  }
  if (int status = check_outputs(script)) return status;

  script.active = true;
  io.console.attach(false);
  if (script.summary != nullptr && std::strcmp(script.summary, "-") == 0) {
    script.quiet_console = true;
  }
  if (script.quiet_console) io.console.discard_output();
  return RUN_GOES_ON;
}

}  // namespace app
