// The whole superposition (centring, Jacobi, sort, rotation, moving) on real
// structure pairs, measured against an independent double-precision fit.
//
// Tolerances. The program stores every intermediate in float and accumulates
// the quaternion matrix in float, one rounding per atom and element. Those
// roundings fall both ways, so an element drifts by about sqrt(n) ulp of the
// largest element (~1 for these structures, against elements of ~1e6). An
// eigenvalue moves by no more than the matrix does (Weyl), so e(4) = n rms^2
// is off by that much and rms by d e(4) / (2 n rms); the eigenvector, and so
// R, moves by about the drift over the gap e(3) - e(4) (1e5 to 1e6 here).
// Each test derives its bounds from the fit in hand this way (bounds_for);
// the errors measured are more than ten times smaller. What the last bits
// must be is the business of the edge-case tests of the single stages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fit_support.hpp"

namespace fit {
namespace {

using fit_reference::Mat3;
using fit_reference::Vec3;
using fit_support::load_structure;
using fit_support::new_fit;
using fit_support::run_fit;
using fit_support::widened;

struct RealPair {
  const char* target;
  const char* moving;
  double quoted_rms;  // the double-precision value quoted with the data,
  double quoted_to;   // to this many places (half a unit of the last one)
};

// clang-format off
constexpr RealPair REAL_PAIRS[] = {
    {"1hpv_chainA.pdb", "1hpv_chainB.pdb", 0.963, 0.0005},
    {"1adz_model1.pdb", "1adz_model2.pdb", 4.01,  0.005},
    {"1FV9_A.pdb",      "1OWD_A.pdb",      1.316, 0.0005},
};
// clang-format on

// Bounds for one fit, from the float matrix it built and the size of the
// structure (see the file comment). Centred moving and target atoms have the
// same spread once fitted, so the target's serves for both.
struct Bounds {
  double eigenvalue;  // on e(4)
  double rms;         // for a fit that leaves a real residual
  double rotation;    // on each element of R
  double moved;       // on each moved coordinate
};

Bounds bounds_for(const FitResult& fit, const structure::AtomSet& target, int n) {
  float largest = 0;
  for (const auto& row : fit.q) {
    for (float x : row) largest = std::max(largest, std::fabs(x));
  }
  // The roundings of an accumulation fall both ways: their sum grows like
  // sqrt(n) ulp; sqrt(n) ulp is 3.5 standard deviations of it.
  const double ulp = std::nextafter(largest, 2 * largest) - largest;
  Bounds b;
  b.eigenvalue = std::sqrt(static_cast<double>(n)) * ulp;
  // d rms = d e(4) / (2 n rms), for a fit that leaves a real residual.
  b.rms = b.eigenvalue / (2 * n * static_cast<double>(fit.rms));
  const double gap = static_cast<double>(fit.eigenvalues[2]) - fit.eigenvalues[3];
  b.rotation = 4 * b.eigenvalue / gap;  // R is quadratic in q, |q| = 1
  double radius = 0;
  double extent = 0;
  for (int k = 0; k < n; ++k) {
    double r2 = 0;
    for (int c = 0; c < 3; ++c) {
      const double centred = double(target.xyz[c][k]) - fit.target_centre[c];
      r2 += centred * centred;
      extent = std::max(extent, std::fabs(double(target.xyz[c][k])));
    }
    radius = std::max(radius, std::sqrt(r2));
  }
  // A moved coordinate sums three terms of R times the centred atom, then
  // takes a few float roundings at the size of the coordinates.
  const float e = static_cast<float>(extent);
  const double coordinate_ulp = std::nextafter(e, 2 * e) - e;
  b.moved = 3 * b.rotation * radius + 4 * coordinate_ulp;
  return b;
}

double max_difference(const float r[3][3], const Mat3& reference) {
  double worst = 0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) worst = std::max(worst, std::fabs(r[i][j] - reference[i][j]));
  }
  return worst;
}

Vec3 reference_move(const fit_reference::ReferenceFit& f, const Vec3& x) {
  Vec3 moved = f.target_centre;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) moved[i] += f.rotation[i][j] * (x[j] - f.moving_centre[j]);
  }
  return moved;
}

TEST(RealPairs, AgreeWithDoublePrecisionFit) {
  for (const RealPair& pair : REAL_PAIRS) {
    SCOPED_TRACE(pair.moving);
    auto target = load_structure(pair.target);
    auto moving = load_structure(pair.moving);
    ASSERT_GT(target->count, 0);
    ASSERT_EQ(target->count, moving->count);
    const int n = target->count;
    const auto t = widened(*target, n);
    const auto m = widened(*moving, n);
    const fit_reference::ReferenceFit reference = fit_reference::fit(t, m);
    // The yard stick first: its eigenvalue agrees with the distances its own
    // rotation leaves, and with the value quoted for the data to the digits
    // quoted.
    ASSERT_NEAR(fit_reference::rms_after(reference, t, m), reference.rms, 1e-9);
    ASSERT_NEAR(reference.rms, pair.quoted_rms, pair.quoted_to);

    auto fit = new_fit();
    run_fit(*target, *moving, n, *fit);
    const Bounds bounds = bounds_for(*fit, *target, n);
    EXPECT_TRUE(fit->converged);
    for (int c = 0; c < 3; ++c) {
      // Double sums rounded once: within half an ulp (below 2e-6 here).
      EXPECT_NEAR(fit->target_centre[c], reference.target_centre[c], 2e-6);
      EXPECT_NEAR(fit->moving_centre[c], reference.moving_centre[c], 2e-6);
    }
    EXPECT_NEAR(fit->rms, reference.rms, bounds.rms);
    EXPECT_LT(max_difference(fit->rotation, reference.rotation), bounds.rotation);

    // Each moved atom against the reference's, and the per-atom deviations
    // summed directly against the overall value.
    double worst = 0;
    double sum_squares = 0;
    for (int k = 0; k < n; ++k) {
      const Vec3 expected = reference_move(reference, m[static_cast<std::size_t>(k)]);
      for (int c = 0; c < 3; ++c) {
        worst = std::max(worst, std::fabs(moving->xyz[c][k] - expected[c]));
      }
      const double total = atom_total_deviation(*fit, k + 1);
      sum_squares += total * total;
    }
    EXPECT_LT(worst, bounds.moved);
    EXPECT_NEAR(std::sqrt(sum_squares / n), reference.rms, bounds.moved);
  }
}

// Rotation about a unit axis by an angle, in double.
Mat3 axis_rotation(Vec3 axis, double degrees) {
  const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  for (double& x : axis) x /= length;
  const double angle = degrees * std::acos(-1.0) / 180;
  const double c = std::cos(angle), s = std::sin(angle), v = 1 - c;
  const double x = axis[0], y = axis[1], z = axis[2];
  return Mat3{{{c + x * x * v, x * y * v - z * s, x * z * v + y * s},
               {y * x * v + z * s, c + y * y * v, y * z * v - x * s},
               {z * x * v - y * s, z * y * v + x * s, c + z * z * v}}};
}

struct RotatedCopy {
  const char* file;
  Vec3 axis;
  double degrees;
  Vec3 shift;
};

// clang-format off
constexpr RotatedCopy ROTATED_COPIES[] = {
    {"1adz_model1.pdb", {1, 2, 3},   100.0, {12.5, -30.25, 7.0}},
    {"1hpv_chainA.pdb", {0, 0, 1},   90.0,  {-5.0, 0.0, 100.0}},
    {"1hpv_chainA.pdb", {1, -1, 0.5}, 179.5, {0.0, 0.0, 0.0}},
    {"1FV9_A.pdb",      {-2, 1, 7},  33.0,  {-250.0, 125.0, 60.0}},
};
// clang-format on

// A moving structure that is the target turned by R0 and shifted (rounded
// to float) is fitted back by the inverse turn, R0 transposed, and its moved
// atoms fall on the target atoms.
TEST(RotatedCopy, FitsBackOntoTheOriginal) {
  for (const RotatedCopy& copy : ROTATED_COPIES) {
    SCOPED_TRACE(::testing::Message() << copy.file << " by " << copy.degrees);
    auto target = load_structure(copy.file);
    const int n = target->count;
    ASSERT_GT(n, 0);
    const Mat3 turn = axis_rotation(copy.axis, copy.degrees);
    auto moving = fit_support::empty_structure();
    for (int k = 0; k < n; ++k) {
      for (int i = 0; i < 3; ++i) {
        double x = copy.shift[i];
        for (int j = 0; j < 3; ++j) x += turn[i][j] * target->xyz[j][k];
        moving->xyz[i][k] = static_cast<float>(x);
      }
    }
    moving->count = n;

    auto fit = new_fit();
    run_fit(*target, *moving, n, *fit);
    const Bounds bounds = bounds_for(*fit, *target, n);
    EXPECT_TRUE(fit->converged);
    Mat3 inverse;
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) inverse[i][j] = turn[j][i];
    }
    EXPECT_LT(max_difference(fit->rotation, inverse), bounds.rotation);
    double worst = 0;
    for (int k = 0; k < n; ++k) {
      for (int c = 0; c < 3; ++c) {
        worst = std::max(worst, std::fabs(double(moving->xyz[c][k]) - target->xyz[c][k]));
        EXPECT_EQ(fit->deviation[k][c], std::fabs(moving->xyz[c][k] - target->xyz[c][k]));
      }
    }
    EXPECT_LT(worst, bounds.moved);
    // The true residual is at the level of the rounding of the copy; what
    // the eigenvalue shows is the drift of e(4), at most sqrt(d e(4) / n).
    EXPECT_FALSE(std::isnan(fit->rms));
    EXPECT_LE(fit->rms, std::sqrt(bounds.eigenvalue / n));
  }
}

// Identical structures: no turn at all, no residual (every minus coordinate
// is zero, and so is the first row of Q), never the root of a negative
// number. Moving an atom out of its centre and back may still round.
TEST(IdenticalStructures, IdentityAndNoDeviation) {
  for (const char* file : {"1hpv_chainA.pdb", "1adz_model1.pdb", "1OWD_A.pdb"}) {
    SCOPED_TRACE(file);
    auto target = load_structure(file);
    auto moving = load_structure(file);
    const int n = target->count;
    auto fit = new_fit();
    run_fit(*target, *moving, n, *fit);
    EXPECT_TRUE(fit->converged);
    EXPECT_FALSE(std::isnan(fit->rms));
    EXPECT_LE(fit->rms, 1e-6f);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(fit->rotation[i][j], i == j ? 1.0 : 0.0, 1e-6);
    }
    double worst = 0;
    for (int k = 0; k < n; ++k) {
      worst = std::max(worst, double(atom_total_deviation(*fit, k + 1)));
    }
    // Centring and moving back round twice, half an ulp each, at coordinates
    // below 128 (ulp 7.6e-6): at most 7.6e-6 per coordinate, 1.4e-5 in all.
    EXPECT_LE(worst, 1.4e-5);
  }
}

}  // namespace
}  // namespace fit
