// Centring and the quaternion matrix: the matrix helpers, the elements of Q
// for pairs small enough to work out by hand, and the two places where the
// precision of a sum decides the bits (centre sums in double, the matrix
// accumulated in float, atom by atom).
#include "fit/quaternion.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "fit_support.hpp"

namespace fit {
namespace {

using fit_support::empty_structure;
using fit_support::load_structure;
using fit_support::new_fit;
using fit_support::set_atom;

// Two atoms on opposite sides of the centre, the moving pair turned a
// quarter turn against the target pair; small integers, so every element is
// exact. Worked out from the minus (moving - target) and plus (target +
// moving) coordinates: e.g. target x, moving y gives minus (-1, 1, 0), plus
// (1, 1, 0) for the first atom, so Q(1,4) = xp ym - xm yp = 2 per atom.
struct AxisPair {
  float target[3];
  float moving[3];
  float q[4][4];
};

// clang-format off
constexpr AxisPair AXIS_PAIRS[] = {
    {{1, 0, 0}, {0, 1, 0}, {{4,  0,  0,  4},
                            {0,  4, -4,  0},
                            {0, -4,  4,  0},
                            {4,  0,  0,  4}}},
    {{0, 0, 1}, {1, 0, 0}, {{4,  0,  4,  0},
                            {0,  4,  0, -4},
                            {4,  0,  4,  0},
                            {0, -4,  0,  4}}},
    {{0, 1, 0}, {0, 0, 1}, {{4,  4,  0,  0},
                            {4,  4,  0,  0},
                            {0,  0,  4, -4},
                            {0,  0, -4,  4}}},
};
// clang-format on

TEST(QuaternionMatrix, HandWorkedAxisPairs) {
  for (const AxisPair& pair : AXIS_PAIRS) {
    auto target = empty_structure();
    auto moving = empty_structure();
    const float* t = pair.target;
    const float* m = pair.moving;
    set_atom(*target, 0, t[0], t[1], t[2]);
    set_atom(*target, 1, -t[0], -t[1], -t[2]);
    set_atom(*moving, 0, m[0], m[1], m[2]);
    set_atom(*moving, 1, -m[0], -m[1], -m[2]);
    auto fit = new_fit();
    compute_quaternion_matrix(*target, *moving, 2, *fit);
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(fit->q[i][j], pair.q[i][j]) << "Q(" << i + 1 << "," << j + 1 << ")";
      }
    }
  }
}

TEST(QuaternionMatrix, SingleAtomPairGivesZeroMatrix) {
  auto target = empty_structure();
  auto moving = empty_structure();
  set_atom(*target, 0, 1.5f, -2.25f, 3.0f);
  set_atom(*moving, 0, 10.1f, 20.2f, -5.3f);
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, 1, *fit);
  const float expected_target[3] = {1.5f, -2.25f, 3.0f};
  const float expected_moving[3] = {10.1f, 20.2f, -5.3f};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(fit->target_centre[c], expected_target[c]);
    EXPECT_EQ(fit->moving_centre[c], expected_moving[c]);
  }
  // The translation is the difference of the rounded centres, rounded.
  EXPECT_EQ(fit->translation[0], static_cast<float>(1.5 - double(10.1f)));
  EXPECT_EQ(fit->translation[1], static_cast<float>(-2.25 - double(20.2f)));
  EXPECT_EQ(fit->translation[2], static_cast<float>(3.0 + double(5.3f)));
  for (const auto& row : fit->q) {
    for (float x : row) EXPECT_EQ(x, 0.0f);
  }
}

TEST(QuaternionMatrix, IdenticalStructuresZeroFirstRowAndColumn) {
  auto target = load_structure("1hpv_chainA.pdb");
  auto moving = load_structure("1hpv_chainA.pdb");
  const int n = target->count;
  ASSERT_GT(n, 0);
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *fit);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(fit->translation[c], 0.0f);
  // Every minus coordinate is zero: so is q11, their sum of squares, and
  // the rest of the first row and column.
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(fit->q[0][j], 0.0f);
    EXPECT_EQ(fit->q[j][0], 0.0f);
  }
  EXPECT_GT(fit->q[1][1], 0.0f);
}

// A shift by exact binary steps over coordinates on a 1/4 grid, four atoms:
// every sum, centre and difference is exact, so the translation is exactly
// minus the shift and every minus coordinate exactly zero, as is q11, the sum
// of their squares.
TEST(QuaternionMatrix, ShiftedCopyExactly) {
  auto target = empty_structure();
  auto moving = empty_structure();
  // clang-format off
  const float atoms[4][3] = {{ 1.25f,  -3.5f,  10.0f},
                             {-7.75f,   2.0f,   0.5f},
                             { 4.0f,    6.25f, -1.0f},
                             { 0.0f,  -12.0f,   3.75f}};
  // clang-format on
  const float shift[3] = {1.5f, -20.0f, 0.75f};
  for (int k = 0; k < 4; ++k) {
    set_atom(*target, k, atoms[k][0], atoms[k][1], atoms[k][2]);
    set_atom(*moving, k, atoms[k][0] + shift[0], atoms[k][1] + shift[1], atoms[k][2] + shift[2]);
  }
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, 4, *fit);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(fit->translation[c], -shift[c]);
  EXPECT_EQ(fit->q[0][0], 0.0f);
}

// The same on a real structure, shifted by a vector that is not exact in
// binary: the minus coordinates are what is left of three roundings at the
// size of the coordinates (below 64, ulp 3.8e-6), so q11, the sum of their
// squares, stays below n * 3 * (1.2e-5)^2; the translation is one rounding
// of the centres more.
TEST(QuaternionMatrix, ShiftedCopyWithinRounding) {
  auto target = load_structure("1adz_model1.pdb");
  const int n = target->count;
  ASSERT_GT(n, 0);
  auto moving = empty_structure();
  const double shift[3] = {10.3, -3.7, 7.1};
  for (int k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) {
      moving->xyz[c][k] = static_cast<float>(target->xyz[c][k] + shift[c]);
    }
  }
  moving->count = n;
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *fit);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(fit->translation[c], -shift[c], 8e-6);
  EXPECT_LE(fit->q[0][0], n * 3 * 1.2e-5 * 1.2e-5);
}

// Atoms past n change nothing, whatever they hold.
TEST(QuaternionMatrix, OnlyAtomsUpToNTakePart) {
  auto target = load_structure("1hpv_chainA.pdb");
  auto moving = load_structure("1hpv_chainB.pdb");
  const int n = 300;
  ASSERT_GT(target->count, n + 2);
  auto first = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *first);
  for (int k = n; k < target->count; ++k) {
    set_atom(*target, k, 9999.0f, -9999.0f, 1.0e6f);
    set_atom(*moving, k, -1.0e5f, 3.0f, 77.0f);
  }
  auto second = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *second);
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(first->target_centre[c], second->target_centre[c]);
    EXPECT_EQ(first->moving_centre[c], second->moving_centre[c]);
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(first->q[i][j], second->q[i][j]);
  }
}

// Centre sums in double: 2^24 + 1 + 1 + 2 is 16777220 and the centre
// 4194305; summed in float the two 1s would vanish against 2^24, giving
// 16777218 / 4 = 4194304.5.
TEST(QuaternionMatrix, CentreSumsInDouble) {
  auto target = empty_structure();
  auto moving = empty_structure();
  const float x[4] = {16777216.0f, 1.0f, 1.0f, 2.0f};
  for (int k = 0; k < 4; ++k) {
    set_atom(*target, k, x[k], 0.0f, 0.0f);
    set_atom(*moving, k, 0.0f, x[k], 0.0f);
  }
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, 4, *fit);
  EXPECT_EQ(fit->target_centre[0], 4194305.0f);
  EXPECT_EQ(fit->moving_centre[1], 4194305.0f);
}

// The matrix accumulates in float, one rounding per atom. Moving x = 4096,
// -4096 then four pairs of 1, -1, target all at the origin: every centre is
// 0 and each atom adds x^2 to all four diagonal elements. In float 2^24 +
// 2^24 = 2^25, and 2^25 + 1 rounds back to 2^25 (ties to even) each time:
// 33554432. Summed in double and rounded once it would be 2^25 + 8 =
// 33554440, which float holds exactly.
TEST(QuaternionMatrix, AccumulatesInFloatAtomByAtom) {
  auto target = empty_structure();
  auto moving = empty_structure();
  const float x[10] = {4096, -4096, 1, -1, 1, -1, 1, -1, 1, -1};
  for (int k = 0; k < 10; ++k) {
    set_atom(*target, k, 0.0f, 0.0f, 0.0f);
    set_atom(*moving, k, x[k], 0.0f, 0.0f);
  }
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, 10, *fit);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(fit->q[i][i], 33554432.0f) << i;
    for (int j = 0; j < 4; ++j) {
      if (j != i) {
        EXPECT_EQ(fit->q[i][j], 0.0f);
      }
    }
  }
}

// The one pass over the atoms gives the bits of the plain evaluation, each
// atom's minus and plus coordinates stored as floats first and the matrix
// kept in floats: no rounding dropped or moved by the compiler.
TEST(QuaternionMatrix, OnePassGivesTheStoredFloatBits) {
  auto target = load_structure("4jsv_chainA.pdb");
  auto moving = load_structure("4jsv_chainB.pdb");
  const int n = target->count;
  ASSERT_GT(n, 8000);
  auto fit = new_fit();
  compute_quaternion_matrix(*target, *moving, n, *fit);
  static float minus[MAX_ATOMS][3];
  static float plus[MAX_ATOMS][3];
  for (int k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) {
      const double m = double(moving->xyz[c][k]) - fit->moving_centre[c];
      const double t = double(target->xyz[c][k]) - fit->target_centre[c];
      minus[k][c] = static_cast<float>(m - t);
      plus[k][c] = static_cast<float>(t + m);
    }
  }
  float q[4][4] = {};
  for (int k = 0; k < n; ++k) {
    const double xm = minus[k][0], ym = minus[k][1], zm = minus[k][2];
    const double xp = plus[k][0], yp = plus[k][1], zp = plus[k][2];
    q[0][0] = static_cast<float>(zm * zm + xm * xm + ym * ym + q[0][0]);
    q[1][1] = static_cast<float>(zp * zp + yp * yp + xm * xm + q[1][1]);
    q[2][2] = static_cast<float>(zp * zp + xp * xp + ym * ym + q[2][2]);
    q[3][3] = static_cast<float>(zm * zm + xp * xp + yp * yp + q[3][3]);
    q[0][1] = static_cast<float>(q[0][1] + zm * yp - zp * ym);
    q[0][2] = static_cast<float>(q[0][2] + zp * xm - zm * xp);
    q[0][3] = static_cast<float>(q[0][3] + xp * ym - xm * yp);
    q[1][2] = static_cast<float>(q[1][2] + xm * ym - xp * yp);
    q[1][3] = static_cast<float>(q[1][3] + zm * xm - zp * xp);
    q[2][3] = static_cast<float>(q[2][3] + zm * ym - zp * yp);
  }
  for (int i = 0; i < 4; ++i) {
    for (int j = i; j < 4; ++j) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(fit->q[i][j]), std::bit_cast<std::uint32_t>(q[i][j]))
          << i << j;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(fit->q[j][i]), std::bit_cast<std::uint32_t>(q[i][j]))
          << j << i;
    }
  }
}

}  // namespace
}  // namespace fit
