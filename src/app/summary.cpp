// The JSON summary's content: which keys, in which order, from which part
// of the run. How JSON is written is the writer's.
#include "app/summary.hpp"

#include <cstring>

#include "app/dialogue.hpp"
#include "app/json_writer.hpp"
#include "app/version.hpp"
#include "formatted_io/stops.hpp"

namespace app {
namespace {

constexpr formatted_io::Unit RESULTS = formatted_io::Unit::Results;
// Five names of at most 50 bytes, each byte at most 6 when escaped, and 30
// reals of at most 15 characters: well within.
constexpr int SUMMARY_BYTES = 4096;

// A name field without its blanks.
void put_name(JsonWriter& json, const char* field) {
  char name[NAME_LEN + 1];
  json.string(file_name(field, name));
}

void put_vector(JsonWriter& json, const float v[3]) {
  json.begin_array();
  for (int i = 0; i < 3; ++i) json.real(v[i]);
  json.end_array();
}

void put_matrix(JsonWriter& json, const float m[3][3]) {
  json.begin_array();
  for (int i = 0; i < 3; ++i) put_vector(json, m[i]);
  json.end_array();
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
  JsonWriter json(out, SUMMARY_BYTES);
  json.begin_object();
  json.key("version");
  json.string(VERSION);
  json.key("run");
  json.string("legacy");
  json.key("target");
  put_name(json, state.target_name);
  json.key("moving");
  put_name(json, state.first_moving_name);
  json.key("results");
  put_name(json, state.first_results_name);
  json.key("further");
  if (state.script.has_further) {
    json.begin_object();
    json.key("file");
    put_name(json, state.moving_name);
    json.key("results");
    put_name(json, state.results_name);
    json.key("line_limit_reached");
    json.boolean(state.further_cut);
    json.end_object();
  } else {
    json.null();
  }
  json.key("atoms_fitted");
  json.integer(state.pairs);
  json.key("rmsd");
  json.real(fit.rms);
  json.key("target_centre");
  put_vector(json, fit.target_centre);
  json.key("moving_centre");
  put_vector(json, fit.moving_centre);
  json.key("translation");
  put_vector(json, fit.translation);
  json.key("rotation");
  put_matrix(json, fit.rotation);
  json.key("transform");
  json.begin_object();
  json.key("rotation");
  put_matrix(json, fit.rotation);
  json.key("translation");
  put_vector(json, shift);
  json.end_object();
  json.key("line_limit_reached");
  json.begin_object();
  json.key("target");
  json.boolean(state.target_cut);
  json.key("moving");
  json.boolean(state.moving_cut);
  json.end_object();
  json.key("checks");
  json.begin_object();
  json.key("counts_equal");
  json.boolean(state.checks.counts_equal);
  json.key("residue_mismatches");
  json.integer(state.checks.residue_mismatches);
  json.key("atom_type_mismatches");
  json.integer(state.checks.atom_type_mismatches);
  json.end_object();
  json.end_object();
  json.finish();
  return json.length();
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
      formatted_io::run_time_error_stop(Statement::Write, "CON", RunTimeError::WriteFailed);
    }
    return;
  }
  const int name_length = static_cast<int>(std::strlen(name));
  if (!formatted_io::open_output(io, RESULTS, name, name_length)) {
    formatted_io::run_time_error_stop(Statement::Open, name, RunTimeError::WriteFailed);
  }
  if (!io.channel(RESULTS).write_record(text, length, false)) {
    formatted_io::run_time_error_stop(Statement::Write, name, RunTimeError::WriteFailed);
  }
  formatted_io::close_channel(io, RESULTS);
}

}  // namespace app
