// The double-precision fit on motions known exactly: a copy turned and
// shifted comes back, weights count, and what cannot be fitted says so.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "torvex/structure_run.hpp"

namespace {

using torvex::Xyz;

const std::vector<Xyz> POINTS = {
    {1.0, 0.0, 0.0}, {0.0, 2.0, 0.0}, {0.0, 0.0, 3.0}, {1.5, -2.0, 0.5}, {-1.0, 1.0, 4.0}};

// 90 degrees about z, then shifted by (1, 2, 3): (x, y, z) -> (-y + 1, x + 2, z + 3).
std::vector<Xyz> turned(const std::vector<Xyz>& points) {
  std::vector<Xyz> out;
  for (const Xyz& p : points) out.push_back({-p[1] + 1.0, p[0] + 2.0, p[2] + 3.0});
  return out;
}

TEST(FitCoords, RecoversTheInverseMotion) {
  // Target is the original, moving the turned copy: the fit turns back.
  const torvex::RigidFit fit = torvex::fit_coords(POINTS, turned(POINTS));
  ASSERT_TRUE(fit.converged);
  // clang-format off
  const double r[3][3] = {{ 0.0, 1.0, 0.0},
                          {-1.0, 0.0, 0.0},
                          { 0.0, 0.0, 1.0}};
  // clang-format on
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(fit.rotation[i][j], r[i][j], 1e-14);
  }
  // x = R (x' ) + t with x' = (-y + 1, x + 2, z + 3): t = (-2, 1, -3).
  EXPECT_NEAR(fit.translation[0], -2.0, 1e-13);
  EXPECT_NEAR(fit.translation[1], 1.0, 1e-13);
  EXPECT_NEAR(fit.translation[2], -3.0, 1e-13);
  EXPECT_NEAR(fit.rmsd, 0.0, 1e-13);
  EXPECT_NEAR(fit.eigenvalues[3], 0.0, 1e-12);
  const Xyz back = torvex::apply_fit(fit, turned(POINTS)[3]);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(back[c], POINTS[3][c], 1e-13);
}

TEST(FitCoords, MirrorImageGetsAProperRotation) {
  std::vector<Xyz> mirrored = POINTS;
  for (Xyz& p : mirrored) p[2] = -p[2];
  const torvex::RigidFit fit = torvex::fit_coords(POINTS, mirrored);
  ASSERT_TRUE(fit.converged);
  const auto& r = fit.rotation;
  const double det = r[0][0] * (r[1][1] * r[2][2] - r[1][2] * r[2][1]) -
                     r[0][1] * (r[1][0] * r[2][2] - r[1][2] * r[2][0]) +
                     r[0][2] * (r[1][0] * r[2][1] - r[1][1] * r[2][0]);
  EXPECT_NEAR(det, 1.0, 1e-12);
  EXPECT_GT(fit.rmsd, 0.1);
  // The residual of the quaternion matrix is the weighted sum of squares.
  EXPECT_NEAR(fit.eigenvalues[3], fit.rmsd * fit.rmsd * 5.0, 1e-9);
}

TEST(FitCoords, ZeroWeightsLeaveAPairOut) {
  // A fourth pair far off, weighted 0, changes nothing.
  std::vector<Xyz> target = {POINTS[0], POINTS[1], POINTS[2], {50.0, 50.0, 50.0}};
  std::vector<Xyz> moving = turned({POINTS[0], POINTS[1], POINTS[2], {0.0, 0.0, 0.0}});
  const std::vector<double> weights = {1.0, 1.0, 1.0, 0.0};
  const torvex::RigidFit fit = torvex::fit_coords(target, moving, weights);
  ASSERT_TRUE(fit.converged);
  EXPECT_NEAR(fit.rmsd, 0.0, 1e-12);
  EXPECT_NEAR(fit.rotation[0][1], 1.0, 1e-13);
}

TEST(FitCoords, NoFitIsReportedNotConverged) {
  const std::vector<Xyz> two = {POINTS[0], POINTS[1]};
  EXPECT_FALSE(torvex::fit_coords(two, two).converged);
  const std::vector<double> zero(5, 0.0);
  EXPECT_FALSE(torvex::fit_coords(POINTS, POINTS, zero).converged);
  std::vector<Xyz> bad = POINTS;
  bad[2][1] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(torvex::fit_coords(POINTS, bad).converged);
  bad[2][1] = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(torvex::fit_coords(POINTS, bad).converged);
}

}  // namespace
