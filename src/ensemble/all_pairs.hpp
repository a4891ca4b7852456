// The RMSD of every pair of members: one fit per unordered pair, the member
// of the lower index the target, so the matrix is symmetric by construction
// (the fit of b onto a would give the same value in exact arithmetic, and is
// never made). Only the residual is found, never a rotation.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "ensemble/members.hpp"

namespace ensemble {

// The side of a tile: a thread takes MEMBER_BLOCK targets against
// MEMBER_BLOCK moving members, few enough that both sets stay in the core's
// own cache while each target passes over the moving ones (a 1000-atom
// member is 24 kB).
constexpr int MEMBER_BLOCK = 16;

// The count x count matrix, row-major, 0 on the diagonal, entry (a, b) equal
// to entry (b, a). Every entry is a pure function of its two members, the
// same bits for any number of threads. `pairs_done`, when given, is raised
// by each finished block's pairs as the work goes on (for a progress report).
//   two members, the second the first turned about any axis -> {0, 0, 0, 0}
std::vector<double> rmsd_matrix(const Members& members, int threads,
                                std::atomic<std::int64_t>* pairs_done = nullptr);

// The RMSD of one pair by the same arithmetic as the matrix entry.
double pair_rmsd(const Members& members, int target, int moving);

}  // namespace ensemble
