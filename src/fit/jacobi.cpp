// Cyclic Jacobi with threshold sweeps. The diagonal is carried in double in
// the work vector b, with the corrections of a sweep collected in z, while the
// matrix and eigenvectors stay single precision: every element read enters
// the arithmetic at double and every result is rounded to float when stored.
// Both constants are the single-precision values of 0.2 and 1.0e-29.
#include "fit/jacobi.hpp"

#include <cmath>

#include "formatted_io/stops.hpp"

namespace fit {
namespace {

constexpr float THRESHOLD_FACTOR = 0.2f;
constexpr float CONVERGED_SUM = 1.0e-29f;

// x := g - s (h + g tau), y := h + s (g - h tau), with g = x and h = y.
inline void rotate(float& x, float& y, double s, double tau) {
  const double g = x;
  const double h = y;
  x = static_cast<float>(g - s * (h + g * tau));
  y = static_cast<float>(h + s * (g - h * tau));
}

}  // namespace

bool jacobi(float* a, int n, int np, float* d, float* v, int& rotations, JacobiWork& work) {
  auto a_at = [&](int i, int j) -> float& { return a[i * np + j]; };
  auto v_at = [&](int i, int j) -> float& { return v[i * np + j]; };
  double* b = work.b;
  double* z = work.z;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) v_at(i, j) = i == j ? 1.0f : 0.0f;
  }
  for (int p = 0; p < n; ++p) {
    b[p] = a_at(p, p);
    d[p] = static_cast<float>(b[p]);
    z[p] = 0.0;
  }
  rotations = 0;
  for (int sweep = 1; sweep <= JACOBI_MAX_SWEEPS; ++sweep) {
    double sm = 0.0;
    for (int p = 0; p < n - 1; ++p) {
      for (int q = p + 1; q < n; ++q) sm += std::fabs(double(a_at(p, q)));
    }
    if (sm < double(CONVERGED_SUM)) return true;
    const double tresh = sweep < 4 ? double(THRESHOLD_FACTOR) * sm / (n * n) : 0.0;
    for (int p = 0; p < n - 1; ++p) {
      for (int q = p + 1; q < n; ++q) {
        const double apq = a_at(p, q);
        double g = 100.0 * std::fabs(apq);
        const double dp = std::fabs(double(d[p]));
        const double dq = std::fabs(double(d[q]));
        if (sweep > 4 && dp + g == dp && dq + g == dq) {
          a_at(p, q) = 0.0f;
          continue;
        }
        if (!(std::fabs(apq) > tresh)) continue;
        double h = double(d[q]) - d[p];
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
        d[p] = static_cast<float>(double(d[p]) - h);
        d[q] = static_cast<float>(double(d[q]) + h);
        a_at(p, q) = 0.0f;
        for (int j = 0; j < p; ++j) rotate(a_at(j, p), a_at(j, q), s, tau);
        for (int j = p + 1; j < q; ++j) rotate(a_at(p, j), a_at(j, q), s, tau);
        for (int j = q + 1; j < n; ++j) rotate(a_at(p, j), a_at(q, j), s, tau);
        for (int j = 0; j < n; ++j) rotate(v_at(j, p), v_at(j, q), s, tau);
        ++rotations;
      }
    }
    for (int p = 0; p < n; ++p) {
      b[p] += z[p];
      d[p] = static_cast<float>(b[p]);
      z[p] = 0.0;
    }
  }
  return false;
}

void sort_eigenpairs(float* d, float* v, int n, int np) {
  for (int i = 0; i < n - 1; ++i) {
    int k = i;
    float p = d[i];
    for (int j = i + 1; j < n; ++j) {
      if (d[j] >= p) {
        k = j;
        p = d[j];
      }
    }
    if (k == i) continue;
    d[k] = d[i];
    d[i] = p;
    for (int row = 0; row < n; ++row) {
      const float swap = v[row * np + i];
      v[row * np + i] = v[row * np + k];
      v[row * np + k] = swap;
    }
  }
}

void diagonalise_quaternion_matrix(formatted_io::Io& io, FitResult& fit) {
  using formatted_io::CONSOLE;
  using formatted_io::Format;
  using formatted_io::write_record;
  static constexpr Format FIRST("(/a)");
  static constexpr Format SORTING("(a/)");
  static constexpr Format COUNT("(a,i2,a)");
  static constexpr Format TEXT("(a)");
  static constexpr Format VALUES("(4e12.5,i5)");
  static constexpr Format VECTOR_ROW("(4f12.6)");
  write_record<FIRST>(io, CONSOLE, " Jacobi orthogonalization ..........");
  fit.converged =
      jacobi(&fit.q[0][0], 4, 4, fit.eigenvalues, &fit.eigenvectors[0][0], fit.rotations, fit.work);
  if (!fit.converged) formatted_io::pause_run(io, "too many iterations in jacobi");
  write_record<SORTING>(io, CONSOLE, " Sorting eigenvalues/vectors .......");
  sort_eigenpairs(fit.eigenvalues, &fit.eigenvectors[0][0], 4, 4);
  write_record<COUNT>(io, CONSOLE, " Eigenvalues and Eigenvectors (", fit.rotations,
                      " Jacobi rotations)");
  write_record<TEXT>(io, CONSOLE, "      e(1)        e(2)        e(3)        e(4)");
  const float* e = fit.eigenvalues;
  write_record<VALUES>(io, CONSOLE, e[0], e[1], e[2], e[3]);
  write_record<TEXT>(io, CONSOLE, "      ev(1)       ev(2)       ev(3)       ev(4)");
  for (const auto& row : fit.eigenvectors) {
    write_record<VECTOR_ROW>(io, CONSOLE, row[0], row[1], row[2], row[3]);
  }
}

}  // namespace fit
