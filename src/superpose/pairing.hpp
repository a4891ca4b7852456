// Which atom of one structure stands for which of the other: by file order,
// by residue number and atom name, or by a sequence alignment of the chains
// and then atom name. Plain arrays in, index pairs out.
#pragma once

#include <vector>

#include "torvex/structure_run.hpp"

namespace superpose {

struct Pairing {
  std::vector<int> target_index;
  std::vector<int> moving_index;
  int residues_paired = 0;
  int residues_identical = 0;
};

// The atoms of `s` the choice keeps, in file order:
//   Ca: CA of amino acids, P of nucleotides; Backbone: N, CA, C, O of amino
//   acids, P, O5', C5', C4', C3', O3' of nucleotides; Heavy: all but H and D.
std::vector<int> chosen_atoms(const torvex::Structure& s, torvex::AtomChoice choice);

// Pairs the chosen atoms of both sides as options.match says. In residue and
// sequence pairing two residues of different names (a mutant) pair their
// backbone atoms only; an atom name pairs once per residue.
//   order, 5 and 4 atoms, not yes -> Error CountMismatch
//   order, 5 and 4 atoms, yes     -> pairs (0,0) .. (3,3)
Pairing pair_atoms(const torvex::Structure& target, const std::vector<int>& target_atoms,
                   const torvex::Structure& moving, const std::vector<int>& moving_atoms,
                   const torvex::Options& options);

}  // namespace superpose
