// The members of an all-against-all run: each member's fitted atoms centred
// once, before any pair is fitted, and stored member-minor so that the
// correlation sums of one target against a run of moving members are one
// loop over members per atom (the loop the compiler vectorises: each lane is
// another pair, so the vector code adds in the same order as scalar code and
// gives the same bits).
#pragma once

#include <span>
#include <vector>

namespace ensemble {

struct Members {
  int count = 0;  // members
  int atoms = 0;  // fitted atoms per member, the same for all
  // Centred coordinate c (0 x, 1 y, 2 z) of atom i of member m at
  // centred[(3 * i + c) * count + m].
  std::vector<double> centred;
  std::vector<double> centre;       // 3 per member: the mean of its atoms
  std::vector<double> squared_sum;  // per member: sum over atoms of |centred|^2
};

// Centres every member. `coordinates[m]` holds x, y, z of each atom of member
// m in turn (3 * atoms values); every member must hold the same number, at
// least one atom. The centre is the plain mean, summed in atom order.
//   {{0,0,0, 2,0,0}} -> centre (1, 0, 0), centred x -1 and 1, squared_sum 2
Members make_members(std::span<const std::vector<double>> coordinates);

}  // namespace ensemble
