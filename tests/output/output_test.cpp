// The output room at its boundaries: the results header's numeric fields
// (rounding to zero, the digits past the seventh, asterisks) and the record
// pass of a further structure (which lines are copied, moved or left out,
// and where a moved coordinate no longer fits). Expected bytes are written
// from the record layouts; the fit is set by hand to a pure translation,
// whose moved values are exact.
#include <memory>
#include <string>

#include "fit/fit_result.hpp"
#include "output/record_pass.hpp"
#include "output/results_header.hpp"
#include "support/run_files.hpp"

namespace output {
namespace {

using formatted_io::Unit;

class ResultsOutput : public test_support::RunFiles {
 protected:
  // The identity rotation, both centres 0: a moved point is the point.
  std::unique_ptr<fit::FitResult> identity_fit() {
    auto fit = std::make_unique<fit::FitResult>();
    for (int i = 0; i < 3; ++i) {
      fit->target_centre[i] = fit->moving_centre[i] = fit->translation[i] = 0.0f;
      for (int j = 0; j < 3; ++j) fit->rotation[i][j] = i == j ? 1.0f : 0.0f;
    }
    fit->rms = 0.0f;
    return fit;
  }
};

// A name field of 50 characters.
std::string field(const std::string& name) { return name + std::string(50 - name.size(), ' '); }

TEST_F(ResultsOutput, HeaderFieldsAtTheirBoundaries) {
  auto fit = identity_fit();
  // clang-format off
  const float translation[3] = {-11.25f, 0.00004f, -9999999.0f};
  const float rotation[3][3] = {{1.0f,   -0.5f,    0.25f},
                                {5e-7f,   1.5e-6f, -0.0000004f},
                                {1234.567891f, -1000.0f, -10000.0f}};
  // clang-format on
  for (int i = 0; i < 3; ++i) {
    fit->translation[i] = translation[i];
    for (int j = 0; j < 3; ++j) fit->rotation[i][j] = rotation[i][j];
  }
  fit->rms = 0.96272993f;
  open_results();
  const std::string console = console_of([&] {
    write_results_header(io, field("t.pdb").c_str(), field("m.pdb").c_str(),
                         field("out.pdb").c_str(), *fit);
  });
  EXPECT_EQ(console, "\r\nWriting new pdb file out.pdb ..........\r\n\r\n");
  EXPECT_EQ(results(),
            "TITLE   out.pdb \r\n"
            "REMARK  This pdb file has been created by superposition of \r\n"
            "REMARK  Target : t.pdb  and\r\n"
            "REMARK  Source : m.pdb  applying\r\n"
            "REMARK  the quaternion method S.K.Kearsley Acta Cryst A45 208 (1989)\r\n"
            "REMARK  TORVEX, by the TORVEX developers\r\n"
            "REMARK  The TORVEX project, 2026\r\n"
            "REMARK  Details: README.md of the TORVEX sources\r\n"
            "REMARK  \r\n"
            "REMARK  Translation vector: source -> target (Angstroem):\r\n"
            // Rounds to zero: no sign; 13 characters: asterisks.
            "REMARK      -11.2500       .0000************\r\n"
            "REMARK  Rotation matrix   : source -> target :\r\n"
            "REMARK      1.000000    -.500000     .250000\r\n"
            // 5e-7f is stored below the half, 1.5e-6f above it.
            "REMARK       .000000     .000002     .000000\r\n"
            // Seven digits at most, the later ones show 0; 12 characters
            // fit, 13 are asterisks.
            "REMARK   1234.568000-1000.000000************\r\n"
            "REMARK  The overall best fit r.m.s. deviation is :        .9627 A\r\n"
            "REMARK  Last 3 columns contain rmsx,rmsy,rmsz,rmsd\r\n"
            "REMARK  \r\n");
}

TEST_F(ResultsOutput, FurtherPassMovesCopiesAndLeavesOut) {
  auto fit = identity_fit();
  fit->target_centre[0] = 0.5f;  // every x moves by +0.5
  const std::string blanks(80, ' ');
  auto padded = [&](const std::string& line) { return line + blanks.substr(line.size()); };
  const std::string lead = "ATOM      1  CA  GLY A   1    ";  // columns 1-30
  open_lines(Unit::Structure,
             {"HEADER    further", lead + "   1.000  -2.500   3.250  1.00 20.00           C",
              "HETATM    2  O   HOH A   2       1.000   1.000   1.000",
              // 9999.500 + 0.5 needs nine characters.
              lead + "9999.500    .000   -.001", "END"});
  open_results();
  const std::string console =
      console_of([&] { run_further_pass(io, field("out.pdb").c_str(), *fit); });
  EXPECT_EQ(console, "Atoms written to results file out.pdb :    2\r\n\r\n");
  const std::string zero_deviations = "  .000  .000  .000  .000";
  EXPECT_EQ(results(), padded("HEADER    further") + "\r\n" + lead +
                           "   1.500  -2.500   3.250  1.00 20.00" + zero_deviations + "\r\n" +
                           lead + "********    .000   -.001            " + zero_deviations +
                           "\r\n" + padded("END") + "\r\n");
}

}  // namespace
}  // namespace output
