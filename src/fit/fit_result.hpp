// The fit result: filled once by the three superposition stages and read by
// the results passes. Matrices are row-major, element (i, j) counted from 1
// at [i-1][j-1]. Everything is single precision but the work storage of the
// eigen-solver.
#pragma once

#include "structure/atom_set.hpp"

namespace fit {

using structure::MAX_ATOMS;

// The largest order the eigen-solver accepts, and its sweep limit.
constexpr int JACOBI_MAX_ORDER = 500;
constexpr int JACOBI_MAX_SWEEPS = 50;

// Work storage of jacobi: the diagonal carried in double (b) and the
// corrections of the current sweep (z). Rewritten by every call.
struct JacobiWork {
  double b[JACOBI_MAX_ORDER];
  double z[JACOBI_MAX_ORDER];
};

struct FitResult {
  float target_centre[3];
  float moving_centre[3];
  float translation[3];       // target centre minus moving centre
  float q[4][4];              // quaternion matrix
  float eigenvalues[4];       // descending: the last is the residual
  float eigenvectors[4][4];   // column j belongs to eigenvalue j
  int rotations;
  bool converged;
  float rms;                  // overall r.m.s. deviation
  float rotation[3][3];       // moved = R (x - cM) + cT
  float deviation[MAX_ATOMS][3];  // |T - moved| per coordinate; 0 beyond n
  JacobiWork work;
};

}  // namespace fit
