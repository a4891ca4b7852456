// Rotation and transformation. Evaluated in double and rounded to float when
// stored: the rounding points below decide the last bit of every moved
// coordinate written to the results file.
#include "fit/rotation.hpp"

#include <cmath>
#include <cstring>

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

void compute_rotation_and_move(const structure::AtomSet& target, structure::AtomSet& moving, int n,
                               FitResult& fit) {
  // A rounding error can leave the smallest eigenvalue just below zero.
  fit.rms = static_cast<float>(std::sqrt(std::fabs(double(fit.eigenvalues[3]) / n)));
  const float quaternion[4] = {fit.eigenvectors[0][3], fit.eigenvectors[1][3],
                               fit.eigenvectors[2][3], fit.eigenvectors[3][3]};
  rotation_from_quaternion(quaternion, fit.rotation);
  // Rows past n stay zero for whoever reads them; rows up to n are written.
  std::memset(fit.deviation + n, 0,
              sizeof fit.deviation[0] * static_cast<std::size_t>(MAX_ATOMS - n));
  // transform_point's roundings, written out here with the matrix and the
  // centres in locals: a call per atom reloads them after every store and
  // costs about a third more. A test holds the two to the same bits.
  double r[3][3];
  double moving_centre[3];
  double target_centre[3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r[i][j] = fit.rotation[i][j];
    moving_centre[i] = fit.moving_centre[i];
    target_centre[i] = fit.target_centre[i];
  }
  for (int k = 0; k < n; ++k) {
    double centred[3];
    for (int c = 0; c < 3; ++c) {
      centred[c] = static_cast<float>(double(moving.xyz[c][k]) - moving_centre[c]);
    }
    for (int i = 0; i < 3; ++i) {
      float x = 0.0f;
      for (int j = 0; j < 3; ++j) x = static_cast<float>(r[i][j] * centred[j] + x);
      const auto moved = static_cast<float>(target_centre[i] + x);
      moving.xyz[i][k] = moved;
      fit.deviation[k][i] = static_cast<float>(std::fabs(double(target.xyz[i][k]) - moved));
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
