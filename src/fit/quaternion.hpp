// Centring and the quaternion matrix of the least-squares superposition.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "structure/atom_set.hpp"

namespace fit {

// Centres, translation vector and the symmetric quaternion matrix of atoms
// 1..n, n >= 1. Each formula is evaluated in double and rounded to float: the
// minus and plus coordinates of each atom, and each matrix element after each
// atom's terms; the centre sums are double.
void compute_quaternion_matrix(const structure::AtomSet& target,
                               const structure::AtomSet& moving, int n, FitResult& fit);

// The stage: computes the above and writes its console report.
void build_quaternion_matrix(formatted_io::Io& io, const structure::AtomSet& target,
                             const structure::AtomSet& moving, int n, FitResult& fit);

}  // namespace fit
