// Option reading for the structure run, in the legacy run's forms:
// "--name value", "--name=value", short options alone or combined.
#include "app/structure_options.hpp"

#include "formatted_io/platform.hpp"
#include "model/file_bytes.hpp"

#include <charconv>
#include <cstring>
#include <string_view>

namespace app {
namespace {

using std::string_view;

bool read_int(string_view text, int& value) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool read_real(string_view text, double& value) {
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// "A:B,C:D" -> (A, B), (C, D); each side named.
bool read_chains(string_view text, torvex::Options& options) {
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const string_view pair = text.substr(0, comma);
    const std::size_t colon = pair.find(':');
    if (colon == string_view::npos || colon == 0 || colon + 1 == pair.size()) return false;
    options.chains.emplace_back(std::string(pair.substr(0, colon)),
                                std::string(pair.substr(colon + 1)));
    if (comma == string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (text.empty()) return false;
  }
  return !options.chains.empty();
}

void set_error(StructureArgs& args, std::string message) {
  if (args.error.empty()) args.error = std::move(message);
}

// A long option of the structure run with its value. Returns false for a
// name it does not know.
bool apply_new(string_view name, string_view value, StructureArgs& args) {
  torvex::Options& o = args.options;
  const std::string v(value);
  if (name == "--match") {
    if (value == "order") {
      o.match = torvex::Match::Order;
    } else if (value == "residue") {
      o.match = torvex::Match::Residue;
    } else if (value == "sequence") {
      o.match = torvex::Match::Sequence;
    } else {
      set_error(args, "unknown --match '" + v + "' (order, residue, sequence)");
    }
  } else if (name == "--atoms") {
    if (value == "all") {
      o.atoms = torvex::AtomChoice::All;
    } else if (value == "heavy") {
      o.atoms = torvex::AtomChoice::Heavy;
    } else if (value == "backbone") {
      o.atoms = torvex::AtomChoice::Backbone;
    } else if (value == "ca") {
      o.atoms = torvex::AtomChoice::Ca;
    } else {
      set_error(args, "unknown --atoms '" + v + "' (all, heavy, backbone, ca)");
    }
  } else if (name == "--chains") {
    if (!read_chains(value, o)) set_error(args, "--chains takes TARGET:MOVING[,...]: '" + v + "'");
  } else if (name == "--model") {
    if (!read_int(value, args.model) || args.model < 1) {
      set_error(args, "--model takes a model number from 1: '" + v + "'");
    }
  } else if (name == "--select") {
    args.select = v;
  } else if (name == "--target-select") {
    args.target_select = v;
    args.target_select_given = true;
  } else if (name == "--moving-select") {
    args.moving_select = v;
    args.moving_select_given = true;
  } else if (name == "--trim") {
    if (!read_real(value, o.trim) || !(o.trim > 0.0) || !(o.trim < 1e300)) {
      set_error(args, "--trim takes a cutoff above 0 (in multiples of the RMSD): '" + v + "'");
    }
  } else if (name == "--cycles") {
    if (!read_int(value, o.cycles) || o.cycles < 1) {
      set_error(args, "--cycles takes a number from 1: '" + v + "'");
    }
  } else if (name == "--pairs") {
    args.pairs = v;
  } else {
    return false;
  }
  args.new_option = true;
  return true;
}

constexpr string_view NEW_OPTIONS[] = {"--match",         "--atoms", "--chains",
                                       "--model",         "--select", "--target-select",
                                       "--moving-select", "--trim",  "--cycles",
                                       "--pairs"};

bool is_new_option(string_view name) {
  for (string_view known : NEW_OPTIONS) {
    if (known == name) return true;
  }
  return false;
}

// The first bytes of the file a name stands for: as given, else with ".pdb".
// Returns how many were read; 0 when neither opens.
int read_head(const char* name, char* head, int size) {
  int fd = formatted_io::open_for_reading(name);
  if (fd < 0) {
    char with_extension[4096];
    const std::size_t length = std::strlen(name);
    if (length + 5 > sizeof with_extension) return 0;
    std::memcpy(with_extension, name, length);
    std::memcpy(with_extension + length, ".pdb", 5);
    fd = formatted_io::open_for_reading(with_extension);
    if (fd < 0) return 0;
  }
  int filled = 0;
  while (filled < size) {
    const int n = formatted_io::read_bytes(fd, head + filled, size - filled);
    if (n <= 0) break;
    filled += n;
  }
  static_cast<void>(formatted_io::close_file(fd));
  return filled;
}

}  // namespace

bool wants_structure_run(int argc, char** argv) {
  const char* names[3] = {};
  int name_count = 0;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const string_view arg = argv[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      if (name_count < 3) names[name_count] = argv[i];
      ++name_count;
      continue;
    }
    if (arg == "--") {
      options_end = true;
    } else if (arg.starts_with("--")) {
      const string_view name = arg.substr(0, arg.find('='));
      if (is_new_option(name)) return true;
      if (name.size() == arg.size() && (name == "--output" || name == "--json")) ++i;
    } else if (arg.find('o') == arg.size() - 1) {
      ++i;  // "-o FILE", "-yo FILE"; in "-ofile" the name follows the letter
    }
  }
  if (name_count < 2 || name_count > 3) return false;
  for (int k = 0; k < name_count; ++k) {
    char head[4096];
    const int n = read_head(names[k], head, static_cast<int>(sizeof head));
    const string_view bytes(head, static_cast<std::size_t>(n));
    if (model::is_gzip(bytes) || model::is_mmcif(bytes)) return true;
  }
  return false;
}

StructureArgs read_structure_args(int argc, char** argv) {
  StructureArgs args;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const string_view arg = argv[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      args.names.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (arg.starts_with("--")) {
      const std::size_t equals = arg.find('=');
      const string_view name = arg.substr(0, equals);
      const bool is_new = is_new_option(name);
      const bool takes_value = is_new || name == "--output" || name == "--json";
      const char* value = nullptr;
      if (equals != string_view::npos) {
        value = argv[i] + equals + 1;
      } else if (takes_value) {
        value = next();
      }
      if (takes_value && value == nullptr) {
        set_error(args, "option '" + std::string(name) + "' needs a value");
        args.new_option = args.new_option || is_new;
        continue;
      }
      if (is_new) {
        apply_new(name, value, args);
      } else if (name == "--output") {
        args.output = value;
      } else if (name == "--json") {
        args.summary = value;
      } else if (name == "--yes" && value == nullptr) {
        args.yes = true;
      } else if (name == "--quiet" && value == nullptr) {
        args.quiet = true;
      } else if (name == "--help" || name == "--version") {
        args.help_or_version = true;
      } else {
        set_error(args, "unknown option '" + std::string(name) + "'");
      }
      continue;
    }
    for (std::size_t k = 1; k < arg.size(); ++k) {
      const char letter = arg[k];
      if (letter == 'y') {
        args.yes = true;
      } else if (letter == 'q') {
        args.quiet = true;
      } else if (letter == 'h' || letter == 'V') {
        args.help_or_version = true;
      } else if (letter == 'o') {
        const char* value = k + 1 < arg.size() ? argv[i] + k + 1 : next();
        if (value == nullptr) {
          set_error(args, "option '-o' needs a file name");
        } else {
          args.output = value;
        }
        break;
      } else {
        set_error(args, "unknown option '-" + std::string(1, letter) + "'");
      }
    }
  }
  args.options.yes = args.yes;
  return args;
}

}  // namespace app
