// Centring and the quaternion matrix (Kearsley's method): with the minus
// coordinates taken as moving minus target, the smallest eigenvalue of Q is
// the residual sum of squares after the best rotation, and its eigenvector is
// the quaternion of that rotation.
#include "fit/quaternion.hpp"

namespace fit {

using formatted_io::CONSOLE;
using formatted_io::Format;
using formatted_io::write_record;

void fill_matrix(int rows, int columns, float* matrix, int value) {
  const float v = static_cast<float>(value);
  for (int i = 0; i < rows * columns; ++i) matrix[i] = v;
}

void transpose_copy(int order, const float* source, float* destination) {
  // Source and destination may be one matrix: the loop order is what makes
  // the copy in place symmetrise rather than transpose.
  for (int i = 0; i < order; ++i) {
    for (int j = 0; j < order; ++j) destination[j * order + i] = source[i * order + j];
  }
}

void compute_quaternion_matrix(const structure::AtomSet& target, const structure::AtomSet& moving,
                               int n, FitResult& fit) {
  fill_matrix(4, 4, &fit.q[0][0], 0);
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

  for (int k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) {
      const double m = double(moving.xyz[c][k]) - fit.moving_centre[c];
      const double t = double(target.xyz[c][k]) - fit.target_centre[c];
      fit.minus[k][c] = static_cast<float>(m - t);
      fit.plus[k][c] = static_cast<float>(t + m);
    }
  }

  float(&q)[4][4] = fit.q;
  for (int k = 0; k < n; ++k) {
    const double xm = fit.minus[k][0], ym = fit.minus[k][1], zm = fit.minus[k][2];
    const double xp = fit.plus[k][0], yp = fit.plus[k][1], zp = fit.plus[k][2];
    // Squares summed left to right, the old value added last; for the other
    // elements the first product is added to the old value, then the second
    // subtracted. Stored in float once per atom and element.
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
  transpose_copy(4, &q[0][0], &q[0][0]);
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
