// Results header. Every record is assembled from its pieces by the format
// walker; the record-name prefix begins each REMARK.
#include "output/results_header.hpp"

#include "output/names.hpp"

namespace output {

using formatted_io::Format;
using formatted_io::write_formatted;

namespace {
constexpr int RESULTS = 6;
}  // namespace

void write_results_header(formatted_io::Io& io, const char* target_name,
                          const char* moving_name, const char* results_name,
                          const fit::FitResult& fit) {
  static constexpr Format CONSOLE_LINE("(/a,a,a/)");
  static constexpr Format ONE("(a)");
  static constexpr Format TWO("(a,a)");
  static constexpr Format THREE("(a,a,a)");
  static constexpr Format FOUR("(a,a,a,a)");
  static constexpr Format VECTOR("(a,3f12.4)");
  static constexpr Format MATRIX_ROW("(a,3f12.6)");
  static constexpr Format RMS("(a,a,f12.4,a)");
  write_formatted(io, formatted_io::CONSOLE, CONSOLE_LINE,
                  {" Writing new pdb file ", cut_name(results_name), ".........."});
  const char* prefix = "REMARK  ";
  write_formatted(io, RESULTS, TWO, {"TITLE   ", cut_name(results_name)});
  write_formatted(io, RESULTS, TWO,
                  {prefix, "This pdb file has been created by superposition of "});
  write_formatted(io, RESULTS, FOUR, {prefix, "Target : ", cut_name(target_name), " and"});
  write_formatted(io, RESULTS, FOUR, {prefix, "Source : ", cut_name(moving_name), " applying"});
  write_formatted(io, RESULTS, THREE,
                  {prefix, "the quaternion method S.K.Kearsley Acta Cryst ", "A45 208 (1989)"});
  write_formatted(io, RESULTS, TWO, {prefix, "TORVEX, by the TORVEX developers"});
  write_formatted(io, RESULTS, TWO, {prefix, "The TORVEX project, 2026"});
  write_formatted(io, RESULTS, TWO, {prefix, "Details: README.md of the TORVEX sources"});
  write_formatted(io, RESULTS, ONE, {prefix});
  write_formatted(io, RESULTS, TWO, {prefix, "Translation vector: source -> target (Angstroem):"});
  const float* t = fit.translation;
  write_formatted(io, RESULTS, VECTOR, {prefix, t[0], t[1], t[2]});
  write_formatted(io, RESULTS, TWO, {prefix, "Rotation matrix   : source -> target :"});
  for (const auto& row : fit.rotation) {
    write_formatted(io, RESULTS, MATRIX_ROW, {prefix, row[0], row[1], row[2]});
  }
  write_formatted(io, RESULTS, RMS,
                  {prefix, "The overall best fit r.m.s. deviation is : ", fit.rms, " A"});
  write_formatted(io, RESULTS, TWO, {prefix, "Last 3 columns contain rmsx,rmsy,rmsz,rmsd"});
  write_formatted(io, RESULTS, ONE, {prefix});
}

}  // namespace output
