// Shared by the fit tests: structures read from the test data through a file
// channel as the program reads them, and the three superposition stages run
// in the driver's order without their console reports. The records are large
// (the atom sets alone are ~170 kB), so they live on the heap.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fit/fit_result.hpp"
#include "fit/jacobi.hpp"
#include "fit/quaternion.hpp"
#include "fit/rotation.hpp"
#include "formatted_io/records.hpp"
#include "reference_fit.hpp"
#include "structure/atom_set.hpp"
#include "structure/reader.hpp"

namespace fit_support {

// Reads tests/data/<file> on the target channel. A missing file fails the test and
// gives an empty set.
inline std::unique_ptr<structure::AtomSet> load_structure(const char* file) {
  auto atoms = std::make_unique<structure::AtomSet>();
  auto io = std::make_unique<formatted_io::Io>();
  const std::string path = std::string(TORVEX_TEST_DATA) + "/" + file;
  if (path.size() > static_cast<std::size_t>(formatted_io::FILE_NAME_MAX) ||
      !formatted_io::open_existing(*io, formatted_io::Unit::Target, path.c_str(),
                                   static_cast<int>(path.size()))) {
    ADD_FAILURE() << "cannot open " << path;
    return atoms;
  }
  structure::read_structure(*io, formatted_io::Unit::Target, *atoms);
  formatted_io::close_channel(*io, formatted_io::Unit::Target);
  return atoms;
}

inline std::unique_ptr<structure::AtomSet> empty_structure() {
  auto atoms = std::make_unique<structure::AtomSet>();
  atoms->count = 0;
  for (auto& column : atoms->xyz) column.fill(0.0f);
  return atoms;
}

inline void set_atom(structure::AtomSet& atoms, int k, float x, float y, float z) {
  atoms.xyz[0][k] = x;
  atoms.xyz[1][k] = y;
  atoms.xyz[2][k] = z;
  if (atoms.count < k + 1) atoms.count = k + 1;
}

// Atoms 1..n widened to double, for the reference fit.
inline std::vector<fit_reference::Vec3> widened(const structure::AtomSet& atoms, int n) {
  std::vector<fit_reference::Vec3> out(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    for (int c = 0; c < 3; ++c) out[static_cast<std::size_t>(k)][c] = atoms.xyz[c][k];
  }
  return out;
}

inline std::unique_ptr<fit::FitResult> new_fit() {
  auto fit = std::make_unique<fit::FitResult>();
  std::memset(fit.get(), 0, sizeof(fit::FitResult));
  return fit;
}

// Centring, eigen-decomposition, sort, rotation and moving of atoms 1..n, as
// the driver runs them; `moving` holds the moved atoms afterwards.
inline void run_fit(const structure::AtomSet& target, structure::AtomSet& moving, int n,
                    fit::FitResult& fit) {
  fit::compute_quaternion_matrix(target, moving, n, fit);
  fit.converged = fit::jacobi(&fit.q[0][0], 4, 4, fit.eigenvalues, &fit.eigenvectors[0][0],
                              fit.rotations, fit.work);
  fit::sort_eigenpairs(fit.eigenvalues, &fit.eigenvectors[0][0], 4, 4);
  fit::compute_rotation_and_move(target, moving, n, fit);
}

}  // namespace fit_support
