// The Python class torvex.Fit: one superposition, from two structures
// (torvex.superpose) or from two coordinate arrays paired by index
// (torvex.superpose_coords).
#pragma once

#include <pybind11/pybind11.h>

#include <cstddef>
#include <torvex/structure_run.hpp>

namespace binding {

struct Fit {
  torvex::Superposition result;
  // For a coordinate fit the number of pairs, pair k joining row k of both
  // arrays (result's index lists stay empty); 0 for a fit of structures.
  std::size_t by_index = 0;
};

// Fit, superpose_coords and the coordinate form of rmsd_matrix.
void bind_fit(pybind11::module_& m);

}  // namespace binding
