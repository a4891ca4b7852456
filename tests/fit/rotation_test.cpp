// Rotation, transformation and deviations: the rounding points of
// multiply_in_place and transform_point, the rotation of a quaternion against
// an independent formula, the deviation table and the single atom pair that
// runs the whole fit on a zero matrix.
#include "fit/rotation.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fit/jacobi.hpp"
#include "fit/quaternion.hpp"
#include "fit_support.hpp"

namespace fit {
namespace {

using fit_support::empty_structure;
using fit_support::load_structure;
using fit_support::new_fit;
using fit_support::set_atom;

constexpr float TWO_TO_MINUS_24 = 5.9604644775390625e-8f;  // half an ulp of 1

// x(1) = 1 + 2^-24 + 2^-24, term by term from the left: 1 + 2^-24 is a tie
// and rounds to 1, twice; rounded once the sum 1 + 2^-23 is a float. The
// other rows hold one term each.
TEST(MultiplyInPlace, RoundsAfterEachTermFromTheLeft) {
  // clang-format off
  const float a[9] = {1, 1, 1,
                      0, 1, 0,
                      0, 0, 1};
  // clang-format on
  float x[3] = {1.0f, TWO_TO_MINUS_24, TWO_TO_MINUS_24};
  multiply_in_place(3, x, a);
  EXPECT_EQ(x[0], 1.0f);
  EXPECT_NE(x[0], static_cast<float>(1.0 + 2.0 * TWO_TO_MINUS_24));  // the sum rounded once
  EXPECT_EQ(x[1], TWO_TO_MINUS_24);
  EXPECT_EQ(x[2], TWO_TO_MINUS_24);

  // With the small terms first they add up before they meet the 1.
  // clang-format off
  const float b[9] = {0, 0, 0,
                      0, 0, 0,
                      1, 1, 1};
  // clang-format on
  float y[3] = {TWO_TO_MINUS_24, TWO_TO_MINUS_24, 1.0f};
  multiply_in_place(3, y, b);
  EXPECT_EQ(y[2], 1.0f + 2.0f * TWO_TO_MINUS_24);
  EXPECT_EQ(y[0], 0.0f);
}

TEST(MultiplyInPlace, ReadsTheVectorBeforeWritingIt) {
  const float swap[4] = {0, 1, 1, 0};
  float x[2] = {1.0f, 2.0f};
  multiply_in_place(2, x, swap);
  EXPECT_EQ(x[0], 2.0f);
  EXPECT_EQ(x[1], 1.0f);
}

// Against a term-by-term product written here from the rule: each term
// A(i,j) x(j) formed in double and added to the float partial sum, the sum
// rounded to float. Random values of mixed size make the roundings matter;
// the test makes sure they do, by counting where a once-rounded sum differs.
TEST(MultiplyInPlace, MatchesTermByTermRounding) {
  std::uint64_t state = 7;
  auto next = [&state]() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const double unit = static_cast<double>(state >> 40) / double(1 << 24);  // [0, 1)
    return static_cast<float>((unit - 0.5) * std::ldexp(1.0, static_cast<int>(state >> 60)));
  };
  int differs_from_once = 0;
  for (int trial = 0; trial < 200; ++trial) {
    for (const int order : {3, 5}) {
      float a[25];
      float x[5];
      for (int i = 0; i < order * order; ++i) a[i] = next();
      for (int i = 0; i < order; ++i) x[i] = next();
      float expected[5];
      for (int i = 0; i < order; ++i) {
        float partial = 0.0f;
        double once = 0.0;
        for (int j = 0; j < order; ++j) {
          const double term = double(a[i * order + j]) * double(x[j]);
          partial = static_cast<float>(term + double(partial));
          once += term;
        }
        expected[i] = partial;
        if (static_cast<float>(once) != partial) ++differs_from_once;
      }
      multiply_in_place(order, x, a);
      for (int i = 0; i < order; ++i) ASSERT_EQ(x[i], expected[i]) << trial << " " << i;
    }
  }
  EXPECT_GT(differs_from_once, 50);
}

struct QuaternionRow {
  float q[4];
  float r[3][3];
};

// clang-format off
constexpr QuaternionRow EXACT_QUATERNIONS[] = {
    {{1, 0, 0, 0},           {{ 1,  0,  0}, { 0,  1,  0}, { 0,  0,  1}}},
    {{0, 0, 1, 0},           {{-1,  0,  0}, { 0,  1,  0}, { 0,  0, -1}}},
    {{0, 1, 0, 0},           {{ 1,  0,  0}, { 0, -1,  0}, { 0,  0, -1}}},
    {{0, 0, 0, 1},           {{-1,  0,  0}, { 0, -1,  0}, { 0,  0,  1}}},
    // 120 degrees about (1, 1, 1): x -> y -> z -> x
    {{.5f, .5f, .5f, .5f},   {{ 0,  0,  1}, { 1,  0,  0}, { 0,  1,  0}}},
    {{.5f, -.5f, .5f, .5f},  {{ 0, -1,  0}, { 0,  0,  1}, {-1,  0,  0}}},
};
// clang-format on

TEST(RotationFromQuaternion, ExactQuaternions) {
  for (const QuaternionRow& row : EXACT_QUATERNIONS) {
    float r[3][3];
    rotation_from_quaternion(row.q, r);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(r[i][j], row.r[i][j])
            << row.q[0] << " " << row.q[1] << " R(" << i + 1 << "," << j + 1 << ")";
      }
    }
  }
}

// Unit quaternions of every kind against the double formula of the test's own
// reference; -q gives the same bits, as every element is a product of two
// components.
TEST(RotationFromQuaternion, AgreesWithIndependentFormulaAndIgnoresSign) {
  std::uint64_t state = 11;
  auto next = [&state]() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 40) / double(1 << 23) - 1.0;
  };
  for (int trial = 0; trial < 100; ++trial) {
    double w[4];
    double length = 0;
    for (double& c : w) {
      c = next();
      length += c * c;
    }
    float q[4];
    float minus_q[4];
    std::array<double, 4> qd;
    for (int i = 0; i < 4; ++i) {
      q[i] = static_cast<float>(w[i] / std::sqrt(length));
      minus_q[i] = -q[i];
      qd[i] = q[i];
    }
    float r[3][3];
    float r_minus[3][3];
    rotation_from_quaternion(q, r);
    rotation_from_quaternion(minus_q, r_minus);
    const fit_reference::Mat3 expected = fit_reference::quaternion_rotation(qd);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        // The one rounding to float, and |q| = 1 only to float precision.
        EXPECT_NEAR(r[i][j], expected[i][j], 1e-7);
        EXPECT_EQ(std::memcmp(&r[i][j], &r_minus[i][j], sizeof(float)), 0);
      }
    }
  }
}

// A fit whose moving and target centres and rotation are set by hand.
std::unique_ptr<FitResult> fit_with(const float moving_centre[3], const float target_centre[3],
                                    const float r[3][3]) {
  auto fit = new_fit();
  for (int i = 0; i < 3; ++i) {
    fit->moving_centre[i] = moving_centre[i];
    fit->target_centre[i] = target_centre[i];
    for (int j = 0; j < 3; ++j) fit->rotation[i][j] = r[i][j];
  }
  return fit;
}

// p - cM is rounded to float before the rotation: 1 + 2^-23 - 2^-25 rounds
// to 1 + 2^-23, and adding cT = -1 leaves 2^-23. Formed in one go the
// result would be 0.75 * 2^-23.
TEST(TransformPoint, RoundsTheCentredCoordinateFirst) {
  const float identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const float ulp_of_one = 2 * TWO_TO_MINUS_24;  // 2^-23
  const float moving_centre[3] = {ulp_of_one / 4, 0, 0};
  const float target_centre[3] = {-1, 0, 0};
  auto fit = fit_with(moving_centre, target_centre, identity);
  float p[3] = {1.0f + ulp_of_one, 0, 0};
  transform_point(*fit, p);
  EXPECT_EQ(p[0], ulp_of_one);
  EXPECT_NE(p[0], 0.75f * ulp_of_one);
}

// A point at the moving centre lands on the target centre bit for bit,
// whatever the rotation: its centred coordinates are zero, so is every term.
TEST(TransformPoint, MovingCentreGoesExactlyOntoTargetCentre) {
  const float q[4] = {0.3f, -0.5f, 0.7f, 0.41231056f};
  float r[3][3];
  rotation_from_quaternion(q, r);
  const float moving_centre[3] = {12.345f, -0.001f, 98765.4f};
  const float target_centre[3] = {-3.3333333f, 7.1f, 0.1f};
  auto fit = fit_with(moving_centre, target_centre, r);
  float p[3] = {moving_centre[0], moving_centre[1], moving_centre[2]};
  transform_point(*fit, p);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(p[c], target_centre[c]);
}

// One atom pair: Q is zero, the sorted eigenvectors are the identity's
// columns 4, 1, 2, 3, so q = (0, 0, 1, 0) and R = diag(-1, 1, -1); the moved
// atom is its centre and lands on its target exactly.
TEST(RotationAndMove, SingleAtomPair) {
  auto target = empty_structure();
  auto moving = empty_structure();
  set_atom(*target, 0, 1.5f, -2.25f, 3.0f);
  set_atom(*moving, 0, 10.1f, 20.2f, -5.3f);
  auto fit = new_fit();
  fit_support::run_fit(*target, *moving, 1, *fit);
  EXPECT_TRUE(fit->converged);
  EXPECT_EQ(fit->rotations, 0);
  for (float e : fit->eigenvalues) EXPECT_EQ(e, 0.0f);
  const float quaternion[4] = {fit->eigenvectors[0][3], fit->eigenvectors[1][3],
                               fit->eigenvectors[2][3], fit->eigenvectors[3][3]};
  EXPECT_EQ(quaternion[0], 0.0f);
  EXPECT_EQ(quaternion[1], 0.0f);
  EXPECT_EQ(quaternion[2], 1.0f);
  EXPECT_EQ(quaternion[3], 0.0f);
  const float expected_r[3][3] = {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) EXPECT_EQ(fit->rotation[i][j], expected_r[i][j]);
  }
  EXPECT_EQ(fit->rms, 0.0f);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(moving->xyz[c][0], target->xyz[c][0]);
    EXPECT_EQ(fit->deviation[0][c], 0.0f);
  }
  EXPECT_EQ(atom_total_deviation(*fit, 1), 0.0f);
}

// A fit set up by hand with R = I and both centres at the origin, so the
// moved atoms are the moving atoms and the deviations show plainly.
TEST(RotationAndMove, DeviationsAreAbsoluteAndClearedBeyondN) {
  auto target = empty_structure();
  auto moving = empty_structure();
  set_atom(*target, 0, 1.0f, 1.0f, 1.0f);
  set_atom(*target, 1, 1.0f, 1.0f, 1.0f);
  set_atom(*target, 2, 0.0f, 0.0f, 0.0f);
  set_atom(*moving, 0, 1.5f, 0.5f, 1.0f);  // one side of the target
  set_atom(*moving, 1, 0.5f, 1.5f, 1.0f);  // the other side
  set_atom(*moving, 2, 3.0f, 4.0f, 12.0f);
  // Past n: never moved, never measured.
  set_atom(*target, 3, 0.0f, 0.0f, 0.0f);
  set_atom(*moving, 3, 5.0f, 5.0f, 5.0f);
  auto fit = new_fit();
  for (auto& row : fit->deviation) {
    for (float& x : row) x = 9.0f;  // left over from anything earlier
  }
  const float unit[4][4] = {{0, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}};
  std::memcpy(fit->eigenvectors, unit, sizeof unit);
  // A smallest eigenvalue a little below zero: the absolute value is taken.
  fit->eigenvalues[3] = -0.75f;
  compute_rotation_and_move(*target, *moving, 3, *fit);

  EXPECT_EQ(fit->rms, 0.5f);  // sqrt(|-0.75 / 3|)
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(fit->deviation[0][c], 0.5f);
    EXPECT_EQ(fit->deviation[1][c], 0.5f);
  }
  EXPECT_EQ(fit->deviation[0][2], 0.0f);
  EXPECT_EQ(atom_total_deviation(*fit, 1), static_cast<float>(std::sqrt(0.5)));
  EXPECT_EQ(atom_total_deviation(*fit, 2), static_cast<float>(std::sqrt(0.5)));
  EXPECT_EQ(atom_total_deviation(*fit, 3), 13.0f);  // 3, 4, 12
  EXPECT_EQ(moving->xyz[0][3], 5.0f);
  for (int k = 4; k <= MAX_ATOMS; ++k) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(fit->deviation[k - 1][c], 0.0f) << k;
    ASSERT_EQ(atom_total_deviation(*fit, k), 0.0f) << k;
  }
}

// Moving all atoms at once gives, atom by atom, the bits transform_point
// gives, and the deviations from them.
TEST(RotationAndMove, EveryAtomAsTransformPoint) {
  auto target = load_structure("4jsv_chainA.pdb");
  auto moving = load_structure("4jsv_chainB.pdb");
  const int n = target->count;
  ASSERT_GT(n, 8000);
  auto original = std::make_unique<structure::AtomSet>(*moving);
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *fit);
  ASSERT_TRUE(jacobi(&fit->q[0][0], 4, 4, fit->eigenvalues, &fit->eigenvectors[0][0],
                     fit->rotations, fit->work));
  sort_eigenpairs(fit->eigenvalues, &fit->eigenvectors[0][0], 4, 4);
  compute_rotation_and_move(*target, *moving, n, *fit);
  for (int k = 0; k < n; ++k) {
    float point[3] = {original->xyz[0][k], original->xyz[1][k], original->xyz[2][k]};
    transform_point(*fit, point);
    for (int c = 0; c < 3; ++c) {
      ASSERT_EQ(std::bit_cast<std::uint32_t>(moving->xyz[c][k]),
                std::bit_cast<std::uint32_t>(point[c]))
          << k << c;
      ASSERT_EQ(fit->deviation[k][c],
                static_cast<float>(std::fabs(double(target->xyz[c][k]) - point[c])))
          << k << c;
    }
  }
}

}  // namespace
}  // namespace fit
