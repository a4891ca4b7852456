// Centring and the quaternion matrix (Kearsley's method): with the minus
// coordinates taken as moving minus target, the smallest eigenvalue of Q is
// the residual sum of squares after the best rotation, and its eigenvector is
// the quaternion of that rotation.
#include "fit/quaternion.hpp"

namespace fit {

using formatted_io::CONSOLE;
using formatted_io::Format;
using formatted_io::write_record;

void compute_quaternion_matrix(const structure::AtomSet& target, const structure::AtomSet& moving,
                               int n, FitResult& fit) {
  double target_sum[3] = {0.0, 0.0, 0.0};
  double moving_sum[3] = {0.0, 0.0, 0.0};
  for (int k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) {
      target_sum[c] += target.xyz[c][k];
      moving_sum[c] += moving.xyz[c][k];
    }
  }
  for (int c = 0; c < 3; ++c) {
    fit.moving_centre[c] = static_cast<float>(moving_sum[c] / n);
    fit.target_centre[c] = static_cast<float>(target_sum[c] / n);
    fit.translation[c] = static_cast<float>(double(fit.target_centre[c]) - fit.moving_centre[c]);
  }

  // One pass: each atom's minus and plus coordinates, rounded to float, go
  // straight into the matrix elements, which stay in locals (stores to the
  // result would have to be redone every atom).
  const double moving_centre[3] = {fit.moving_centre[0], fit.moving_centre[1],
                                   fit.moving_centre[2]};
  const double target_centre[3] = {fit.target_centre[0], fit.target_centre[1],
                                   fit.target_centre[2]};
  // Each holds a float's value, kept widened for the next atom's sum.
  double q11 = 0.0, q22 = 0.0, q33 = 0.0, q44 = 0.0;
  double q12 = 0.0, q13 = 0.0, q14 = 0.0, q23 = 0.0, q24 = 0.0, q34 = 0.0;
  for (int k = 0; k < n; ++k) {
    double minus[3];
    double plus[3];
    for (int c = 0; c < 3; ++c) {
      const double m = double(moving.xyz[c][k]) - moving_centre[c];
      const double t = double(target.xyz[c][k]) - target_centre[c];
      minus[c] = static_cast<float>(m - t);
      plus[c] = static_cast<float>(t + m);
    }
    const double xm = minus[0], ym = minus[1], zm = minus[2];
    const double xp = plus[0], yp = plus[1], zp = plus[2];
    // Squares summed left to right, the old value added last; for the other
    // elements the first product is added to the old value, then the second
    // subtracted. Rounded to float once per atom and element.
    q11 = static_cast<float>(zm * zm + xm * xm + ym * ym + q11);
    q22 = static_cast<float>(zp * zp + yp * yp + xm * xm + q22);
    q33 = static_cast<float>(zp * zp + xp * xp + ym * ym + q33);
    q44 = static_cast<float>(zm * zm + xp * xp + yp * yp + q44);
    q12 = static_cast<float>(q12 + zm * yp - zp * ym);
    q13 = static_cast<float>(q13 + zp * xm - zm * xp);
    q14 = static_cast<float>(q14 + xp * ym - xm * yp);
    q23 = static_cast<float>(q23 + xm * ym - xp * yp);
    q24 = static_cast<float>(q24 + zm * xm - zp * xp);
    q34 = static_cast<float>(q34 + zm * ym - zp * yp);
  }
  // clang-format off
  const double q[4][4] = {{q11, q12, q13, q14},
                          {q12, q22, q23, q24},
                          {q13, q23, q33, q34},
                          {q14, q24, q34, q44}};
  // clang-format on
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) fit.q[i][j] = static_cast<float>(q[i][j]);
  }
}

void build_quaternion_matrix(formatted_io::Io& io, const structure::AtomSet& target,
                             const structure::AtomSet& moving, int n, FitResult& fit) {
  static constexpr Format TARGET_CENTRE("(/a,3f8.3)");
  static constexpr Format MOVING_CENTRE("(a,3f8.3)");
  static constexpr Format TRANSLATION("(a,3f8.3/)");
  static constexpr Format TEXT("(a)");
  static constexpr Format HEADER("(/a)");
  static constexpr Format ROW("(4e13.5)");
  compute_quaternion_matrix(target, moving, n, fit);
  const float* ct = fit.target_centre;
  const float* cm = fit.moving_centre;
  const float* t = fit.translation;
  write_record<TARGET_CENTRE>(io, CONSOLE, " Centre of target molecule  =", ct[0], ct[1], ct[2]);
  write_record<MOVING_CENTRE>(io, CONSOLE, " Centre of moving molecule  =", cm[0], cm[1], cm[2]);
  write_record<TRANSLATION>(io, CONSOLE, " T - vector probe -> target =", t[0], t[1], t[2]);
  write_record<TEXT>(io, CONSOLE, " Creating coordinate differences.......");
  write_record<TEXT>(io, CONSOLE, " Filling quaternion matrix ............");
  write_record<HEADER>(io, CONSOLE, "       q(1)         q(2)         q(3)        q(4)");
  for (const auto& row : fit.q) write_record<ROW>(io, CONSOLE, row[0], row[1], row[2], row[3]);
}

}  // namespace fit
