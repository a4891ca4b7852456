// The residual of the best superposition of two centred point sets from
// their correlation sums alone: no rotation, no eigenvector, no 4x4 solver.
// The smallest eigenvalue of the quaternion matrix is
//   E = G_target + G_moving - 2 lambda,
// lambda the largest root of the characteristic polynomial of the traceless
// 4x4 matrix built from the correlation sums, found by Newton's method from
// an upper bound. Where Newton cannot be trusted (a root close beside the
// largest, or values that do not behave), the answer is "ask the full
// solver", never a doubtful number.
#pragma once

#include <array>
#include <optional>

namespace ensemble {

// s[i][j] = sum over atoms of target_i * moving_j (centred coordinates).
using Correlation = std::array<std::array<double, 3>, 3>;

// Iterations Newton may take from its upper bound before it is given up.
constexpr int NEWTON_MAX_STEPS = 100;

// The residual sum of squares E >= 0 of the best rigid superposition, or
// nothing when the full solver must decide. `target_squares` and
// `moving_squares` are the sums of squared centred coordinates.
//   target (1,0,0) (-1,0,0) (0,2,0) (0,-2,0), moving the same turned a
//   quarter about z: s = {{0,2,0},{-8,0,0},{0,0,0}}, squares 10 and 10 -> 0
//   moving a straight line: nothing (any turn about the line fits as well)
std::optional<double> residual_from_correlation(const Correlation& s, double target_squares,
                                                double moving_squares);

}  // namespace ensemble
