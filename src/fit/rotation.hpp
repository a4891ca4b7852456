// The best-fit rotation, the moved coordinates and their deviations.
#pragma once

#include <cmath>

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "structure/atom_set.hpp"

namespace fit {

// x := A x for a vector of `order` floats and a row-major order x order
// matrix; x(i) := A(i,j) temp(j) + x(i) for j = 1..order, rounded to float
// after each term.
void multiply_in_place(int order, float* x, const float* a);

// Rotation matrix of the unit quaternion (q1 scalar part); -q gives the same.
//   (0, 0, 1, 0) -> diag(-1, 1, -1)
void rotation_from_quaternion(const float quaternion[4], float rotation[3][3]);

// Moves one point by the fit: p := R (p - cM) + cT, rounded to float after
// the centring, after each term of the rotation and after the final addition.
// The moving centre goes exactly onto the target centre.
void transform_point(const FitResult& fit, float point[3]);

// Distance between moved atom k (1-based) and its target atom, from the
// stored deviations; 0 for k beyond the fitted pairs. Inline: the results
// pass asks it for every atom.
inline float atom_total_deviation(const FitResult& fit, int k) {
  const float* d = fit.deviation[k - 1];
  return static_cast<float>(
      std::sqrt(double(d[0]) * d[0] + double(d[1]) * d[1] + double(d[2]) * d[2]));
}

// Overall r.m.s. deviation, rotation matrix, moved atoms 1..n and the
// deviation table, without console output.
void compute_rotation_and_move(const structure::AtomSet& target, structure::AtomSet& moving,
                               int n, FitResult& fit);

// The stage: the above and its console report.
void build_rotation_and_move(formatted_io::Io& io, const structure::AtomSet& target,
                             structure::AtomSet& moving, int n, FitResult& fit);

}  // namespace fit
