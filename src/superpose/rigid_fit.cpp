// The double-precision fit of the structure run: Kearsley's quaternion
// matrix, diagonalised by cyclic Jacobi rotations. Everything stays in
// locals of fixed size, so a call allocates nothing and may be made millions
// of times from many threads. Only + - * /, std::fabs and std::sqrt: the
// same bits on every compiler and machine.
#include <cmath>

#include "torvex/structure_run.hpp"

namespace torvex {
namespace {

constexpr int SWEEPS = 50;

// Eigenvalues d and eigenvectors (columns of v) of the symmetric 4x4 `a`,
// whose upper triangle is destroyed. Returns false when the sweeps run out.
// A double off-diagonal element that stops mattering beside both diagonal
// elements is set to zero, so a converged matrix ends exactly diagonal.
bool jacobi4(double a[4][4], double d[4], double v[4][4]) {
  double b[4];
  double z[4];
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) v[i][j] = i == j ? 1.0 : 0.0;
    b[i] = d[i] = a[i][i];
    z[i] = 0.0;
  }
  auto rotate = [](double& x, double& y, double s, double tau) {
    const double g = x;
    const double h = y;
    x = g - s * (h + g * tau);
    y = h + s * (g - h * tau);
  };
  for (int sweep = 1; sweep <= SWEEPS; ++sweep) {
    double sm = 0.0;
    for (int p = 0; p < 3; ++p) {
      for (int q = p + 1; q < 4; ++q) sm += std::fabs(a[p][q]);
    }
    if (sm == 0.0) return true;
    const double tresh = sweep < 4 ? 0.2 * sm / 16.0 : 0.0;
    for (int p = 0; p < 3; ++p) {
      for (int q = p + 1; q < 4; ++q) {
        const double apq = a[p][q];
        const double g = 100.0 * std::fabs(apq);
        if (sweep > 4 && std::fabs(d[p]) + g == std::fabs(d[p]) &&
            std::fabs(d[q]) + g == std::fabs(d[q])) {
          a[p][q] = 0.0;
          continue;
        }
        if (!(std::fabs(apq) > tresh)) continue;
        double h = d[q] - d[p];
        double t;
        if (std::fabs(h) + g == std::fabs(h)) {
          t = apq / h;
        } else {
          const double theta = 0.5 * h / apq;
          t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
          if (theta < 0.0) t = -t;
        }
        const double c = 1.0 / std::sqrt(t * t + 1.0);
        const double s = t * c;
        const double tau = s / (1.0 + c);
        h = t * apq;
        z[p] -= h;
        z[q] += h;
        d[p] -= h;
        d[q] += h;
        a[p][q] = 0.0;
        for (int j = 0; j < p; ++j) rotate(a[j][p], a[j][q], s, tau);
        for (int j = p + 1; j < q; ++j) rotate(a[p][j], a[j][q], s, tau);
        for (int j = q + 1; j < 4; ++j) rotate(a[p][j], a[q][j], s, tau);
        for (int j = 0; j < 4; ++j) rotate(v[j][p], v[j][q], s, tau);
      }
    }
    for (int p = 0; p < 4; ++p) {
      b[p] += z[p];
      d[p] = b[p];
      z[p] = 0.0;
    }
  }
  return false;
}

bool finite(double x) { return x - x == 0.0; }

}  // namespace

RigidFit fit_coords(std::span<const Xyz> target, std::span<const Xyz> moving,
                    std::span<const double> weights) {
  RigidFit fit;
  for (int i = 0; i < 3; ++i) fit.rotation[i][i] = 1.0;
  const std::size_t n = target.size();
  if (n < 3 || moving.size() != n || (!weights.empty() && weights.size() != n)) return fit;
  auto weight = [&](std::size_t k) { return weights.empty() ? 1.0 : weights[k]; };

  double total = 0.0;
  Xyz ct{};
  Xyz cm{};
  for (std::size_t k = 0; k < n; ++k) {
    const double w = weight(k);
    total += w;
    for (int c = 0; c < 3; ++c) {
      ct[c] += w * target[k][c];
      cm[c] += w * moving[k][c];
    }
  }
  if (!(total > 0.0)) return fit;
  for (int c = 0; c < 3; ++c) {
    ct[c] /= total;
    cm[c] /= total;
  }

  // With minus = moving - target and plus = moving + target (both centred),
  // the smallest eigenvalue of Q is the residual sum of squares after the
  // best rotation, and its eigenvector that rotation's quaternion.
  double q11 = 0.0, q22 = 0.0, q33 = 0.0, q44 = 0.0;
  double q12 = 0.0, q13 = 0.0, q14 = 0.0, q23 = 0.0, q24 = 0.0, q34 = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double w = weight(k);
    double minus[3];
    double plus[3];
    for (int c = 0; c < 3; ++c) {
      const double m = moving[k][c] - cm[c];
      const double t = target[k][c] - ct[c];
      minus[c] = m - t;
      plus[c] = t + m;
    }
    const double xm = minus[0], ym = minus[1], zm = minus[2];
    const double xp = plus[0], yp = plus[1], zp = plus[2];
    q11 += w * (xm * xm + ym * ym + zm * zm);
    q22 += w * (yp * yp + zp * zp + xm * xm);
    q33 += w * (xp * xp + zp * zp + ym * ym);
    q44 += w * (xp * xp + yp * yp + zm * zm);
    q12 += w * (yp * zm - ym * zp);
    q13 += w * (xm * zp - xp * zm);
    q14 += w * (xp * ym - xm * yp);
    q23 += w * (xm * ym - xp * yp);
    q24 += w * (xm * zm - xp * zp);
    q34 += w * (ym * zm - yp * zp);
  }
  // clang-format off
  double q[4][4] = {{q11, q12, q13, q14},
                    {q12, q22, q23, q24},
                    {q13, q23, q33, q34},
                    {q14, q24, q34, q44}};
  // clang-format on
  double d[4];
  double v[4][4];
  bool converged = jacobi4(q, d, v);

  // Descending, the eigenvector columns moved along.
  int order[4] = {0, 1, 2, 3};
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 4; ++j) {
      if (d[order[j]] > d[order[i]]) {
        const int swap = order[i];
        order[i] = order[j];
        order[j] = swap;
      }
    }
  }
  for (int i = 0; i < 4; ++i) fit.eigenvalues[i] = d[order[i]];
  const int smallest = order[3];
  const double q1 = v[0][smallest], q2 = v[1][smallest], q3 = v[2][smallest],
               q4 = v[3][smallest];
  Matrix3& r = fit.rotation;
  r[0][0] = q1 * q1 + q2 * q2 - q3 * q3 - q4 * q4;
  r[1][0] = 2.0 * (q4 * q1 + q2 * q3);
  r[2][0] = 2.0 * (q4 * q2 - q1 * q3);
  r[0][1] = 2.0 * (q2 * q3 - q4 * q1);
  r[1][1] = q1 * q1 + q3 * q3 - q2 * q2 - q4 * q4;
  r[2][1] = 2.0 * (q1 * q2 + q4 * q3);
  r[0][2] = 2.0 * (q4 * q2 + q1 * q3);
  r[1][2] = 2.0 * (q4 * q3 - q1 * q2);
  r[2][2] = q4 * q4 + q1 * q1 - q2 * q2 - q3 * q3;
  for (int i = 0; i < 3; ++i) {
    fit.translation[i] = ct[i] - (r[i][0] * cm[0] + r[i][1] * cm[1] + r[i][2] * cm[2]);
  }

  // The RMSD from the moved atoms themselves: the eigenvalue, a difference
  // of large sums, loses digits when the fit is close.
  double sum = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const Xyz moved = apply_fit(fit, moving[k]);
    double d2 = 0.0;
    for (int c = 0; c < 3; ++c) {
      const double e = moved[c] - target[k][c];
      d2 += e * e;
    }
    sum += weight(k) * d2;
  }
  fit.rmsd = std::sqrt(sum / total);
  for (const auto& row : r) {
    for (double x : row) converged = converged && finite(x);
  }
  fit.converged = converged && finite(fit.rmsd) && finite(fit.translation[0]) &&
                  finite(fit.translation[1]) && finite(fit.translation[2]);
  return fit;
}

Xyz apply_fit(const RigidFit& fit, const Xyz& x) {
  const Matrix3& r = fit.rotation;
  Xyz out;
  for (int i = 0; i < 3; ++i) {
    out[i] = r[i][0] * x[0] + r[i][1] * x[1] + r[i][2] * x[2] + fit.translation[i];
  }
  return out;
}

}  // namespace torvex
