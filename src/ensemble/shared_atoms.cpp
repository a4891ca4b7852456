#include "ensemble/shared_atoms.hpp"

#include <cstddef>
#include <vector>

namespace ensemble {
namespace {

bool same_atoms(const torvex::Structure& a, const torvex::Structure& b) {
  if (a.atoms.size() != b.atoms.size()) return false;
  for (std::size_t i = 0; i < a.atoms.size(); ++i) {
    const torvex::AtomId& x = a.atoms[i];
    const torvex::AtomId& y = b.atoms[i];
    if (x.chain != y.chain || x.residue_number != y.residue_number ||
        x.insertion_code != y.insertion_code || x.residue != y.residue || x.name != y.name) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<Members> shared_atom_members(std::span<const torvex::Structure* const> structures,
                                           const torvex::Options& options) {
  if (structures.empty() || options.trim != 0.0) return std::nullopt;
  for (const torvex::Structure* structure : structures.subspan(1)) {
    if (!same_atoms(*structures[0], *structure)) return std::nullopt;
  }
  std::vector<int> kept;
  try {
    const torvex::Superposition self = torvex::superpose(*structures[0], *structures[0], options);
    // --chains A:B pairs one chain with another: each pair its own road.
    if (self.target_index != self.moving_index) return std::nullopt;
    kept = self.target_index;
  } catch (const torvex::Error&) {
    return std::nullopt;
  }
  std::vector<std::vector<double>> coordinates(structures.size());
  for (std::size_t m = 0; m < structures.size(); ++m) {
    std::vector<double>& xyz = coordinates[m];
    xyz.reserve(3 * kept.size());
    for (const int i : kept) {
      for (const double c : structures[m]->xyz[static_cast<std::size_t>(i)]) xyz.push_back(c);
    }
  }
  return make_members(coordinates);
}

}  // namespace ensemble
