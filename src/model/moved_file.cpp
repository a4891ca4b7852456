// The moved copy of a structure file in the file's own format. A PDB file is
// edited in place, line by line: only the coordinate columns of ATOM and
// HETATM records change. An mmCIF file is read by gemmi's grammar, and only
// the bytes of its _atom_site coordinate values are replaced.
#include <gemmi/cif.hpp>

#include <algorithm>
#include <charconv>
#include <exception>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "formatted_io/file_key.hpp"
#include "model/file_bytes.hpp"
#include "torvex/structure_files.hpp"

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

// "file:12: why"
std::string at_line(const std::string& path, int line_number, const char* why) {
  std::string text = path;
  text += ':';
  text += std::to_string(line_number);
  text += ": ";
  text += why;
  return text;
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
      for (std::size_t c = 0; c < 3; ++c) {
        const char* field = out.data() + start + 30 + 8 * c;
        const char* last = field + 8;
        while (field < last && *field == ' ') ++field;
        while (last > field && last[-1] == ' ') --last;
        const auto read = std::from_chars(field, last, x[c]);
        if (read.ec != std::errc() || read.ptr != last || field == last) {
          throw Error(Error::Kind::RunTime, 0, at_line(path, line_number, "coordinate is no number"));
        }
      }
      const Xyz moved = apply_fit(fit, x);
      for (std::size_t c = 0; c < 3; ++c) {
        const std::string text = three_decimals(moved[c]);
        if (text.size() > 8) {
          throw Error(Error::Kind::RunTime, 0,
                      at_line(path, line_number, "moved coordinate does not fit columns 31-54"));
        }
        // Right-justified in its 8 columns.
        out.replace(start + 30 + 8 * c, 8, std::string(8 - text.size(), ' ') + text);
      }
    }
    start = end + 1;
  }
  return out;
}

// Where each loop's tags and values lie in the file, found by gemmi's CIF
// grammar with actions that note byte ranges instead of copying values.
struct LoopSpans {
  std::vector<std::string> tags;  // lower case
  std::vector<std::pair<std::size_t, std::size_t>> values;  // offset, length
};
struct Spans {
  const char* base;
  std::vector<LoopSpans> loops;
};

namespace rules = gemmi::cif::rules;
template <typename Rule>
struct SpanAction : gemmi::cif::pegtl::nothing<Rule> {};
template <>
struct SpanAction<rules::str_loop> {
  template <typename Input>
  static void apply(const Input&, Spans& spans) {
    spans.loops.emplace_back();
  }
};
template <>
struct SpanAction<rules::loop_tag> {
  template <typename Input>
  static void apply(const Input& in, Spans& spans) {
    std::string tag = in.string();
    for (char& c : tag) c = gemmi::lower(c);
    spans.loops.back().tags.push_back(std::move(tag));
  }
};
template <>
struct SpanAction<rules::loop_value> {
  template <typename Input>
  static void apply(const Input& in, Spans& spans) {
    spans.loops.back().values.emplace_back(static_cast<std::size_t>(in.begin() - spans.base),
                                           in.size());
  }
};

// Every byte kept but the values of _atom_site.Cartn_x, Cartn_y and Cartn_z
// in every block; a value that is no number ('?', '.') is kept too.
std::string move_mmcif(const RigidFit& fit, const std::string& bytes, const std::string& path) {
  Spans spans{bytes.data(), {}};
  try {
    gemmi::cif::pegtl::memory_input<> in(bytes.data(), bytes.size(), path);
    gemmi::cif::pegtl::parse<rules::file, SpanAction, gemmi::cif::Errors>(in, spans);
  } catch (const std::exception& e) {
    throw Error(Error::Kind::Unreadable, 0, path + ": " + e.what());
  }
  // (offset, length, new text), in file order.
  std::vector<std::tuple<std::size_t, std::size_t, std::string>> edits;
  constexpr const char* NAMES[3] = {"_atom_site.cartn_x", "_atom_site.cartn_y",
                                    "_atom_site.cartn_z"};
  for (const LoopSpans& loop : spans.loops) {
    std::size_t column[3];
    bool found = true;
    for (int c = 0; c < 3; ++c) {
      const auto at = std::find(loop.tags.begin(), loop.tags.end(), NAMES[c]);
      found = found && at != loop.tags.end();
      column[c] = static_cast<std::size_t>(at - loop.tags.begin());
    }
    if (!found) continue;
    const std::size_t width = loop.tags.size();
    for (std::size_t row = 0; row + width <= loop.values.size(); row += width) {
      Xyz x{};
      bool numbers = true;
      for (int c = 0; c < 3; ++c) {
        const auto [offset, length] = loop.values[row + column[c]];
        const char* first = bytes.data() + offset;
        const auto read = std::from_chars(first, first + length, x[c]);
        numbers = numbers && read.ec == std::errc() && read.ptr == first + length;
      }
      if (!numbers) continue;
      const Xyz moved = apply_fit(fit, x);
      for (int c = 0; c < 3; ++c) {
        const auto [offset, length] = loop.values[row + column[c]];
        edits.emplace_back(offset, length, three_decimals(moved[c]));
      }
    }
  }
  std::sort(edits.begin(), edits.end());
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  std::size_t done = 0;
  for (const auto& [offset, length, text] : edits) {
    out.append(bytes, done, offset - done);
    out += text;
    done = offset + length;
  }
  out.append(bytes, done, std::string::npos);
  return out;
}

bool same_file(const std::string& a, const std::string& b) {
  return formatted_io::same_file(a.c_str(), b.c_str());
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

}  // namespace torvex
