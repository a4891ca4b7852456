// Newton on p(x) = x^4 + c2 x^2 + c1 x + c0, the characteristic polynomial of
//   N = | sxx+syy+szz  syz-szy      szx-sxz      sxy-syx     |
//       | syz-szy      sxx-syy-szz  sxy+syx      szx+sxz     |
//       | szx-sxz      sxy+syx     -sxx+syy-szz  syz+szy     |
//       | sxy-syx      szx+sxz      syz+szy     -sxx-syy+szz |
// with c2 = -2 |s|^2, c1 = -8 det s, c0 = det N. All four roots are real,
// so Newton started above the largest falls onto it without overshooting
// (in exact arithmetic): the start (G_t + G_m) / 2 bounds it because E >= 0.
// Near a double largest root the step shrinks only linearly and the root
// itself moves by the square root of any rounding: a step that is still
// large after NEWTON_MAX_STEPS means exactly that case, and the full solver
// takes over.
#include "ensemble/residual.hpp"

#include <cmath>

namespace ensemble {
namespace {

// Newton stops at a step of 1e-15 of the start (rounding noise for a simple
// root), or where steps below 1e-12 of it stop shrinking (the noise floor).
constexpr double CONVERGED_STEP = 1e-15;
constexpr double NOISE_STEP = 1e-12;
// The root is trusted when the error that the rounding of p can cause,
// |rounding of p| / p', is below this fraction of the start. E is then good
// to about 2e-11 G: for 20 atoms of 7 A radius, RMSD 0.01 A, about 1e-7 A.
constexpr double TRUSTED_ERROR = 1e-11;
constexpr double EPSILON = 0x1p-52;

double det3(const Correlation& s) {
  return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
         s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
         s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
}

// Laplace expansion along the first two rows: products of 2x2 minors.
double det4(const double (&n)[4][4]) {
  auto minor = [&](int row, int i, int j) {
    return n[row][i] * n[row + 1][j] - n[row][j] * n[row + 1][i];
  };
  return minor(0, 0, 1) * minor(2, 2, 3) - minor(0, 0, 2) * minor(2, 1, 3) +
         minor(0, 0, 3) * minor(2, 1, 2) + minor(0, 1, 2) * minor(2, 0, 3) -
         minor(0, 1, 3) * minor(2, 0, 2) + minor(0, 2, 3) * minor(2, 0, 1);
}

}  // namespace

std::optional<double> residual_from_correlation(const Correlation& s, double target_squares,
                                                double moving_squares) {
  const double sxx = s[0][0], sxy = s[0][1], sxz = s[0][2];
  const double syx = s[1][0], syy = s[1][1], syz = s[1][2];
  const double szx = s[2][0], szy = s[2][1], szz = s[2][2];
  const double n[4][4] = {
      {sxx + syy + szz, syz - szy, szx - sxz, sxy - syx},
      {syz - szy, sxx - syy - szz, sxy + syx, szx + sxz},
      {szx - sxz, sxy + syx, -sxx + syy - szz, syz + szy},
      {sxy - syx, szx + sxz, syz + szy, -sxx - syy + szz},
  };
  double norm = 0;
  for (const auto& row : s) {
    for (const double v : row) norm += v * v;
  }
  const double c2 = -2.0 * norm;
  const double c1 = -8.0 * det3(s);
  const double c0 = det4(n);

  const double bound = 0.5 * (target_squares + moving_squares);
  if (!(bound > 0.0) || !std::isfinite(bound)) return std::nullopt;
  double x = bound;
  double previous_step = bound;
  for (int step = 0; step < NEWTON_MAX_STEPS; ++step) {
    const double x2 = x * x;
    const double p = (x2 + c2) * x2 + c1 * x + c0;
    const double slope = 4.0 * x2 * x + 2.0 * c2 * x + c1;
    if (!(slope > 0.0)) return std::nullopt;  // at or below a turning point
    const double next = x - p / slope;
    const double size = std::fabs(next - x);
    x = next;
    if (size <= CONVERGED_STEP * bound || (size <= NOISE_STEP * bound && size >= previous_step)) {
      // The largest possible rounding of p, a few units in the last place
      // of its largest term, over the slope: how far the root may be off.
      const double terms =
          x * x * x * x + std::fabs(c2) * x * x + std::fabs(c1 * x) + std::fabs(c0);
      if (!(16.0 * EPSILON * terms <= TRUSTED_ERROR * bound * slope)) return std::nullopt;
      const double residual = target_squares + moving_squares - 2.0 * x;
      if (!std::isfinite(residual)) return std::nullopt;
      return residual > 0.0 ? residual : 0.0;
    }
    previous_step = size;
  }
  return std::nullopt;
}

}  // namespace ensemble
