// Pairing checks: every difference is reported, in atom order, without limit.
#include "structure/pairing.hpp"

#include <cstring>
#include <string_view>

namespace structure {

using formatted_io::CONSOLE;
using formatted_io::Format;
using formatted_io::write_record;

bool check_counts(formatted_io::Io& io, AtomSet& target, AtomSet& moving) {
  static constexpr Format TEXT("(a)");
  static constexpr Format USE_ONLY("(a,i5,a/)");
  if (moving.count == target.count) {
    write_record<TEXT>(io, CONSOLE, " Check for identical number of atoms was ok");
    return true;
  }
  write_record<TEXT>(io, CONSOLE, " *Warning* : number of atoms different ");
  if (moving.count < target.count) {
    write_record<USE_ONLY>(io, CONSOLE, " Will use only", moving.count, " atoms of probe");
    target.count = moving.count;
  } else {
    write_record<USE_ONLY>(io, CONSOLE, " Will use only", target.count, " atoms of target");
    moving.count = target.count;
  }
  return false;
}

namespace {

// Compares one name field of atoms 1..n; `label` ends in a blank. Returns
// the mismatches listed.
template <std::size_t N>
int check_names(formatted_io::Io& io, const std::array<std::array<char, N>, MAX_ATOMS>& target,
                 const std::array<std::array<char, N>, MAX_ATOMS>& moving, int n,
                 std::string_view label, std::string_view ok_line) {
  static constexpr Format MISMATCH("(a,i5,a,a)");
  static constexpr Format TEXT("(a)");
  // The names lie packed: when all of them agree, one comparison says so.
  static_assert(sizeof target == sizeof(char) * N * MAX_ATOMS);
  if (n <= 0 || std::memcmp(target.data(), moving.data(), N * static_cast<std::size_t>(n)) == 0) {
    write_record<TEXT>(io, CONSOLE, ok_line);
    return 0;
  }
  int mismatches = 0;
  for (int i = 0; i < n; ++i) {
    if (target[i] == moving[i]) continue;
    write_record<MISMATCH>(io, CONSOLE, " Mismatch at atom number", i + 1, label,
                           std::string_view(moving[i].data(), N));
    ++mismatches;
  }
  if (mismatches == 0) write_record<TEXT>(io, CONSOLE, ok_line);
  return mismatches;
}

}  // namespace

int check_residues(formatted_io::Io& io, const AtomSet& target, const AtomSet& moving) {
  return check_names(io, target.residue, moving.residue, target.count, ", offending residue ",
                     " Check for pairwise correspondence of residues was ok");
}

int check_atom_types(formatted_io::Io& io, const AtomSet& target, const AtomSet& moving) {
  return check_names(io, target.atom_type, moving.atom_type, target.count, ", offending atom type ",
                     " Check for pairwise correspondence of atom types was ok");
}

}  // namespace structure
