// The JSON summary of a structure run: the keys of the legacy run's summary,
// meaning what they meant there (reals now doubles), and the keys only a
// structure run has. Kept to this one place: the whole of its JSON writing.
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "formatted_io/utf8.hpp"
#include "torvex/structure_run.hpp"

namespace torvex {
namespace {

struct Json {
  std::string text;

  void key(std::string_view name) {
    text += text.empty() ? "{\n  \"" : ",\n  \"";
    text += name;
    text += "\": ";
  }
  // Quote, backslash and control characters escaped, valid UTF-8 kept, each
  // other byte written as U+FFFD: the legacy summary's rule for names.
  void string(std::string_view value) {
    text += '"';
    const auto* bytes = reinterpret_cast<const unsigned char*>(value.data());
    const std::size_t size = value.size();
    for (std::size_t i = 0; i < size;) {
      const unsigned char c = bytes[i];
      if (c == '"' || c == '\\') {
        text += '\\';
        text += static_cast<char>(c);
        ++i;
      } else if (c < 0x20) {
        constexpr char HEX[] = "0123456789abcdef";
        text += "\\u00";
        text += HEX[c >> 4];
        text += HEX[c & 15];
        ++i;
      } else if (const std::size_t n = formatted_io::utf8_length(bytes + i, size - i); n > 0) {
        text.append(value.data() + i, n);
        i += n;
      } else {
        text += "\\ufffd";
        ++i;
      }
    }
    text += '"';
  }
  void real(double value) {
    if (!std::isfinite(value)) {
      text += "null";
      return;
    }
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, static_cast<std::size_t>(end - digits));
  }
  void integer(int value) { text += std::to_string(value); }
  void vector(const Xyz& v) {
    text += '[';
    for (int i = 0; i < 3; ++i) {
      if (i > 0) text += ", ";
      real(v[i]);
    }
    text += ']';
  }
  void matrix(const Matrix3& m) {
    text += '[';
    for (int i = 0; i < 3; ++i) {
      if (i > 0) text += ", ";
      vector(m[i]);
    }
    text += ']';
  }
};

}  // namespace

std::string structure_summary(const SummaryNames& names, const Structure& target,
                              const Structure& moving, const Superposition& fit,
                              const Options& options) {
  Json json;
  json.key("version");
  json.string(names.version);
  json.key("run");
  json.string("structure");
  json.key("target");
  json.string(names.target);
  json.key("moving");
  json.string(names.moving);
  json.key("results");
  json.string(names.results);
  json.key("further");
  if (names.further.empty()) {
    json.text += "null";
  } else {
    json.text += "{\"file\": ";
    json.string(names.further);
    json.text += ", \"results\": ";
    json.string(names.further_results);
    json.text += ", \"line_limit_reached\": false}";
  }
  json.key("match");
  json.string(names.match);
  json.key("model");
  json.integer(target.model);
  json.key("atoms_paired");
  json.integer(static_cast<int>(fit.target_index.size()));
  json.key("atoms_fitted");
  json.integer(fit.atoms_fitted);
  json.key("rmsd");
  json.real(fit.fit.rmsd);
  json.key("rmsd_paired");
  json.real(fit.rmsd_paired);
  json.key("unpaired");
  json.text += "{\"target\": ";
  json.integer(fit.unpaired_target);
  json.text += ", \"moving\": ";
  json.integer(fit.unpaired_moving);
  json.text += '}';
  json.key("residue_identity");
  json.real(fit.residue_identity);
  json.key("trim");
  if (options.trim > 0.0) {
    json.text += "{\"cutoff\": ";
    json.real(options.trim);
    json.text += ", \"cycles_run\": ";
    json.integer(fit.cycles_run);
    json.text += '}';
  } else {
    json.text += "null";
  }
  json.key("target_centre");
  json.vector(fit.target_centre);
  json.key("moving_centre");
  json.vector(fit.moving_centre);
  Xyz translation;
  for (int c = 0; c < 3; ++c) translation[c] = fit.target_centre[c] - fit.moving_centre[c];
  json.key("translation");
  json.vector(translation);
  json.key("rotation");
  json.matrix(fit.fit.rotation);
  json.key("transform");
  json.text += "{\"rotation\": ";
  json.matrix(fit.fit.rotation);
  json.text += ", \"translation\": ";
  json.vector(fit.fit.translation);
  json.text += '}';
  json.key("line_limit_reached");
  json.text += "{\"target\": false, \"moving\": false}";
  json.text += "\n}\n";
  static_cast<void>(moving);
  return json.text;
}

}  // namespace torvex
