// An independent least-squares superposition in double precision, the yard
// stick for the program's single-precision fit. It takes another road on
// purpose: Horn's closed form (the best rotation's quaternion is the
// eigenvector of the LARGEST eigenvalue of a 4x4 matrix built from the
// cross-covariance), the eigenvalue found as the largest root of the
// characteristic polynomial by Newton's method, the eigenvector taken from
// the adjugate. No Jacobi rotation, no code shared with src/fit.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace fit_reference {

using Vec3 = std::array<double, 3>;
using Mat3 = std::array<std::array<double, 3>, 3>;
using Mat4 = std::array<std::array<double, 4>, 4>;

struct ReferenceFit {
  Vec3 target_centre{};
  Vec3 moving_centre{};
  Mat3 rotation{};  // moved = rotation (x - moving_centre) + target_centre
  double rms = 0;   // from the eigenvalue: sqrt((|t|^2 + |m|^2 - 2 lambda) / n)
};

inline double det3(double a, double b, double c, double d, double e, double f, double g, double h,
                   double i) {
  return a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
}

// Determinant of `m` without row `skip_row` and column `skip_column`.
inline double minor4(const Mat4& m, int skip_row, int skip_column) {
  double s[3][3];
  for (int i = 0, r = 0; i < 4; ++i) {
    if (i == skip_row) continue;
    for (int j = 0, c = 0; j < 4; ++j) {
      if (j == skip_column) continue;
      s[r][c++] = m[i][j];
    }
    ++r;
  }
  return det3(s[0][0], s[0][1], s[0][2], s[1][0], s[1][1], s[1][2], s[2][0], s[2][1], s[2][2]);
}

// Characteristic polynomial lambda^4 + c[3] lambda^3 + ... + c[0] by the
// Faddeev-LeVerrier recursion.
inline std::array<double, 4> characteristic_polynomial(const Mat4& a) {
  std::array<double, 5> c{};
  c[4] = 1.0;
  Mat4 m{};  // M_0 = 0
  for (int k = 1; k <= 4; ++k) {
    Mat4 next{};
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        double sum = 0;
        for (int l = 0; l < 4; ++l) sum += a[i][l] * m[l][j];
        next[i][j] = sum + (i == j ? c[4 - k + 1] : 0.0);
      }
    }
    m = next;
    double trace = 0;
    for (int i = 0; i < 4; ++i) {
      for (int l = 0; l < 4; ++l) trace += a[i][l] * m[l][i];
    }
    c[4 - k] = -trace / k;
  }
  return {c[0], c[1], c[2], c[3]};
}

// Largest eigenvalue of a symmetric matrix: Newton's method on the
// characteristic polynomial from above a Gershgorin bound. With all roots
// real, Newton started right of the largest root falls monotonically onto
// it; it stops when a step no longer decreases.
inline double largest_eigenvalue(const Mat4& a) {
  const std::array<double, 4> c = characteristic_polynomial(a);
  double bound = 0;
  for (int i = 0; i < 4; ++i) {
    double row = 0;
    for (int j = 0; j < 4; ++j) row += std::fabs(a[i][j]);
    if (row > bound) bound = row;
  }
  double x = bound * 1.01 + 1.0;
  for (int iteration = 0; iteration < 1000; ++iteration) {
    const double p = (((x + c[3]) * x + c[2]) * x + c[1]) * x + c[0];
    const double dp = ((4 * x + 3 * c[3]) * x + 2 * c[2]) * x + c[1];
    const double next = x - p / dp;
    if (!(next < x)) break;
    x = next;
  }
  return x;
}

// Unit eigenvector of `lambda`: for a simple eigenvalue every column of
// adj(A - lambda I) is a multiple of it; the longest column is the most
// accurate.
inline std::array<double, 4> eigenvector(const Mat4& a, double lambda) {
  Mat4 b = a;
  for (int i = 0; i < 4; ++i) b[i][i] -= lambda;
  std::array<double, 4> best{};
  double best_norm = -1;
  for (int column = 0; column < 4; ++column) {
    std::array<double, 4> v{};
    double norm = 0;
    for (int i = 0; i < 4; ++i) {
      // adj(B)(i, column) = (-1)^(i + column) det(B without row column, col i)
      v[i] = ((i + column) % 2 == 0 ? 1.0 : -1.0) * minor4(b, column, i);
      norm += v[i] * v[i];
    }
    if (norm > best_norm) {
      best_norm = norm;
      best = v;
    }
  }
  const double length = std::sqrt(best_norm);
  for (double& x : best) x /= length;
  return best;
}

// Rotation of the unit quaternion (w, x, y, z), w the scalar part.
inline Mat3 quaternion_rotation(const std::array<double, 4>& q) {
  const double w = q[0], x = q[1], y = q[2], z = q[3];
  return Mat3{{{w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)},
               {2 * (x * y + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)},
               {2 * (x * z - w * y), 2 * (y * z + w * x), w * w - x * x - y * y + z * z}}};
}

// The best rotation of `moving` onto `target` (paired by index).
inline ReferenceFit fit(const std::vector<Vec3>& target, const std::vector<Vec3>& moving) {
  ReferenceFit result;
  const std::size_t n = target.size();
  for (std::size_t k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) {
      result.target_centre[c] += target[k][c];
      result.moving_centre[c] += moving[k][c];
    }
  }
  for (int c = 0; c < 3; ++c) {
    result.target_centre[c] /= static_cast<double>(n);
    result.moving_centre[c] /= static_cast<double>(n);
  }
  // s[a][b] = sum of moving_a target_b over the centred pairs.
  double s[3][3] = {};
  double squares = 0;
  for (std::size_t k = 0; k < n; ++k) {
    Vec3 m, t;
    for (int c = 0; c < 3; ++c) {
      m[c] = moving[k][c] - result.moving_centre[c];
      t[c] = target[k][c] - result.target_centre[c];
      squares += m[c] * m[c] + t[c] * t[c];
    }
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) s[i][j] += m[i] * t[j];
    }
  }
  const double xx = s[0][0], xy = s[0][1], xz = s[0][2];
  const double yx = s[1][0], yy = s[1][1], yz = s[1][2];
  const double zx = s[2][0], zy = s[2][1], zz = s[2][2];
  const Mat4 horn{{{xx + yy + zz, yz - zy, zx - xz, xy - yx},
                   {yz - zy, xx - yy - zz, xy + yx, zx + xz},
                   {zx - xz, xy + yx, -xx + yy - zz, yz + zy},
                   {xy - yx, zx + xz, yz + zy, -xx - yy + zz}}};
  const double root = largest_eigenvalue(horn);
  const std::array<double, 4> q = eigenvector(horn, root);
  // The Rayleigh quotient of the eigenvector: its error is the square of
  // the eigenvector's.
  double lambda = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) lambda += q[i] * horn[i][j] * q[j];
  }
  result.rotation = quaternion_rotation(q);
  result.rms = std::sqrt(std::fabs(squares - 2 * lambda) / static_cast<double>(n));
  return result;
}

// r.m.s. distance of the pairs after moving `moving` by `f`, summed directly.
inline double rms_after(const ReferenceFit& f, const std::vector<Vec3>& target,
                        const std::vector<Vec3>& moving) {
  double sum = 0;
  for (std::size_t k = 0; k < target.size(); ++k) {
    for (int i = 0; i < 3; ++i) {
      double moved = f.target_centre[i];
      for (int j = 0; j < 3; ++j) moved += f.rotation[i][j] * (moving[k][j] - f.moving_centre[j]);
      sum += (moved - target[k][i]) * (moved - target[k][i]);
    }
  }
  return std::sqrt(sum / static_cast<double>(target.size()));
}

}  // namespace fit_reference
