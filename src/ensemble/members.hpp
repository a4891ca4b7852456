// The members of an all-against-all run: each member's fitted atoms centred
// once, before any pair is fitted, and stored one member after another, so
// that the correlation sums of a pair read two runs of memory front to back.
#pragma once

#include <span>
#include <vector>

namespace ensemble {

struct Members {
  int count = 0;  // members
  int atoms = 0;  // fitted atoms per member, the same for all
  // Centred coordinate c (0 x, 1 y, 2 z) of atom i of member m at
  // centred[(m * atoms + i) * 3 + c].
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
