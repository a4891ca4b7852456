// Centring once per member: n pairs of a run of k members then cost the
// correlation sums alone, never a member's own sums again.
#include "ensemble/members.hpp"

#include <cassert>
#include <cstddef>

namespace ensemble {

Members make_members(std::span<const std::vector<double>> coordinates) {
  Members members;
  members.count = static_cast<int>(coordinates.size());
  members.atoms = coordinates.empty() ? 0 : static_cast<int>(coordinates[0].size() / 3);
  const auto count = static_cast<std::size_t>(members.count);
  const auto atoms = static_cast<std::size_t>(members.atoms);
  members.centred.resize(3 * atoms * count);
  members.centre.resize(3 * count);
  members.squared_sum.resize(count);
  for (std::size_t m = 0; m < count; ++m) {
    const std::vector<double>& xyz = coordinates[m];
    assert(xyz.size() == 3 * atoms && atoms > 0);
    double sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < atoms; ++i) {
      for (std::size_t c = 0; c < 3; ++c) sum[c] += xyz[3 * i + c];
    }
    for (std::size_t c = 0; c < 3; ++c) members.centre[3 * m + c] = sum[c] / double(atoms);
    double squares = 0;
    for (std::size_t i = 0; i < atoms; ++i) {
      for (std::size_t c = 0; c < 3; ++c) {
        const double u = xyz[3 * i + c] - members.centre[3 * m + c];
        members.centred[(m * atoms + i) * 3 + c] = u;
        squares += u * u;
      }
    }
    members.squared_sum[m] = squares;
  }
  return members;
}

}  // namespace ensemble
