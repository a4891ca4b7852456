// Fitting and trimming through superpose(): an outlier is trimmed and the
// RMSDs before, after and over every pair come out as worked by hand; pairs
// that already coincide are not trimmed on rounding noise; too few pairs is
// no fit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "torvex/structure_run.hpp"

namespace {

// CA atoms of residues 1..n of chain A at the given places.
torvex::Structure chain(const std::vector<torvex::Xyz>& xyz) {
  torvex::Structure s;
  for (std::size_t i = 0; i < xyz.size(); ++i) {
    s.atoms.push_back({std::string(1, 'A'), static_cast<int>(i) + 1, ' ', std::string("GLY"),
                       std::string("CA"), std::string(1, 'C'), torvex::AtomId::Kind::AminoAcid});
    s.xyz.push_back(xyz[i]);
  }
  return s;
}

std::vector<torvex::Xyz> spread(int n) {
  std::vector<torvex::Xyz> out;
  for (int i = 0; i < n; ++i) {
    out.push_back({1.5 * i, 0.25 * i * i - 3.0, std::sqrt(double(i)) * 2.0});
  }
  return out;
}

// 40 degrees about (1, 1, 1)/sqrt(3), then shifted: nothing in it is exact.
std::vector<torvex::Xyz> turned(const std::vector<torvex::Xyz>& points) {
  const double a = 40.0 * 3.14159265358979323846 / 180.0;
  const double c = std::cos(a), s = std::sin(a), k = 1.0 / std::sqrt(3.0);
  const double x = k, y = k, z = k, t = 1.0 - c;
  // clang-format off
  const double r[3][3] = {{t*x*x + c,   t*x*y - s*z, t*x*z + s*y},
                          {t*x*y + s*z, t*y*y + c,   t*y*z - s*x},
                          {t*x*z - s*y, t*y*z + s*x, t*z*z + c}};
  // clang-format on
  std::vector<torvex::Xyz> out;
  for (const torvex::Xyz& p : points) {
    torvex::Xyz q{};
    for (int i = 0; i < 3; ++i) q[i] = r[i][0] * p[0] + r[i][1] * p[1] + r[i][2] * p[2] + 0.5 * i;
    out.push_back(q);
  }
  return out;
}

TEST(Superpose, TrimsAnOutlierAndReportsEveryRmsd) {
  // Ten pairs that fit exactly and an eleventh 5 A off along z.
  std::vector<torvex::Xyz> target = spread(11);
  std::vector<torvex::Xyz> moving = target;
  moving[10][2] += 5.0;
  torvex::Options options;
  options.trim = 2.0;
  const torvex::Superposition fit =
      torvex::superpose(chain(target), chain(turned(moving)), options);
  EXPECT_EQ(fit.atoms_fitted, 10);
  EXPECT_EQ(fit.fitted[10], 0);
  EXPECT_GE(fit.cycles_run, 1);
  EXPECT_NEAR(fit.fit.rmsd, 0.0, 1e-9);
  // The final fit is exact on ten pairs: the eleventh stays 5 A off.
  EXPECT_NEAR(fit.rmsd_paired, std::sqrt(25.0 / 11.0), 1e-9);
  EXPECT_GT(fit.rmsd_first, 0.5);
  EXPECT_EQ(fit.residues_paired, 11);
  EXPECT_DOUBLE_EQ(fit.residue_identity, 1.0);
}

TEST(Superpose, CoincidentPairsAreNotTrimmedOnRoundingNoise) {
  const std::vector<torvex::Xyz> target = spread(30);
  torvex::Options options;
  options.trim = 1.0;
  const torvex::Superposition fit =
      torvex::superpose(chain(target), chain(turned(target)), options);
  EXPECT_EQ(fit.atoms_fitted, 30);
  EXPECT_EQ(fit.cycles_run, 0);
  EXPECT_LT(fit.fit.rmsd, 1e-12);
}

TEST(Superpose, FewerThanThreePairsIsNoFit) {
  const std::vector<torvex::Xyz> two = spread(2);
  try {
    torvex::superpose(chain(two), chain(spread(5)));
    FAIL() << "no error";
  } catch (const torvex::Error& e) {
    EXPECT_EQ(e.kind(), torvex::Error::Kind::NoFit);
    const std::string_view what = e.what();
    EXPECT_NE(what.find("2 paired"), std::string_view::npos) << e.what();
    EXPECT_NE(what.find("5 atoms selected"), std::string_view::npos) << e.what();
  }
}

}  // namespace
