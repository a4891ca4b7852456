// Results header. Every record is assembled from its pieces by the format
// walker; the record-name prefix begins each REMARK.
#include "output/results_header.hpp"

#include "output/names.hpp"

namespace output {

using formatted_io::Format;
using formatted_io::Unit;
using formatted_io::write_record;

void write_results_header(formatted_io::Io& io, const char* target_name, const char* moving_name,
                          const char* results_name, const fit::FitResult& fit) {
  static constexpr Format CONSOLE_LINE("(/a,a,a/)");
  static constexpr Format ONE("(a)");
  static constexpr Format TWO("(a,a)");
  static constexpr Format THREE("(a,a,a)");
  static constexpr Format FOUR("(a,a,a,a)");
  static constexpr Format VECTOR("(a,3f12.4)");
  static constexpr Format MATRIX_ROW("(a,3f12.6)");
  static constexpr Format RMS("(a,a,f12.4,a)");
  write_record<CONSOLE_LINE>(io, formatted_io::CONSOLE, " Writing new pdb file ",
                             cut_name(results_name), "..........");
  const char* prefix = "REMARK  ";
  write_record<TWO>(io, Unit::Results, "TITLE   ", cut_name(results_name));
  write_record<TWO>(io, Unit::Results, prefix,
                    "This pdb file has been created by superposition of ");
  write_record<FOUR>(io, Unit::Results, prefix, "Target : ", cut_name(target_name), " and");
  write_record<FOUR>(io, Unit::Results, prefix, "Source : ", cut_name(moving_name), " applying");
  write_record<THREE>(io, Unit::Results, prefix, "the quaternion method S.K.Kearsley Acta Cryst ",
                      "A45 208 (1989)");
  write_record<TWO>(io, Unit::Results, prefix, "TORVEX, by the TORVEX developers");
  write_record<TWO>(io, Unit::Results, prefix, "The TORVEX project, 2026");
  write_record<TWO>(io, Unit::Results, prefix, "Details: README.md of the TORVEX sources");
  write_record<ONE>(io, Unit::Results, prefix);
  write_record<TWO>(io, Unit::Results, prefix, "Translation vector: source -> target (Angstroem):");
  const float* t = fit.translation;
  write_record<VECTOR>(io, Unit::Results, prefix, t[0], t[1], t[2]);
  write_record<TWO>(io, Unit::Results, prefix, "Rotation matrix   : source -> target :");
  for (const auto& row : fit.rotation) {
    write_record<MATRIX_ROW>(io, Unit::Results, prefix, row[0], row[1], row[2]);
  }
  write_record<RMS>(io, Unit::Results, prefix,
                    "The overall best fit r.m.s. deviation is : ", fit.rms, " A");
  write_record<TWO>(io, Unit::Results, prefix, "Last 3 columns contain rmsx,rmsy,rmsz,rmsd");
  write_record<ONE>(io, Unit::Results, prefix);
}

}  // namespace output
