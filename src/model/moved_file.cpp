// The moved copy of a structure file in the file's own format. A PDB file is
// edited in place, line by line: only the coordinate columns of ATOM and
// HETATM records change. An mmCIF file goes through gemmi's document, whose
// _atom_site coordinate values are replaced and every other value kept.
#include <gemmi/cif.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/to_cif.hpp>

#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>

#include "model/file_bytes.hpp"
#include "torvex/structure_run.hpp"

namespace torvex {
namespace {

// A coordinate with three decimals, "-0.000" written "0.000".
//   12.3456 -> "12.346", -0.0004 -> "0.000"
std::string three_decimals(double value) {
  char text[64];
  auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3).ptr;
  std::string out(text, static_cast<std::size_t>(end - text));
  if (out == "-0.000") out = "0.000";
  return out;
}

bool is_coordinate_record(const std::string& bytes, std::size_t start) {
  return bytes.compare(start, 6, "ATOM  ") == 0 || bytes.compare(start, 6, "HETATM") == 0;
}

// Columns 31-38, 39-46 and 47-54 of every ATOM and HETATM record moved;
// every other byte kept. A record too short for its coordinates is kept.
std::string move_pdb(const RigidFit& fit, const std::string& bytes, const std::string& path) {
  std::string out = bytes;
  std::size_t start = 0;
  int line_number = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    ++line_number;
    if (end - start >= 54 && is_coordinate_record(out, start)) {
      Xyz x{};
      for (int c = 0; c < 3; ++c) {
        const char* field = out.data() + start + 30 + 8 * c;
        const char* last = field + 8;
        while (field < last && *field == ' ') ++field;
        const auto read = std::from_chars(field, last, x[c]);
        if (read.ec != std::errc() || read.ptr != last) {
          throw Error(Error::Kind::RunTime, 0,
                      path + ":" + std::to_string(line_number) + ": coordinate is no number");
        }
      }
      const Xyz moved = apply_fit(fit, x);
      for (int c = 0; c < 3; ++c) {
        const std::string text = three_decimals(moved[c]);
        if (text.size() > 8) {
          throw Error(Error::Kind::RunTime, 0,
                      path + ":" + std::to_string(line_number) +
                          ": moved coordinate does not fit columns 31-54: " + text);
        }
        char* field = out.data() + start + 30 + 8 * c;
        std::memset(field, ' ', 8);
        std::memcpy(field + 8 - text.size(), text.data(), text.size());
      }
    }
    start = end + 1;
  }
  return out;
}

std::string move_mmcif(const RigidFit& fit, const std::string& bytes, const std::string& path) {
  gemmi::cif::Document doc;
  try {
    doc = gemmi::cif::read_memory(bytes.data(), bytes.size(), path.c_str());
  } catch (const std::exception& e) {
    throw Error(Error::Kind::Unreadable, 0, path + ": " + e.what());
  }
  for (gemmi::cif::Block& block : doc.blocks) {
    gemmi::cif::Table table = block.find("_atom_site.", {"Cartn_x", "Cartn_y", "Cartn_z"});
    for (gemmi::cif::Table::Row row : table) {
      Xyz x{};
      for (int c = 0; c < 3; ++c) x[c] = gemmi::cif::as_number(row[c]);
      const Xyz moved = apply_fit(fit, x);
      for (int c = 0; c < 3; ++c) row[c] = three_decimals(moved[c]);
    }
  }
  std::ostringstream text;
  gemmi::cif::write_cif_to_stream(text, doc, gemmi::cif::Style::Pdbx);
  return text.str();
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return a == b || std::filesystem::equivalent(a, b, error);
}

}  // namespace

void write_moved(const RigidFit& fit, const std::string& moving_path,
                 const std::string& results_path) {
  if (same_file(moving_path, results_path)) {
    throw Error(Error::Kind::CannotCreate, 0,
                results_path + ": the results file would replace its own input");
  }
  const model::FileBytes file = model::read_file_bytes(moving_path);
  const std::string moved = model::is_mmcif(file.bytes)
                                ? move_mmcif(fit, file.bytes, moving_path)
                                : move_pdb(fit, file.bytes, moving_path);
  model::write_file_bytes(results_path, moved, file.gzipped);
}

std::string results_name(const std::string& moving_path) {
  std::size_t own = 0;
  for (std::size_t i = 0; i < moving_path.size(); ++i) {
    if (moving_path[i] == '/' || moving_path[i] == '\\') own = i + 1;
  }
  const std::size_t dot = moving_path.find('.', own);
  if (dot == std::string::npos) return moving_path + "_mvd";
  return moving_path.substr(0, dot) + "_mvd" + moving_path.substr(dot);
}

}  // namespace torvex
