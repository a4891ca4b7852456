// The structure run: read both structures, pair, fit, trim, write the moved
// files, the report, the pairs table and the JSON summary. Every failure is
// a torvex::Error, turned here into one line on standard error and a status.
#include "app/structure_run.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/command_line.hpp"
#include "app/structure_options.hpp"
#include "app/structure_words.hpp"
#include "app/version.hpp"
#include "formatted_io/channel.hpp"
#include "formatted_io/file_key.hpp"
#include "torvex/structure_run.hpp"

namespace app {
namespace {

using torvex::Error;

constexpr int USAGE_STATUS = 2;

void write_out(int fd, std::string_view text) {
  static_cast<void>(formatted_io::write_all(fd, text.data(), static_cast<int>(text.size())));
}

int fail(int status, const std::string& message) {
  write_out(2, "torvex: " + message + "\n");
  return status;
}

// A name is the file as given when it exists, else the name with ".pdb".
std::string resolve(const std::string& name) {
  std::error_code error;
  if (std::filesystem::exists(name, error)) return name;
  if (std::filesystem::exists(name + ".pdb", error)) return name + ".pdb";
  return name;
}

std::string fixed(double value, int decimals) {
  char text[64];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  std::string out(text, static_cast<std::size_t>(end - text));
  // -0.000000 is 0.000000.
  if (out.find_first_not_of("-0.") == std::string::npos && out[0] == '-') out.erase(0, 1);
  return out;
}

// A real right-justified in `width` columns.
std::string column(double value, int decimals, std::size_t width) {
  std::string text = fixed(value, decimals);
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

const char* atoms_name(torvex::AtomChoice atoms) {
  switch (atoms) {
    case torvex::AtomChoice::Heavy:
      return "heavy atoms";
    case torvex::AtomChoice::Backbone:
      return "backbone atoms";
    case torvex::AtomChoice::Ca:
      return "CA and P atoms";
    default:
      return "all atoms";
  }
}

std::string describe(const torvex::Structure& s) {
  std::string text = s.format == torvex::FileFormat::Mmcif ? "PDBx/mmCIF" : "PDB";
  if (s.gzipped) text += ", gzip";
  text += ", model " + std::to_string(s.model) + " of " + std::to_string(s.models);
  text += s.selection.empty() ? ", no selection" : ", selection " + s.selection;
  return text;
}

std::string report(const StructureArgs& args, const torvex::Structure& target,
                   const torvex::Structure& moving, const torvex::Superposition& fit,
                   const std::string& results, const std::string& further_results) {
  const torvex::Options& o = args.options;
  const int paired = static_cast<int>(fit.target_index.size());
  std::string r;
  r += "Target file   : " + target.path + " (" + describe(target) + ")\n";
  r += "Moving file   : " + moving.path + " (" + describe(moving) + ")\n";
  r += std::string("Pairing       : by ") + match_name(o.match) + ", " + atoms_name(o.atoms);
  if (!o.chains.empty()) {
    r += ", chains";
    for (const auto& [a, b] : o.chains) {
      r += ' ';
      r += a;
      r += ':';
      r += b;
    }
  }
  r += "\n";
  r += "Target atoms  : " + std::to_string(paired + fit.unpaired_target) + " chosen, " +
       std::to_string(paired) + " paired, " + std::to_string(fit.unpaired_target) +
       " unpaired\n";
  r += "Moving atoms  : " + std::to_string(paired + fit.unpaired_moving) + " chosen, " +
       std::to_string(paired) + " paired, " + std::to_string(fit.unpaired_moving) +
       " unpaired\n";
  r += "Residues      : " + std::to_string(fit.residues_paired) + " paired, " +
       std::to_string(fit.residues_identical) + " of the same name (identity " +
       fixed(100.0 * fit.residue_identity, 1) + "%)\n";
  r += "Atoms fitted  : " + std::to_string(fit.atoms_fitted) + " of " + std::to_string(paired);
  if (o.trim > 0.0) {
    r += " (trimmed at " + fixed(o.trim, 2) + " x RMSD, " + std::to_string(fit.cycles_run) +
         " of at most " + std::to_string(o.cycles) + " cycles)";
  }
  r += "\n";
  r += "RMSD          : " + fixed(fit.fit.rmsd, 6) + " A over the fitted pairs\n";
  if (o.trim > 0.0) {
    r += "                " + fixed(fit.rmsd_first, 6) + " A before trimming\n";
    r += "                " + fixed(fit.rmsd_paired, 6) + " A over every pair\n";
  }
  r += "Rotation      :";
  for (int i = 0; i < 3; ++i) {
    if (i > 0) r += "               ";
    for (int j = 0; j < 3; ++j) r += column(fit.fit.rotation[i][j], 6, 11);
    r += "\n";
  }
  r += "Translation   :";
  for (int c = 0; c < 3; ++c) r += column(fit.fit.translation[c], 4, 11);
  r += "\n";
  r += "               x' = R x + t\n";
  r += "Results file  : " + results + "\n";
  if (!further_results.empty()) r += "Further file  : " + further_results + "\n";
  return r;
}

void write_pairs(const std::string& path, const torvex::Structure& target,
                 const torvex::Structure& moving, const torvex::Superposition& fit) {
  std::string text =
      "target_chain\ttarget_residue_number\ttarget_residue\ttarget_atom\t"
      "moving_chain\tmoving_residue_number\tmoving_residue\tmoving_atom\t"
      "fitted\tdx\tdy\tdz\tdistance\n";
  auto atom = [&text](const torvex::AtomId& a) {
    text += a.chain + "\t" + std::to_string(a.residue_number);
    if (a.insertion_code != ' ') text += a.insertion_code;
    text += "\t" + a.residue + "\t" + a.name + "\t";
  };
  for (std::size_t k = 0; k < fit.target_index.size(); ++k) {
    const torvex::Xyz& t = target.xyz[fit.target_index[k]];
    const torvex::Xyz moved = torvex::apply_fit(fit.fit, moving.xyz[fit.moving_index[k]]);
    atom(target.atoms[fit.target_index[k]]);
    atom(moving.atoms[fit.moving_index[k]]);
    text += fit.fitted[k] ? "yes" : "no";
    double d2 = 0.0;
    for (int c = 0; c < 3; ++c) {
      const double d = moved[c] - t[c];
      d2 += d * d;
      text += '\t';
      text += fixed(d, 4);
    }
    text += '\t';
    text += fixed(std::sqrt(d2), 4);
    text += '\n';
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
      std::fflush(file.get()) != 0) {
    throw Error(Error::Kind::CannotCreate, 0, path + ": cannot write the pairs table");
  }
}

void write_summary_file(const std::string& path, const std::string& text) {
  if (path == "-") {
    write_out(1, text);
    return;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
  if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
      std::fflush(file.get()) != 0) {
    throw Error(Error::Kind::CannotCreate, 0, path + ": cannot write the summary");
  }
}

bool same_file(const std::string& a, const std::string& b) {
  return formatted_io::same_file(a.c_str(), b.c_str());
}

// The files a run writes may be none of its inputs, nor each other.
std::string clash(const std::vector<std::string>& inputs,
                  const std::vector<std::pair<std::string, std::string>>& outputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    for (const std::string& input : inputs) {
      if (same_file(outputs[i].second, input)) {
        return "the " + outputs[i].first + " '" + outputs[i].second + "' would replace an input";
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (same_file(outputs[i].second, outputs[j].second)) {
        return "the " + outputs[i].first + " '" + outputs[i].second + "' is also the " +
               outputs[j].first;
      }
    }
  }
  return {};
}

int run(const StructureArgs& args) {
  if (!args.error.empty()) return fail(USAGE_STATUS, args.error);
  if (args.names.size() < 2 || args.names.size() > 3) {
    return fail(USAGE_STATUS, "two or three names expected: TARGET MOVING [FURTHER] (torvex --help)");
  }
  std::vector<std::string> inputs;
  for (const std::string& name : args.names) {
    const std::string file = resolve(name);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
      return fail(USAGE_STATUS, "cannot open '" + file + "'");
    }
    inputs.push_back(file);
  }
  const std::string results = args.output.empty() ? torvex::results_name(inputs[1]) : args.output;
  const std::string further_results = inputs.size() == 3 ? torvex::results_name(inputs[2]) : "";
  std::vector<std::pair<std::string, std::string>> outputs = {{"results file", results}};
  if (!further_results.empty()) outputs.emplace_back("further results file", further_results);
  if (!args.pairs.empty()) outputs.emplace_back("pairs table", args.pairs);
  if (!args.summary.empty() && args.summary != "-") outputs.emplace_back("summary", args.summary);
  if (const std::string why = clash(inputs, outputs); !why.empty()) {
    return fail(USAGE_STATUS, why);
  }

  const std::string& target_select = args.target_select_given ? args.target_select : args.select;
  const std::string& moving_select = args.moving_select_given ? args.moving_select : args.select;
  const torvex::Structure target = torvex::read(inputs[0], args.model, target_select);
  const torvex::Structure moving = torvex::read(inputs[1], args.model, moving_select);
  const torvex::Superposition fit = torvex::superpose(target, moving, args.options);
  torvex::write_moved(fit.fit, inputs[1], results);
  if (!further_results.empty()) torvex::write_moved(fit.fit, inputs[2], further_results);
  if (!args.pairs.empty()) write_pairs(args.pairs, target, moving, fit);
  const bool to_stdout = args.summary == "-";
  if (!args.quiet && !to_stdout) {
    write_out(1, report(args, target, moving, fit, results, further_results));
  }
  if (!args.summary.empty()) {
    torvex::SummaryNames names;
    names.version = std::string(VERSION);
    names.target = inputs[0];
    names.moving = inputs[1];
    names.results = results;
    if (inputs.size() == 3) {
      names.further = inputs[2];
      names.further_results = further_results;
    }
    names.match = match_name(args.options.match);
    write_summary_file(args.summary,
                       torvex::structure_summary(names, target, moving, fit, args.options));
  }
  return 0;
}

}  // namespace

int run_structure(int argc, char** argv) {
  if (!wants_structure_run(argc, argv)) return RUN_GOES_ON;
  const StructureArgs args = read_structure_args(argc, argv);
  // Help and the version are the legacy command line's, unless an option of
  // the structure run came with them.
  if (args.help_or_version && !args.new_option) return RUN_GOES_ON;
  try {
    return run(args);
  } catch (const Error& error) {
    return fail(status_of(error), error.what());
  } catch (const std::exception& error) {
    return fail(1, error.what());
  }
}

}  // namespace app
