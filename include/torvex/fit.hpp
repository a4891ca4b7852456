// The least-squares superposition of two atom sets by the quaternion method,
// in single precision evaluated in double: the same bits as the program.
#pragma once

#include <array>
#include <vector>

#include "torvex/structure.hpp"

namespace torvex {

// Quiet writes nothing; Console writes the program's console report of the
// step to standard output, as the program does.
enum class Report { Quiet, Console };

struct FitResult {
  int n = 0;         // pairs fitted: atoms 1..n of both sets
  float rms = 0.0f;  // overall r.m.s. deviation
  // moved = rotation (x - moving_centre) + target_centre; row-major.
  std::array<std::array<float, 3>, 3> rotation{};
  std::array<float, 3> translation{};  // target_centre - moving_centre
  std::array<float, 3> target_centre{};
  std::array<float, 3> moving_centre{};
  // Of the 4x4 quaternion matrix, descending; the last is the residual.
  // eigenvectors[i][j] is element i of the eigenvector of eigenvalues[j].
  std::array<float, 4> eigenvalues{};
  std::array<std::array<float, 4>, 4> eigenvectors{};
  int rotations = 0;       // Jacobi rotations used
  bool converged = false;  // false: the 50-sweep limit was reached
  // Per pair, the results file's last four columns: |dx|, |dy|, |dz| between
  // the target atom and the moved atom, and their distance.
  std::vector<std::array<float, 4>> deviations;
  std::vector<std::array<float, 3>> moved;  // moving atoms 1..n after the fit
};

// Moves `moving` onto `target`, pairing atoms 1..n, n the smaller count (as
// the program does when its count check is answered yes). Names are not
// compared: the caller judges the pairing.
//   a set and a rotated, shifted copy -> rms about 0, the inverse rotation
// Throws Error: NoAtoms when either set is empty, TooManyAtoms when one
// holds more than MAX_ATOMS; with Report::Console, RunTime (6508) when
// standard output cannot be written.
FitResult superpose(const AtomSet& target, const AtomSet& moving, Report report = Report::Quiet);

}  // namespace torvex
