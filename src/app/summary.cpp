// The JSON summary. Written once per run, after the fit, so plain
// std::to_chars into a fixed buffer is all it needs.
#include "app/summary.hpp"

#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "app/dialogue.hpp"
#include "app/version.hpp"
#include "formatted_io/stops.hpp"

namespace app {
namespace {

constexpr formatted_io::Unit RESULTS = formatted_io::Unit::Results;
// Five names of at most 50 bytes, each byte at most 6 when escaped, and 30
// reals of at most 15 characters: well within.
constexpr int SUMMARY_BYTES = 4096;

struct Text {
  char* out;
  int length = 0;

  void put(std::string_view text) {
    assert(length + static_cast<int>(text.size()) <= SUMMARY_BYTES);
    std::memcpy(out + length, text.data(), text.size());
    length += static_cast<int>(text.size());
  }
};

// Bytes of the valid UTF-8 sequence at `s` (1 to 4), 0 when it is none:
// no overlong forms, no surrogates, nothing past U+10FFFF.
int utf8_length(const unsigned char* s, int left) {
  const unsigned char c = s[0];
  int n = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (n > left || s[1] < low || s[1] > high) return 0;
  for (int i = 2; i < n; ++i) {
    if (s[i] < 0x80 || s[i] > 0xBF) return 0;
  }
  return n;
}

// A name field without its blanks, as a JSON string.
void put_name(Text& text, const char* field) {
  char name[NAME_LEN + 1];
  const int last = static_cast<int>(std::strlen(file_name(field, name)));
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  text.put("\"");
  for (int i = 0; i < last;) {
    const unsigned char c = bytes[i];
    if (c == '"' || c == '\\') {
      const char escape[] = {'\\', static_cast<char>(c)};
      text.put({escape, 2});
      ++i;
    } else if (c < 0x20) {
      constexpr char HEX[] = "0123456789abcdef";
      const char escape[] = {'\\', 'u', '0', '0', HEX[c >> 4], HEX[c & 15]};
      text.put({escape, 6});
      ++i;
    } else if (const int n = utf8_length(bytes + i, last - i); n > 0) {
      text.put({name + i, static_cast<std::size_t>(n)});
      i += n;
    } else {
      text.put("\\ufffd");
      ++i;
    }
  }
  text.put("\"");
}

void put_real(Text& text, float value) {
  if (!std::isfinite(value)) {
    text.put("null");
    return;
  }
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value);
  text.put({digits, static_cast<std::size_t>(end.ptr - digits)});
}

void put_integer(Text& text, int value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value);
  text.put({digits, static_cast<std::size_t>(end.ptr - digits)});
}

void put_vector(Text& text, const float v[3]) {
  text.put("[");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) text.put(", ");
    put_real(text, v[i]);
  }
  text.put("]");
}

void put_matrix(Text& text, const float m[3][3]) {
  text.put("[");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) text.put(", ");
    put_vector(text, m[i]);
  }
  text.put("]");
}

int format_summary(const RunState& state, char* out) {
  const fit::FitResult& fit = state.fit;
  // x' = R (x - cM) + cT = R x + t with t = cT - R cM, evaluated in double
  // and stored once, as every value of the fit.
  float shift[3];
  for (int i = 0; i < 3; ++i) {
    shift[i] = static_cast<float>(double(fit.target_centre[i]) -
                                  (double(fit.rotation[i][0]) * fit.moving_centre[0] +
                                   double(fit.rotation[i][1]) * fit.moving_centre[1] +
                                   double(fit.rotation[i][2]) * fit.moving_centre[2]));
  }
  Text text{out};
  // Keys one a line; the first opens the object.
  auto key = [&text](std::string_view name) {
    text.put(text.length == 0 ? "{\n  \"" : ",\n  \"");
    text.put(name);
    text.put("\": ");
  };
  key("version");
  text.put("\"");
  text.put(VERSION);
  text.put("\"");
  key("target");
  put_name(text, state.target_name);
  key("moving");
  put_name(text, state.first_moving_name);
  key("results");
  put_name(text, state.first_results_name);
  key("further");
  if (state.script.has_further) {
    text.put("{\"file\": ");
    put_name(text, state.moving_name);
    text.put(", \"results\": ");
    put_name(text, state.results_name);
    text.put(state.further_cut ? ", \"line_limit_reached\": true}"
                               : ", \"line_limit_reached\": false}");
  } else {
    text.put("null");
  }
  key("atoms_fitted");
  put_integer(text, state.pairs);
  key("rmsd");
  put_real(text, fit.rms);
  key("target_centre");
  put_vector(text, fit.target_centre);
  key("moving_centre");
  put_vector(text, fit.moving_centre);
  key("translation");
  put_vector(text, fit.translation);
  key("rotation");
  put_matrix(text, fit.rotation);
  key("transform");
  text.put("{\"rotation\": ");
  put_matrix(text, fit.rotation);
  text.put(", \"translation\": ");
  put_vector(text, shift);
  text.put("}");
  key("line_limit_reached");
  text.put(state.target_cut ? "{\"target\": true" : "{\"target\": false");
  text.put(state.moving_cut ? ", \"moving\": true}" : ", \"moving\": false}");
  text.put("\n}\n");
  return text.length;
}

}  // namespace

void write_summary(RunState& state) {
  using formatted_io::RunTimeError;
  using formatted_io::Statement;
  char text[SUMMARY_BYTES];
  const int length = format_summary(state, text);
  formatted_io::Io& io = state.io;
  const char* name = state.script.summary;
  if (std::strcmp(name, "-") == 0) {
    if (!io.console.flush() || !formatted_io::write_all(1, text, length)) {
      formatted_io::run_time_error_stop(io, Statement::Write, "CON", RunTimeError::WriteFailed);
    }
    return;
  }
  const int name_length = static_cast<int>(std::strlen(name));
  if (!formatted_io::open_output(io, RESULTS, name, name_length)) {
    formatted_io::run_time_error_stop(io, Statement::Open, name, RunTimeError::WriteFailed);
  }
  if (!io.channel(RESULTS).write_record(text, length, false)) {
    formatted_io::run_time_error_stop(io, Statement::Write, name, RunTimeError::WriteFailed);
  }
  formatted_io::close_channel(io, RESULTS);
}

}  // namespace app
