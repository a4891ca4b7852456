// The superposition for a library caller: the program's three fit stages on
// copies of the caller's atoms, their report discarded unless asked for.
#include "torvex/fit.hpp"

#include <algorithm>
#include <memory>

#include "fit/fit_result.hpp"
#include "fit/jacobi.hpp"
#include "fit/quaternion.hpp"
#include "fit/rotation.hpp"
#include "library/run.hpp"
#include "library/sets.hpp"

namespace torvex {

FitResult superpose(const AtomSet& target, const AtomSet& moving, Report report) {
  const std::size_t pairs = std::min(target.atoms.size(), moving.atoms.size());
  if (pairs == 0) throw Error(Error::Kind::NoAtoms, 0, "no atoms to fit");
  const auto target_set = library::to_engine(target);
  const auto moving_set = library::to_engine(moving);
  const int n = static_cast<int>(pairs);
  auto fit = std::make_unique<fit::FitResult>();
  library::Run run(report);
  run.guarded([&] {
    fit::build_quaternion_matrix(run.io(), *target_set, *moving_set, n, *fit);
    fit::diagonalise_quaternion_matrix(run.io(), *fit);
    fit::build_rotation_and_move(run.io(), *target_set, *moving_set, n, *fit);
  });

  FitResult result;
  result.n = n;
  result.rms = fit->rms;
  for (int i = 0; i < 3; ++i) {
    result.target_centre[i] = fit->target_centre[i];
    result.moving_centre[i] = fit->moving_centre[i];
    result.translation[i] = fit->translation[i];
    for (int j = 0; j < 3; ++j) result.rotation[i][j] = fit->rotation[i][j];
  }
  for (int i = 0; i < 4; ++i) {
    result.eigenvalues[i] = fit->eigenvalues[i];
    for (int j = 0; j < 4; ++j) result.eigenvectors[i][j] = fit->eigenvectors[i][j];
  }
  result.rotations = fit->rotations;
  result.converged = fit->converged;
  result.deviations.resize(pairs);
  result.moved.resize(pairs);
  for (int k = 0; k < n; ++k) {
    const auto row = static_cast<std::size_t>(k);
    for (int c = 0; c < 3; ++c) {
      result.deviations[row][c] = fit->deviation[k][c];
      result.moved[row][c] = moving_set->xyz[c][k];
    }
    result.deviations[row][3] = fit::atom_total_deviation(*fit, k + 1);
  }
  return result;
}

}  // namespace torvex
