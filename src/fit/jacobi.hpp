// Eigenvalues and eigenvectors of a real symmetric matrix by cyclic Jacobi
// rotations, and their sort with the smallest eigenvalue last.
#pragma once

#include "fit/fit_result.hpp"
#include "formatted_io/records.hpp"

namespace fit {

// Diagonalises the symmetric matrix `a` of order n (1 <= n <= np,
// n <= JACOBI_MAX_ORDER; row-major, leading dimension np). Reads the diagonal
// and the upper triangle only, and destroys the upper triangle. `d` receives
// the eigenvalues in no order, column j of `v` the eigenvector of d[j], and
// `rotations` the number of rotations. Returns false when 50 sweeps did not
// bring the off-diagonal sum below 1.0e-29; the results are then those after
// the 50th sweep.
//   a zero matrix -> true, d all 0, v the identity, rotations 0
bool jacobi(float* a, int n, int np, float* d, float* v, int& rotations, JacobiWork& work);

// Selection sort into descending order, moving the eigenvector columns along.
// Among equal largest values the one with the higher index comes first:
//   d (0, 0, 0, 0), v identity -> v columns in the order 4, 1, 2, 3
void sort_eigenpairs(float* d, float* v, int n, int np);

// The stage: jacobi on the quaternion matrix, the sweep-limit pause, the sort
// and the console report of eigenvalues and eigenvectors.
void diagonalise_quaternion_matrix(formatted_io::Io& io, FitResult& fit);

}  // namespace fit
