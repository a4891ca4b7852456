// Runs over many structures. Everything is read before the first fit, each
// file once; the fits go to threads; everything is written after the last
// fit, in the order of the members or of the list, so the output bytes do
// not depend on the threads or on which pair finished first.
#include "app/many_run.hpp"

#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "app/structure_options.hpp"
#include "app/structure_words.hpp"
#include "app/version.hpp"
#include "ensemble/all_pairs.hpp"
#include "ensemble/members.hpp"
#include "ensemble/parallel.hpp"
#include "ensemble/shared_atoms.hpp"
#include "formatted_io/channel.hpp"
#include "formatted_io/platform.hpp"
#include "torvex/structure_run.hpp"

namespace app {
namespace {

using std::string;
using std::string_view;

constexpr int USAGE_STATUS = 2;

constexpr string_view HELP =
    "usage: torvex --all-vs-all [OPTIONS] FILE...\n"
    "       torvex --pairs-from LIST [OPTIONS]\n"
    "\n"
    "--all-vs-all fits every member onto every other: a member is a file (its\n"
    "model 1, or --model N), or with --models each model of each file. One fit\n"
    "per unordered pair, the member listed first the target.\n"
    "--pairs-from fits the pairs of LIST, one a line: TARGET<TAB>MOVING and\n"
    "optionally <TAB>RESULTS; each moved file is written as the single command\n"
    "line writes it, and a pair that fails does not stop the others.\n"
    "\n"
    "  --models           every model of every file is a member (file#model)\n"
    "  --matrix FILE      the RMSD matrix as TSV; \"-\" for standard output\n"
    "                     (the default of --all-vs-all without --json)\n"
    "  --json FILE        one JSON summary a line per pair; \"-\" for standard output\n"
    "  -j, --jobs N       threads (default: every core)\n"
    "  --match order|residue|sequence, --atoms all|heavy|backbone|ca,\n"
    "  --select SEL, --target-select SEL, --moving-select SEL, --chains A:B,\n"
    "  --trim CUTOFF, --cycles N, --model N, -y\n"
    "                     as for a single structure run\n"
    "  -q, --quiet        no report and no progress line\n";

int usage_error(const string& message) {
  std::fprintf(stderr, "torvex: %s\n", message.c_str());
  return USAGE_STATUS;
}

// A name is the file as given when it exists, else the name with ".pdb",
// as on the single command line.
string resolve(const string& name) {
  formatted_io::FileId id;
  if (formatted_io::identify_file(name.c_str(), id)) return name;
  if (formatted_io::identify_file((name + ".pdb").c_str(), id)) return name + ".pdb";
  return name;
}

// The name of an output that is one of `inputs` under any name, or "".
string replaces_input(const std::vector<string>& outputs, const std::vector<string>& inputs) {
  for (const string& output : outputs) {
    if (output.empty() || output == "-") continue;
    formatted_io::FileId out;
    const bool exists = formatted_io::identify_file(output.c_str(), out);
    for (const string& input : inputs) {
      formatted_io::FileId in;
      if (input == output) return output;
      if (exists && formatted_io::identify_file(input.c_str(), in) && in == out) return output;
    }
  }
  return {};
}

struct Settings {
  bool all_vs_all = false;
  string list;  // --pairs-from
  std::vector<string> files;
  bool models = false;
  int model = 1;
  string matrix;
  string json;
  int jobs = 0;
  bool quiet = false;
  string target_select, moving_select;
  torvex::Options options;
};

// The options of these runs are taken out here; the rest are the structure
// run's and go to its reader. Returns -1 to go on, or the status.
int read_settings(int argc, char** argv, Settings& s) {
  std::vector<char*> rest = {argv[0]};
  string jobs;
  for (int i = 1; i < argc; ++i) {
    const string_view arg = argv[i];
    if (arg == "--") {
      rest.insert(rest.end(), argv + i, argv + argc);
      break;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : string_view::npos;
    const string_view name = arg.substr(0, equals);
    string* value = nullptr;
    if (arg == "--all-vs-all") {
      s.all_vs_all = true;
    } else if (arg == "--models") {
      s.models = true;
    } else if (name == "--pairs-from") {
      value = &s.list;
    } else if (name == "--matrix") {
      value = &s.matrix;
    } else if (name == "--jobs" || arg == "-j") {
      value = &jobs;
    } else if (arg.starts_with("-j") && arg.size() > 2) {
      jobs = string(arg.substr(2));  // -j2
    } else {
      rest.push_back(argv[i]);
      continue;
    }
    if (value == nullptr) continue;
    if (equals != string_view::npos) {
      *value = string(arg.substr(equals + 1));
    } else if (i + 1 < argc) {
      *value = argv[++i];
    } else {
      return usage_error("option '" + string(name) + "' needs a value");
    }
  }
  const StructureArgs args = read_structure_args(static_cast<int>(rest.size()), rest.data());
  if (args.help_or_version) {
    std::fwrite(HELP.data(), 1, HELP.size(), stdout);
    return 0;
  }
  if (!args.error.empty()) return usage_error(args.error);
  if (!jobs.empty()) {
    const auto [end, error] = std::from_chars(jobs.data(), jobs.data() + jobs.size(), s.jobs);
    if (error != std::errc() || end != jobs.data() + jobs.size() || s.jobs < 1) {
      return usage_error("-j takes a number of threads from 1: '" + jobs + "'");
    }
  }
  if (!args.output.empty() || !args.pairs.empty()) {
    return usage_error("-o and --pairs belong to a single pair: torvex TARGET MOVING");
  }
  s.files = args.names;
  s.model = args.model;
  s.json = args.summary;
  s.quiet = args.quiet;
  s.options = args.options;
  s.target_select = args.target_select_given ? args.target_select : args.select;
  s.moving_select = args.moving_select_given ? args.moving_select : args.select;
  if (s.all_vs_all == !s.list.empty()) {
    return usage_error("give either --all-vs-all FILE... or --pairs-from LIST");
  }
  if (s.all_vs_all) {
    if (args.target_select_given || args.moving_select_given) {
      return usage_error("--all-vs-all takes --select, not --target-select or --moving-select");
    }
    if (s.matrix.empty() && s.json.empty()) s.matrix = "-";
    if (s.matrix == "-" && s.json == "-") {
      return usage_error("--matrix and --json cannot both go to standard output");
    }
  } else {
    if (!s.files.empty())
      return usage_error("--pairs-from takes no file names: they are in its list");
    if (!s.matrix.empty()) return usage_error("--matrix belongs to --all-vs-all");
    if (s.models) return usage_error("--models belongs to --all-vs-all");
  }
  if (s.matrix == "-" || s.json == "-") s.quiet = true;
  return -1;
}

// A summary on one line: the lines of the structure run's summary, each
// stripped of its indent, joined by one blank.
//   "{\n  \"a\": 1,\n  \"b\": 2\n}\n" -> "{\"a\": 1, \"b\": 2}"
string one_line(const string& summary) {
  string line;
  std::istringstream lines(summary);
  string part;
  while (std::getline(lines, part)) {
    const std::size_t first = part.find_first_not_of(' ');
    if (first == string::npos) continue;
    const string_view text = string_view(part).substr(first);
    if (!line.empty() && line.back() != '{' && text != "}") line += ' ';
    line += text;
  }
  return line;
}

// A JSON string with the escapes a file name or a message may need.
string quoted(string_view text) {
  string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04x", c);
      out += code;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

string fixed6(double value) {
  if (value != value) return "nan";
  char digits[64];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
  return string(digits, result.ptr);
}

// Writes `text` to a file or, for "-", to standard output. False on failure.
bool write_text(const string& name, const string& text) {
  if (name == "-") {
    return formatted_io::write_all(1, text.data(), static_cast<int>(text.size()));
  }
  std::ofstream file(name, std::ios::binary);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  return static_cast<bool>(file);
}

// The progress line: pairs done, pairs per second, time left. It appears
// once a run has gone on for PROGRESS_AFTER and is redrawn in place; only at
// a terminal, and never under -q.
constexpr auto PROGRESS_AFTER = std::chrono::seconds(2);
constexpr auto PROGRESS_EVERY = std::chrono::milliseconds(250);

class Progress {
 public:
  Progress(std::int64_t total, bool shown) : total_(total) {
    if (shown && total > 0)
      thread_ = std::jthread([this](const std::stop_token& stop) { draw(stop); });
  }
  ~Progress() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
    if (drawn_) std::fputc('\n', stderr);
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  std::atomic<std::int64_t>& done() { return done_; }

 private:
  void draw(const std::stop_token& stop) {
    const auto start = std::chrono::steady_clock::now();
    while (!stop.stop_requested()) {
      std::this_thread::sleep_for(PROGRESS_EVERY);
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      if (elapsed < PROGRESS_AFTER) continue;
      const auto done = static_cast<double>(done_.load(std::memory_order_relaxed));
      const double rate = done / elapsed.count();
      const double left = rate > 0 ? (static_cast<double>(total_) - done) / rate : 0.0;
      std::fprintf(stderr, "\r%.0f of %lld pairs, %.0f pairs/s, %.0f s left   ", done,
                   static_cast<long long>(total_), rate, left);
      std::fflush(stderr);
      drawn_ = true;
    }
  }
  std::int64_t total_;
  std::atomic<std::int64_t> done_{0};
  bool drawn_ = false;
  std::jthread thread_;
};

bool progress_wanted(const Settings& s) { return !s.quiet && formatted_io::is_terminal(2); }

// ---- all against all ----

struct Member {
  string name;     // "file" or "file#model"
  int source = 0;  // index into the structures read
};

int run_all_vs_all(const Settings& s) {
  std::vector<string> inputs;
  for (const string& file : s.files) inputs.push_back(resolve(file));
  if (const string output = replaces_input({s.matrix, s.json}, inputs); !output.empty()) {
    return usage_error("'" + output + "' would replace an input");
  }
  std::vector<torvex::Structure> structures;
  std::vector<Member> members;
  for (const string& file : s.files) {
    try {
      if (s.models) {
        for (torvex::Structure& model : torvex::read_models(resolve(file), s.target_select)) {
          members.push_back(
              {file + "#" + std::to_string(model.model), static_cast<int>(structures.size())});
          structures.push_back(std::move(model));
        }
      } else {
        members.push_back({file, static_cast<int>(structures.size())});
        structures.push_back(torvex::read(resolve(file), s.model, s.target_select));
      }
    } catch (const torvex::Error& error) {
      std::fprintf(stderr, "torvex: %s\n", error.what());
      return status_of(error);
    }
  }
  const int count = static_cast<int>(members.size());
  if (count < 2) return usage_error("--all-vs-all needs two members at least");
  const std::int64_t pairs = std::int64_t{count} * (count - 1) / 2;

  // Members that list the same atoms are made once and go the short road;
  // otherwise each pair is paired and fitted on its own.
  std::vector<const torvex::Structure*> each;
  each.reserve(structures.size());
  for (const torvex::Structure& structure : structures) each.push_back(&structure);
  std::optional<ensemble::Members> shared = ensemble::shared_atom_members(each, s.options);
  const bool fast = shared.has_value();
  std::vector<double> matrix;
  std::vector<string> lines(s.json.empty() ? 0 : static_cast<std::size_t>(pairs));
  std::vector<int> failed(static_cast<std::size_t>(pairs), 0);
  std::vector<std::pair<int, int>> pair_list;
  pair_list.reserve(static_cast<std::size_t>(pairs));
  for (int a = 0; a + 1 < count; ++a) {
    for (int b = a + 1; b < count; ++b) pair_list.emplace_back(a, b);
  }
  const int threads = ensemble::thread_count(s.jobs);
  int atoms_each = 0;
  {
    Progress progress((fast ? pairs : 0) + (fast && s.json.empty() ? 0 : pairs),
                      progress_wanted(s));
    if (fast) {
      atoms_each = shared->atoms;
      matrix = ensemble::rmsd_matrix(*shared, threads, &progress.done());
    } else {
      matrix.assign(static_cast<std::size_t>(count) * count, 0.0);
    }
    // The full fits, where the pairing is each pair's own or a summary is
    // to be written.
    if (!fast || !s.json.empty()) {
      ensemble::for_each_task(pairs, threads, [&](std::int64_t k) {
        const auto [a, b] = pair_list[static_cast<std::size_t>(k)];
        const torvex::Structure& target = structures[static_cast<std::size_t>(a)];
        const torvex::Structure& moving = structures[static_cast<std::size_t>(b)];
        double rmsd = std::nan("");
        try {
          const torvex::Superposition fit = torvex::superpose(target, moving, s.options);
          rmsd = fit.fit.rmsd;
          if (!s.json.empty()) {
            torvex::SummaryNames names;
            names.version = string(VERSION);
            names.target = members[a].name;
            names.moving = members[b].name;
            names.match = string(match_name(s.options.match));
            lines[static_cast<std::size_t>(k)] =
                one_line(torvex::structure_summary(names, target, moving, fit, s.options));
          }
        } catch (const torvex::Error& error) {
          failed[static_cast<std::size_t>(k)] = status_of(error);
          if (!s.json.empty()) {
            lines[static_cast<std::size_t>(k)] = "{\"target\": " + quoted(members[a].name) +
                                                 ", \"moving\": " + quoted(members[b].name) +
                                                 ", \"error\": " + quoted(error.what()) + "}";
          }
        }
        if (!fast) {
          matrix[static_cast<std::size_t>(a) * count + b] = rmsd;
          matrix[static_cast<std::size_t>(b) * count + a] = rmsd;
        }
        progress.done().fetch_add(1, std::memory_order_relaxed);
      });
    }
  }

  int status = 0;
  for (std::int64_t k = 0; k < pairs; ++k) {
    const int f = failed[static_cast<std::size_t>(k)];
    if (f == 0) continue;
    const auto [a, b] = pair_list[static_cast<std::size_t>(k)];
    std::fprintf(stderr, "torvex: %s onto %s: no fit\n", members[b].name.c_str(),
                 members[a].name.c_str());
    if (f > status) status = f;
  }
  if (!s.matrix.empty()) {
    string text = "member";
    text.reserve(static_cast<std::size_t>(count + 1) * (count + 1) * 12);
    for (const Member& m : members) (text += '\t') += m.name;
    text += '\n';
    for (int a = 0; a < count; ++a) {
      text += members[a].name;
      for (int b = 0; b < count; ++b) {
        (text += '\t') += fixed6(matrix[static_cast<std::size_t>(a) * count + b]);
      }
      text += '\n';
    }
    if (!write_text(s.matrix, text)) {
      std::fprintf(stderr, "torvex: cannot write the matrix to '%s'\n", s.matrix.c_str());
      return 1;
    }
  }
  if (!s.json.empty()) {
    string text;
    for (const string& line : lines) text += line + "\n";
    if (!write_text(s.json, text)) {
      std::fprintf(stderr, "torvex: cannot write the summaries to '%s'\n", s.json.c_str());
      return 1;
    }
  }
  if (!s.quiet) {
    std::printf("%d members, %lld pairs", count, static_cast<long long>(pairs));
    if (fast) {
      std::printf(", %d atoms each\n", atoms_each);
    } else {
      std::printf(", each pair paired on its own\n");
    }
  }
  return status;
}

// ---- a list of pairs ----

struct ListedPair {
  int line = 0;
  string target, moving, results;
  int status = 0;
  string error;
  string summary;  // one line, when fitted
  int atoms_fitted = 0;
  double rmsd = 0;
};

// "a.pdb\tb.pdb" or "a.pdb\tb.pdb\tout.pdb"; blank lines and lines that
// start with "#" are no pairs. Returns false for a list that does not open.
bool read_list(const string& name, std::vector<ListedPair>& pairs) {
  std::ifstream list(name, std::ios::binary);
  if (!list) return false;
  string text;
  int number = 0;
  while (std::getline(list, text)) {
    ++number;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.find_first_not_of(" \t") == string::npos || text[0] == '#') continue;
    ListedPair pair;
    pair.line = number;
    std::vector<string> fields;
    std::size_t start = 0;
    while (true) {
      const std::size_t tab = text.find('\t', start);
      fields.push_back(text.substr(start, tab - start));
      if (tab == string::npos) break;
      start = tab + 1;
    }
    if (fields.size() < 2 || fields.size() > 3 || fields[0].empty() || fields[1].empty()) {
      pair.status = USAGE_STATUS;
      pair.error = "not TARGET<TAB>MOVING[<TAB>RESULTS]";
    } else {
      pair.target = resolve(fields[0]);
      pair.moving = resolve(fields[1]);
      pair.results =
          fields.size() == 3 && !fields[2].empty() ? fields[2] : torvex::results_name(pair.moving);
    }
    pairs.push_back(std::move(pair));
  }
  return !list.bad();
}

int run_pairs_from(const Settings& s) {
  std::vector<ListedPair> pairs;
  if (!read_list(s.list, pairs)) return usage_error("cannot read the list '" + s.list + "'");
  std::vector<string> named = {s.list};
  for (const ListedPair& p : pairs) named.insert(named.end(), {p.target, p.moving, p.results});
  if (const string output = replaces_input({s.json}, named); !output.empty()) {
    return usage_error("'" + output + "' would replace an input or results file of the list");
  }

  // Every file once, whatever number of pairs it is in: read first, in
  // parallel, each file's reading a task of its own.
  using Key = std::pair<string, string>;  // path, selection
  std::map<Key, int> index;
  std::vector<Key> keys;
  for (const ListedPair& p : pairs) {
    if (p.status != 0) continue;
    for (const Key& key : {Key{p.target, s.target_select}, Key{p.moving, s.moving_select}}) {
      if (index.emplace(key, static_cast<int>(keys.size())).second) keys.push_back(key);
    }
  }
  std::vector<std::optional<torvex::Structure>> read(keys.size());
  std::vector<std::pair<int, string>> read_errors(keys.size());
  const int threads = ensemble::thread_count(s.jobs);
  ensemble::for_each_task(static_cast<std::int64_t>(keys.size()), threads, [&](std::int64_t k) {
    const auto i = static_cast<std::size_t>(k);
    try {
      read[i] = torvex::read(keys[i].first, s.model, keys[i].second);
    } catch (const torvex::Error& error) {
      read_errors[i] = {status_of(error), error.what()};
    }
  });

  // A results file is never an input of the list, under any name, and two
  // pairs of one results file would write it twice: the later ones fail.
  std::vector<formatted_io::FileId> inputs;
  for (const Key& key : keys) {
    formatted_io::FileId id;
    if (formatted_io::identify_file(key.first.c_str(), id)) inputs.push_back(id);
  }
  std::map<string, int> results_of;
  for (ListedPair& p : pairs) {
    if (p.status != 0) continue;
    formatted_io::FileId id;
    bool is_input = false;
    if (formatted_io::identify_file(p.results.c_str(), id)) {
      for (const formatted_io::FileId& input : inputs) is_input = is_input || input == id;
    }
    const auto [at, fresh] = results_of.emplace(p.results, p.line);
    if (is_input) {
      p.status = 1;
      p.error = "results file '" + p.results + "' is an input of the list";
    } else if (!fresh) {
      p.status = 1;
      p.error =
          "results file '" + p.results + "' already written for line " + std::to_string(at->second);
    }
  }

  {
    Progress progress(static_cast<std::int64_t>(pairs.size()), progress_wanted(s));
    ensemble::for_each_task(static_cast<std::int64_t>(pairs.size()), threads, [&](std::int64_t k) {
      ListedPair& p = pairs[static_cast<std::size_t>(k)];
      if (p.status == 0) {
        const auto t = static_cast<std::size_t>(index.at({p.target, s.target_select}));
        const auto m = static_cast<std::size_t>(index.at({p.moving, s.moving_select}));
        if (!read[t] || !read[m]) {
          const auto& why = read[t] ? read_errors[m] : read_errors[t];
          p.status = why.first;
          p.error = why.second;
        } else {
          try {
            const torvex::Superposition fit = torvex::superpose(*read[t], *read[m], s.options);
            torvex::write_moved(fit.fit, p.moving, p.results);
            torvex::SummaryNames names;
            names.version = string(VERSION);
            names.target = p.target;
            names.moving = p.moving;
            names.results = p.results;
            names.match = string(match_name(s.options.match));
            p.summary =
                one_line(torvex::structure_summary(names, *read[t], *read[m], fit, s.options));
            p.atoms_fitted = fit.atoms_fitted;
            p.rmsd = fit.fit.rmsd;
          } catch (const torvex::Error& error) {
            p.status = status_of(error);
            p.error = error.what();
          }
        }
      }
      progress.done().fetch_add(1, std::memory_order_relaxed);
    });
  }

  int status = 0;
  string json;
  for (const ListedPair& p : pairs) {
    string head = "{\"line\": " + std::to_string(p.line) +
                  ", \"status\": " + std::to_string(p.status) + ", \"error\": ";
    if (p.status == 0) {
      // The summary's own keys follow the status.
      json += head + "null, " + p.summary.substr(1) + "\n";
      if (!s.quiet) {
        std::printf("%s onto %s: %d atoms, RMSD %s, written to %s\n", p.moving.c_str(),
                    p.target.c_str(), p.atoms_fitted, fixed6(p.rmsd).c_str(), p.results.c_str());
      }
    } else {
      json += head + quoted(p.error) + ", \"target\": " + quoted(p.target) +
              ", \"moving\": " + quoted(p.moving) + "}\n";
      std::fprintf(stderr, "torvex: %s line %d: %s\n", s.list.c_str(), p.line, p.error.c_str());
      if (p.status > status) status = p.status;
    }
  }
  std::fflush(stdout);
  if (!s.json.empty() && !write_text(s.json, json)) {
    std::fprintf(stderr, "torvex: cannot write the summaries to '%s'\n", s.json.c_str());
    return 1;
  }
  return status;
}

}  // namespace

bool is_many_run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const string_view arg = argv[i];
    if (arg == "--") return false;
    if (arg == "--all-vs-all" || arg == "--pairs-from" || arg.starts_with("--pairs-from=")) {
      return true;
    }
  }
  return false;
}

int many_run(int argc, char** argv) {
  Settings settings;
  if (const int status = read_settings(argc, argv, settings); status >= 0) return status;
  return settings.all_vs_all ? run_all_vs_all(settings) : run_pairs_from(settings);
}

}  // namespace app
