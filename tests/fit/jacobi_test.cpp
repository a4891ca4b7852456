// The Jacobi eigen-solver and the eigen sort: the cases that decide bits
// (zero and diagonal input, the exact convergence constant, ties in the
// sort), larger random matrices checked against their own definition
// (A v = lambda v, V orthonormal), and input that can never converge.
#include "fit/jacobi.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace fit {
namespace {

// Jacobi's work storage is 8 kB; one per test.
std::unique_ptr<JacobiWork> new_work() { return std::make_unique<JacobiWork>(); }

TEST(Jacobi, ZeroMatrixNeedsNoRotation) {
  float a[16] = {};
  float d[4] = {9, 9, 9, 9};
  float v[16];
  for (float& x : v) x = 9;
  int rotations = -1;
  auto work = new_work();
  EXPECT_TRUE(jacobi(a, 4, 4, d, v, rotations, *work));
  EXPECT_EQ(rotations, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(d[i], 0.0f);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(v[i * 4 + j], i == j ? 1.0f : 0.0f);
  }
  // Four equal values: the tie rule leaves the identity's columns in the
  // order 4, 1, 2, 3, so the last column is (0, 0, 1, 0).
  sort_eigenpairs(d, v, 4, 4);
  // clang-format off
  const float expected[16] = {0, 1, 0, 0,
                              0, 0, 1, 0,
                              0, 0, 0, 1,
                              1, 0, 0, 0};
  // clang-format on
  for (int i = 0; i < 16; ++i) EXPECT_EQ(v[i], expected[i]) << i;
}

TEST(Jacobi, DiagonalMatrixIsSortedByPermutingTheIdentity) {
  // clang-format off
  float a[16] = {2,  0, 0, 0,
                 0, -1, 0, 0,
                 0,  0, 5, 0,
                 0,  0, 0, 3};
  // Columns e3, e4, e1, e2 of the identity, for 5, 3, 2, -1.
  const float expected_v[16] = {0, 0, 1, 0,
                                0, 0, 0, 1,
                                1, 0, 0, 0,
                                0, 1, 0, 0};
  // clang-format on
  float d[4];
  float v[16];
  int rotations = -1;
  auto work = new_work();
  EXPECT_TRUE(jacobi(a, 4, 4, d, v, rotations, *work));
  EXPECT_EQ(rotations, 0);
  sort_eigenpairs(d, v, 4, 4);
  const float expected_d[4] = {5, 3, 2, -1};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(d[i], expected_d[i]);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(v[i], expected_v[i]) << i;
}

// [[2, 1], [1, 2]]: equal diagonal, so theta = 0, t = 1 and one rotation by
// 45 degrees; the eigenvalues come out as 2 -+ 1 exactly.
TEST(Jacobi, OneRotationOfTwoByTwo) {
  float a[4] = {2, 1, 1, 2};
  float d[2];
  float v[4];
  int rotations = -1;
  auto work = new_work();
  EXPECT_TRUE(jacobi(a, 2, 2, d, v, rotations, *work));
  EXPECT_EQ(rotations, 1);
  EXPECT_EQ(d[0], 1.0f);
  EXPECT_EQ(d[1], 3.0f);
  EXPECT_EQ(a[1], 0.0f);
  EXPECT_EQ(a[2], 1.0f);  // below the diagonal: untouched
  const float root_half = static_cast<float>(std::sqrt(0.5));
  // Column 1, for 1, is (1, -1)/sqrt 2; column 2, for 3, is (1, 1)/sqrt 2.
  EXPECT_NEAR(v[0], root_half, 1e-7);
  EXPECT_NEAR(v[2], -root_half, 1e-7);
  EXPECT_NEAR(v[1], root_half, 1e-7);
  EXPECT_NEAR(v[3], root_half, 1e-7);
}

// The sum test compares with the float value of 1.0e-29 widened to double
// (1.0000000032e-29), strictly: a sum equal to it is not converged.
TEST(Jacobi, SumTestAtTheFloatConstant) {
  const float limit = 1.0e-29f;
  auto work = new_work();
  {
    float a[4] = {1, limit, limit, 2};
    float d[2];
    float v[4];
    int rotations = -1;
    EXPECT_TRUE(jacobi(a, 2, 2, d, v, rotations, *work));
    EXPECT_EQ(rotations, 1);
    EXPECT_EQ(a[1], 0.0f);
  }
  {
    const float below = std::nextafter(limit, 0.0f);
    float a[4] = {1, below, below, 2};
    float d[2];
    float v[4];
    int rotations = -1;
    EXPECT_TRUE(jacobi(a, 2, 2, d, v, rotations, *work));
    EXPECT_EQ(rotations, 0);
    EXPECT_EQ(a[1], below);
  }
  {
    // A double sum between 1.0e-29 and the float constant: converged.
    // Against the double constant it would not be.
    const float big = std::nextafter(limit, 0.0f);
    const float small = static_cast<float>(1.00000000016e-29 - double(big));
    const double sum = double(big) + double(small);
    ASSERT_GE(sum, 1.0e-29);
    ASSERT_LT(sum, double(limit));
    float a[9] = {1, big, small, big, 2, 0, small, 0, 3};
    float d[3];
    float v[9];
    int rotations = -1;
    EXPECT_TRUE(jacobi(a, 3, 3, d, v, rotations, *work));
    EXPECT_EQ(rotations, 0);
  }
}

// A small linear congruential generator: the same numbers on every machine,
// unlike the standard distributions.
class Numbers {
 public:
  explicit Numbers(std::uint64_t seed) : state_(seed) {}
  // Uniform in [-1, 1), exact in float.
  float next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<float>(static_cast<double>(state_ >> 40) / double(1 << 23) - 1.0);
  }

 private:
  std::uint64_t state_;
};

// Random symmetric matrices stored with a leading dimension larger than the
// order. Tolerances: every element of A and V is rounded to float after each
// rotation that touches it, hundreds of times at order 50, so the errors grow
// like sqrt(rotations) float ulps, to a few 1e-7. The bounds are 1e-5 times
// the largest eigenvalue (the residual) and 1e-5 (V), over ten times the
// errors seen.
TEST(Jacobi, RandomSymmetricMatrices) {
  for (const int n : {10, 50}) {
    SCOPED_TRACE(n);
    const int np = n + 3;
    constexpr float OUTSIDE = 12345.0f;
    std::vector<float> a(static_cast<std::size_t>(np * np), OUTSIDE);
    Numbers numbers(static_cast<std::uint64_t>(n));
    for (int i = 0; i < n; ++i) {
      for (int j = i; j < n; ++j) {
        a[i * np + j] = numbers.next();
        a[j * np + i] = a[i * np + j];
      }
    }
    const std::vector<float> original = a;
    std::vector<float> d(static_cast<std::size_t>(n));
    std::vector<float> v(static_cast<std::size_t>(np * np), OUTSIDE);
    int rotations = -1;
    auto work = new_work();
    ASSERT_TRUE(jacobi(a.data(), n, np, d.data(), v.data(), rotations, *work));
    EXPECT_GT(rotations, n * (n - 1) / 2);

    double largest = 0;
    double trace = 0;
    double sum = 0;
    for (int i = 0; i < n; ++i) {
      largest = std::max(largest, std::fabs(double(d[i])));
      trace += original[i * np + i];
      sum += d[i];
    }
    EXPECT_NEAR(sum, trace, 1e-5 * largest * n);
    double worst_residual = 0;
    double worst_orthonormal = 0;
    for (int k = 0; k < n; ++k) {
      for (int i = 0; i < n; ++i) {
        double av = 0;
        for (int j = 0; j < n; ++j) av += double(original[i * np + j]) * v[j * np + k];
        worst_residual = std::max(worst_residual, std::fabs(av - double(d[k]) * v[i * np + k]));
      }
      for (int l = 0; l < n; ++l) {
        double dot = 0;
        for (int i = 0; i < n; ++i) dot += double(v[i * np + k]) * v[i * np + l];
        worst_orthonormal = std::max(worst_orthonormal, std::fabs(dot - (k == l ? 1 : 0)));
      }
    }
    EXPECT_LT(worst_residual, 1e-5 * largest);
    EXPECT_LT(worst_orthonormal, 1e-5);
    // The diagonal, the lower triangle and everything outside order n stay.
    for (int i = 0; i < np; ++i) {
      for (int j = 0; j < np; ++j) {
        const std::size_t at = static_cast<std::size_t>(i * np + j);
        if (i >= n || j >= n) {
          EXPECT_EQ(a[at], OUTSIDE);
          EXPECT_EQ(v[at], OUTSIDE);
        } else if (j <= i) {
          EXPECT_EQ(a[at], original[at]);
        }
      }
    }
  }
}

// A NaN above the diagonal makes every comparison false: the sum never drops
// below the limit and the element is never rotated. All 50 sweeps run, then
// the routine gives up with what it has: nothing rotated.
TEST(Jacobi, NotANumberRunsIntoTheSweepLimit) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  float a[9] = {1, nan, 0, nan, 2, 0, 0, 0, 3};
  float d[3];
  float v[9];
  int rotations = -1;
  auto work = new_work();
  EXPECT_FALSE(jacobi(a, 3, 3, d, v, rotations, *work));
  EXPECT_EQ(rotations, 0);
  const float expected_d[3] = {1, 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d[i], expected_d[i]);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(v[i * 3 + j], i == j ? 1.0f : 0.0f);
  }
}

// Infinite elements. The first is rotated in sweep 4, when the threshold
// drops to 0: theta = h / inf = 0, t = 1, and d(1), d(2) become -inf and
// +inf. A lone one leaves every other rotation of that sweep with t = x / inf
// = 0, so the matrix is zero in sweep 5 and the routine returns. A second one
// in the same row meets inf - inf in that first rotation: NaN, which no
// later sweep removes, and the routine gives up after sweep 50.
TEST(Jacobi, InfiniteElements) {
  const float inf = std::numeric_limits<float>::infinity();
  auto work = new_work();
  {
    // clang-format off
    float a[16] = {1,     inf, 0.5f,  0.25f,
                   inf,   2,   1,     0,
                   0.5f,  1,   3,     0.75f,
                   0.25f, 0,   0.75f, 4};
    // clang-format on
    float d[4];
    float v[16];
    int rotations = -1;
    EXPECT_TRUE(jacobi(a, 4, 4, d, v, rotations, *work));
    EXPECT_EQ(d[0], -inf);
    EXPECT_EQ(d[1], inf);
  }
  {
    // clang-format off
    float a[16] = {1,     inf, inf,   0.25f,
                   inf,   2,   1,     0,
                   inf,   1,   3,     0.75f,
                   0.25f, 0,   0.75f, 4};
    // clang-format on
    float d[4];
    float v[16];
    int rotations = -1;
    EXPECT_FALSE(jacobi(a, 4, 4, d, v, rotations, *work));
    EXPECT_GE(rotations, 1);
    sort_eigenpairs(d, v, 4, 4);  // and the sort copes with what is left
  }
}

// The sort: descending, among equal largest values the one with the higher
// index first, eigenvector columns moved along. v starts as v(r, c) = 10 r +
// c, so each column says where it came from.
struct SortRow {
  float d[4];
  float sorted[4];
  int columns[4];  // original column (1-based) now in columns 1..4
};

// clang-format off
constexpr SortRow SORT_ROWS[] = {
    {{1,    2,  2,  0}, {2, 2,    1,    0}, {3, 2, 1, 4}},
    {{3,    3,  1,  1}, {3, 3,    1,    1}, {2, 1, 4, 3}},  // sorted, yet swapped
    {{0.5f, -2, 7,  7}, {7, 7,    0.5f, -2}, {4, 3, 1, 2}},
    {{4,    3,  2,  1}, {4, 3,    2,    1}, {1, 2, 3, 4}},
    {{1,    2,  3,  4}, {4, 3,    2,    1}, {4, 3, 2, 1}},
    {{-1,  -1, -1, -1}, {-1, -1, -1,   -1}, {4, 1, 2, 3}},
};
// clang-format on

TEST(SortEigenpairs, DescendingWithTiesToTheHigherIndex) {
  for (const SortRow& row : SORT_ROWS) {
    float d[4];
    float v[16];
    for (int i = 0; i < 4; ++i) {
      d[i] = row.d[i];
      for (int j = 0; j < 4; ++j) v[i * 4 + j] = static_cast<float>(10 * (i + 1) + j + 1);
    }
    sort_eigenpairs(d, v, 4, 4);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(d[j], row.sorted[j]) << j;
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i * 4 + j], static_cast<float>(10 * (i + 1) + row.columns[j]))
            << "row " << i + 1 << " column " << j + 1;
      }
    }
  }
}

TEST(SortEigenpairs, UsesTheLeadingDimension) {
  // Order 3 stored with leading dimension 5; the fourth and fifth columns
  // and the rows past 3 are not the sort's business.
  float d[3] = {1, 3, 2};
  float v[25];
  for (int i = 0; i < 25; ++i) v[i] = static_cast<float>(i);
  sort_eigenpairs(d, v, 3, 5);
  const float expected_d[3] = {3, 2, 1};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(d[i], expected_d[i]);
  // Columns now 2, 3, 1 (0-based 1, 2, 0).
  const int from[3] = {1, 2, 0};
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c) {
      const float expected =
          r < 3 && c < 3 ? static_cast<float>(r * 5 + from[c]) : static_cast<float>(r * 5 + c);
      EXPECT_EQ(v[r * 5 + c], expected) << r << "," << c;
    }
  }
}

}  // namespace
}  // namespace fit
