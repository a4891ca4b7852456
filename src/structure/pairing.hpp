// The pairing checks. Atom i of the target pairs with atom i of the moving
// structure by file order alone; these checks make the counts equal and show
// where names disagree, so that the user can judge whether the pairing holds.
// Each writes its findings to the console and tells what it found. In the console texts "probe" is the moving structure.
#pragma once

#include "formatted_io/records.hpp"
#include "structure/atom_set.hpp"

namespace structure {

// Equal counts: " Check for identical number of atoms was ok", true. Otherwise
// the smaller count wins, both sets are cut to it, and the warning names the
// structure that had it:
//   target 100, moving 95 -> " Will use only   95 atoms of probe", false
bool check_counts(formatted_io::Io& io, AtomSet& target, AtomSet& moving);

// One line per differing residue name of atoms 1..n, showing the moving
// structure's name:  " Mismatch at atom number   12, offending residue GLY"
// Returns the number of such lines; 0 when all agree.
int check_residues(formatted_io::Io& io, const AtomSet& target, const AtomSet& moving);

// The same for the two-character atom types:
//   " Mismatch at atom number    3, offending atom type A "
int check_atom_types(formatted_io::Io& io, const AtomSet& target, const AtomSet& moving);

}  // namespace structure
