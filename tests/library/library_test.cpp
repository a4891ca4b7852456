// The public library: the program's bytes for the program's inputs, errors
// handed back with nothing written to the caller's streams.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <torvex/torvex.hpp>

#include "fit/reference_fit.hpp"

namespace {

namespace fs = std::filesystem;

const std::string EXAMPLES = TORVEX_EXAMPLES;
const std::string FURTHER_CASE =
    std::string(TORVEX_E2E_CASES) + "/fit-1hpv-dimer-further-structure";

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A scratch folder holding the example pair, the working folder while it lives.
class InScratch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("torvex-library-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    for (const char* name : {"1hpv_chainA.pdb", "1hpv_chainB.pdb"}) {
      fs::copy_file(EXAMPLES + "/" + name, dir_ / name);
    }
    previous_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }
  fs::path dir_;
  fs::path previous_;
};

using Library = InScratch;

TEST_F(Library, ReproducesTheProgramsFilesAndWritesNothingElse) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const torvex::AtomSet target = torvex::read_structure("1hpv_chainA.pdb");
  const torvex::AtomSet moving = torvex::read_structure("1hpv_chainB.pdb");
  const torvex::FitResult fit = torvex::superpose(target, moving);
  torvex::write_results(fit, "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb", "1hpv_chainA.pdb");
  torvex::write_moved(fit, "1hpv_chainA.pdb", "1hpv_chainA_mvd.pdb");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  ASSERT_EQ(fit.n, 758);
  EXPECT_EQ(read_file("1hpv_chainB_mvd.pdb"),
            read_file(EXAMPLES + "/expected/1hpv_chainB_mvd.pdb"));
  EXPECT_EQ(read_file("1hpv_chainA_mvd.pdb"),
            read_file(FURTHER_CASE + "/expected/files/1hpv_chainA_mvd.pdb"));
}

TEST_F(Library, AgreesWithADoublePrecisionFit) {
  const torvex::AtomSet target = torvex::read_structure("1hpv_chainA.pdb");
  const torvex::AtomSet moving = torvex::read_structure("1hpv_chainB.pdb");
  std::vector<fit_reference::Vec3> t, m;
  for (const auto& atom : target.atoms) t.push_back({atom.xyz[0], atom.xyz[1], atom.xyz[2]});
  for (const auto& atom : moving.atoms) m.push_back({atom.xyz[0], atom.xyz[1], atom.xyz[2]});
  const fit_reference::ReferenceFit reference = fit_reference::fit(t, m);
  const torvex::FitResult fit = torvex::superpose(target, moving);
  EXPECT_TRUE(fit.converged);
  EXPECT_NEAR(fit.rms, reference.rms, 1e-3);
  double worst_moved = 0.0;
  for (std::size_t k = 0; k < m.size(); ++k) {
    double squares = 0.0;
    for (int c = 0; c < 3; ++c) {
      double x = reference.target_centre[c];
      for (int j = 0; j < 3; ++j)
        x += reference.rotation[c][j] * (m[k][j] - reference.moving_centre[j]);
      worst_moved = std::max(worst_moved, std::fabs(fit.moved[k][c] - x));
      const double d = std::fabs(t[k][c] - x);
      squares += d * d;
      EXPECT_NEAR(fit.deviations[k][c], d, 1e-3);
    }
    EXPECT_NEAR(fit.deviations[k][3], std::sqrt(squares), 1e-3);
  }
  EXPECT_LT(worst_moved, 1e-3);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(fit.translation[c], reference.target_centre[c] - reference.moving_centre[c], 1e-4);
  }
}

TEST_F(Library, ReportsOnStandardOutputOnlyWhenAsked) {
  const torvex::AtomSet target = torvex::read_structure("1hpv_chainA.pdb");
  const torvex::AtomSet moving = torvex::read_structure("1hpv_chainB.pdb");
  testing::internal::CaptureStdout();
  static_cast<void>(torvex::superpose(target, moving, torvex::Report::Console));
  const std::string report = testing::internal::GetCapturedStdout();
  EXPECT_NE(report.find("Eigenvalues and Eigenvectors (21 Jacobi rotations)"), std::string::npos);
  // The program's report of the same fit, but for the line that opens it.
  const std::string transcript = read_file(EXAMPLES + "/expected/transcript.txt");
  EXPECT_NE(transcript.find(report.substr(report.find('\n'))), std::string::npos) << report;
}

TEST_F(Library, HandsErrorsBackAndLeavesTheStreamsAlone) {
  std::ofstream("bad.pdb", std::ios::binary)
      << "ATOM      1  N   PRO A   1      1.000x  2.000   3.000\n";
  const auto kind_of = [](auto call) {
    try {
      call();
    } catch (const torvex::Error& error) {
      return std::make_pair(error.kind(), std::string(error.what()));
    }
    return std::make_pair(torvex::Error::Kind::NoAtoms, std::string("no error"));
  };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  using Kind = torvex::Error::Kind;
  EXPECT_EQ(
      kind_of([] { torvex::read_structure("missing.pdb"); }),
      std::make_pair(Kind::CannotOpen, std::string("cannot open structure file missing.pdb")));
  EXPECT_EQ(kind_of([] { torvex::read_structure("."); }).first, Kind::CannotOpen);
  EXPECT_EQ(kind_of([] { torvex::read_structure(std::string(300, 'x')); }).first, Kind::CannotOpen);
  EXPECT_EQ(
      kind_of([] { torvex::read_structure("bad.pdb"); }),
      std::make_pair(Kind::RunTime, std::string("bad.pdb:1: run-time error F6504: READ(internal) - "
                                                "numeric field does not form a number")));
  try {
    torvex::read_structure("bad.pdb");
  } catch (const torvex::Error& error) {
    EXPECT_EQ(error.number(), 6504);
  }
  const torvex::AtomSet one{{torvex::Atom{}}, false};
  const torvex::AtomSet too_many{std::vector<torvex::Atom>(torvex::MAX_ATOMS + 1), false};
  EXPECT_EQ(kind_of([&] { torvex::superpose(one, torvex::AtomSet{}); }).first, Kind::NoAtoms);
  EXPECT_EQ(kind_of([&] { torvex::superpose(too_many, one); }).first, Kind::TooManyAtoms);
  const torvex::FitResult fit = torvex::superpose(one, one);
  EXPECT_EQ(kind_of([&] { torvex::write_results(fit, "missing.pdb", "out.pdb", "t"); }).first,
            Kind::CannotOpen);
  EXPECT_FALSE(fs::exists("out.pdb"));
  EXPECT_EQ(
      kind_of([&] { torvex::write_results(fit, "1hpv_chainA.pdb", "no/such/out.pdb", "t"); }).first,
      Kind::CannotCreate);
  const std::string before = read_file("1hpv_chainA.pdb");
  EXPECT_EQ(
      kind_of([&] { torvex::write_moved(fit, "1hpv_chainA.pdb", "./1hpv_chainA.pdb"); }).first,
      Kind::CannotCreate);
  EXPECT_EQ(read_file("1hpv_chainA.pdb"), before);
  // The last records are written out when the file is closed.
  const auto full = kind_of([&] { torvex::write_moved(fit, "1hpv_chainA.pdb", "/dev/full"); });
  EXPECT_EQ(full,
            std::make_pair(Kind::RunTime, std::string("run-time error F6508: WRITE(/dev/full)"
                                                      " - the system could not write the file")));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(Library, ErrorsNameTheirKindFileAndLine) {
  std::ofstream("bad.pdb", std::ios::binary)
      << "HEADER    TWO GOOD LINES FIRST\n"
      << "ATOM      1  N   PRO A   1      1.000   2.000   3.000\n"
      << "ATOM      2  N   PRO A   1      1.000   2.0x0   3.000\n";
  std::ofstream("far.pdb", std::ios::binary)
      << "ATOM      1  N   PRO A   1      1.0E39   2.000   3.000\n";
  const auto error_of = [](auto call) {
    try {
      call();
    } catch (const torvex::Error& error) {
      return error;
    }
    return torvex::Error(torvex::Error::Kind::NoAtoms, 0, "no error");
  };
  const torvex::Error bad = error_of([] { torvex::read_structure("bad.pdb"); });
  EXPECT_EQ(bad.file(), "bad.pdb");
  EXPECT_EQ(bad.line(), 3);
  EXPECT_STREQ(bad.what(),
               "bad.pdb:3: run-time error F6504: READ(internal) - numeric field does not form "
               "a number");
  const torvex::Error far = error_of([] { torvex::read_structure("far.pdb"); });
  EXPECT_EQ(far.number(), 6505);
  EXPECT_EQ(far.line(), 1);
  // A fit read back from the moving file's coordinates: the same line named.
  const torvex::AtomSet one{{torvex::Atom{}}, false};
  const torvex::FitResult fit = torvex::superpose(one, one);
  const torvex::Error moved = error_of([&] { torvex::write_moved(fit, "bad.pdb", "out.pdb"); });
  EXPECT_EQ(moved.file(), "bad.pdb");
  EXPECT_EQ(moved.line(), 3);
  const torvex::Error missing = error_of([] { torvex::read_structure("missing.pdb"); });
  EXPECT_EQ(missing.file(), "");
  EXPECT_EQ(missing.line(), 0);

  // Not std::invalid_argument: a fit result that does not hold together.
  torvex::FitResult broken = fit;
  broken.n = 5;
  const torvex::Error invalid =
      error_of([&] { torvex::write_moved(broken, "1hpv_chainA.pdb", "out.pdb"); });
  EXPECT_EQ(invalid.kind(), torvex::Error::Kind::InvalidFit);

  using Kind = torvex::Error::Kind;
  // clang-format off
  EXPECT_STREQ(torvex::to_string(Kind::CannotOpen),   "cannot open");
  EXPECT_STREQ(torvex::to_string(Kind::CannotCreate), "cannot create");
  EXPECT_STREQ(torvex::to_string(Kind::RunTime),      "run-time error");
  EXPECT_STREQ(torvex::to_string(Kind::NoAtoms),      "no atoms");
  EXPECT_STREQ(torvex::to_string(Kind::TooManyAtoms), "too many atoms");
  EXPECT_STREQ(torvex::to_string(Kind::InvalidFit),   "invalid fit");
  // clang-format on
}

TEST_F(Library, AtomSetSaysWhenTheLineLimitCutIt) {
  const auto write_lines = [](const char* name, int lines) {
    std::ofstream out(name, std::ios::binary);
    for (int i = 0; i < lines; ++i) out << "ATOM      1  N   PRO A   1      1.000   2.000   3.000\n";
  };
  write_lines("whole.pdb", torvex::MAX_ATOMS);
  write_lines("cut.pdb", torvex::MAX_ATOMS + 1);
  const torvex::AtomSet whole = torvex::read_structure("whole.pdb");
  const torvex::AtomSet cut = torvex::read_structure("cut.pdb");
  EXPECT_EQ(whole.atoms.size(), std::size_t{torvex::MAX_ATOMS});
  EXPECT_FALSE(whole.line_limit_reached);
  EXPECT_EQ(cut.atoms.size(), std::size_t{torvex::MAX_ATOMS});
  EXPECT_TRUE(cut.line_limit_reached);
}

TEST_F(Library, ResultsNeverReplaceTheirSourceUnderAnyName) {
  const torvex::AtomSet target = torvex::read_structure("1hpv_chainA.pdb");
  const torvex::FitResult fit = torvex::superpose(target, target);
  const std::string before = read_file("1hpv_chainA.pdb");
  fs::create_symlink("1hpv_chainA.pdb", "link.pdb");
  fs::create_hard_link("1hpv_chainA.pdb", "hard.pdb");
  fs::create_directory("d");
  for (const char* name : {"link.pdb", "hard.pdb", "d/../1hpv_chainA.pdb"}) {
    try {
      torvex::write_moved(fit, "1hpv_chainA.pdb", name);
      ADD_FAILURE() << name << " written";
    } catch (const torvex::Error& error) {
      EXPECT_EQ(error.kind(), torvex::Error::Kind::CannotCreate) << name;
    }
  }
  EXPECT_EQ(read_file("1hpv_chainA.pdb"), before);
}

}  // namespace
