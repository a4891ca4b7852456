// Rotation and transformation. Evaluated in double and rounded to float when
// stored: the rounding points below decide the last bit of every moved
// coordinate written to the results file.
#include "fit/rotation.hpp"

#include <cmath>

#include "fit/quaternion.hpp"

namespace fit {

void multiply_in_place(int order, float* x, const float* a) {
  float temp[JACOBI_MAX_ORDER];
  for (int i = 0; i < order; ++i) {
    temp[i] = x[i];
    x[i] = 0.0f;
  }
  for (int i = 0; i < order; ++i) {
    for (int j = 0; j < order; ++j) {
      x[i] = static_cast<float>(double(a[i * order + j]) * temp[j] + x[i]);
    }
  }
}

void rotation_from_quaternion(const float quaternion[4], float r[3][3]) {
  const double q1 = quaternion[0], q2 = quaternion[1], q3 = quaternion[2], q4 = quaternion[3];
  r[0][0] = static_cast<float>(q1 * q1 + q2 * q2 - q3 * q3 - q4 * q4);
  r[1][0] = static_cast<float>(2.0 * (q4 * q1 + q2 * q3));
  r[2][0] = static_cast<float>(2.0 * (q4 * q2 - q1 * q3));
  r[0][1] = static_cast<float>(2.0 * (q2 * q3 - q4 * q1));
  r[1][1] = static_cast<float>(q1 * q1 + q3 * q3 - q2 * q2 - q4 * q4);
  r[2][1] = static_cast<float>(2.0 * (q1 * q2 + q4 * q3));
  r[0][2] = static_cast<float>(2.0 * (q4 * q2 + q1 * q3));
  r[1][2] = static_cast<float>(2.0 * (q4 * q3 - q1 * q2));
  r[2][2] = static_cast<float>(q4 * q4 + q1 * q1 - q2 * q2 - q3 * q3);
}

void transform_point(const FitResult& fit, float point[3]) {
  for (int c = 0; c < 3; ++c) {
    point[c] = static_cast<float>(double(point[c]) - fit.moving_centre[c]);
  }
  multiply_in_place(3, point, &fit.rotation[0][0]);
  for (int c = 0; c < 3; ++c) {
    point[c] = static_cast<float>(double(fit.target_centre[c]) + point[c]);
  }
}

float atom_total_deviation(const FitResult& fit, int k) {
  const float* d = fit.deviation[k - 1];
  return static_cast<float>(
      std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]));
}

void compute_rotation_and_move(const structure::AtomSet& target, structure::AtomSet& moving, int n,
                               FitResult& fit) {
  // A rounding error can leave the smallest eigenvalue just below zero.
  fit.rms = static_cast<float>(std::sqrt(std::fabs(double(fit.eigenvalues[3]) / n)));
  const float quaternion[4] = {fit.eigenvectors[0][3], fit.eigenvectors[1][3],
                               fit.eigenvectors[2][3], fit.eigenvectors[3][3]};
  rotation_from_quaternion(quaternion, fit.rotation);
  fill_matrix(MAX_ATOMS, 3, &fit.deviation[0][0], 0);
  for (int k = 0; k < n; ++k) {
    float point[3] = {moving.xyz[0][k], moving.xyz[1][k], moving.xyz[2][k]};
    transform_point(fit, point);
    for (int c = 0; c < 3; ++c) {
      moving.xyz[c][k] = point[c];
      fit.deviation[k][c] = static_cast<float>(std::fabs(double(target.xyz[c][k]) - point[c]));
    }
  }
}

void build_rotation_and_move(formatted_io::Io& io, const structure::AtomSet& target,
                             structure::AtomSet& moving, int n, FitResult& fit) {
  using formatted_io::CONSOLE;
  using formatted_io::Format;
  using formatted_io::write_record;
  static constexpr Format SMALLEST("(/a/)");
  static constexpr Format TEXT("(a)");
  static constexpr Format TEXT_THEN_EMPTY("(a/)");
  static constexpr Format ROW("(3f11.5)");
  compute_rotation_and_move(target, moving, n, fit);
  write_record<SMALLEST>(io, CONSOLE, " The smallest eigenvalue represents s.r.s. of best fit");
  write_record<TEXT>(io, CONSOLE, " Constructing the best fit rotation matrix from associated");
  write_record<TEXT_THEN_EMPTY>(io, CONSOLE, " eigenvector elements (last column).....");
  for (const auto& row : fit.rotation) write_record<ROW>(io, CONSOLE, row[0], row[1], row[2]);
}

}  // namespace fit
