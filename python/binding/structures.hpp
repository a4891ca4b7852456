// torvex.Structure, read, superpose, write and the structure form of
// rmsd_matrix: the structure run of the public library.
#pragma once

#include <pybind11/pybind11.h>

namespace binding {

void bind_structures(pybind11::module_& m);

}  // namespace binding
