// Centring and the quaternion matrix of the least-squares superposition.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"
#include "structure/atom_set.hpp"

namespace fit {

// Sets every element of a rows x columns single-precision matrix to `value`.
void fill_matrix(int rows, int columns, float* matrix, int value);

// destination(j, i) := source(i, j) for i = 1..order (outer), j (inner), both
// of leading dimension `order`. In place it copies the upper triangle into
// the lower one and leaves the diagonal and the upper triangle as they were.
void transpose_copy(int order, const float* source, float* destination);

// Centres, translation vector, minus and plus coordinates and the symmetric
// quaternion matrix of atoms 1..n, n >= 1. Each formula is evaluated in
// double and rounded to float when stored; the centre sums are double and the
// matrix accumulates in float, element by element.
void compute_quaternion_matrix(const structure::AtomSet& target,
                               const structure::AtomSet& moving, int n, FitResult& fit);

// The stage: computes the above and writes its console report.
void build_quaternion_matrix(formatted_io::Io& io, const structure::AtomSet& target,
                             const structure::AtomSet& moving, int n, FitResult& fit);

}  // namespace fit
