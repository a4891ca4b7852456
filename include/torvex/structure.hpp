// Structure files as atom sets. An atom set holds the non-water coordinate
// records of a file in file order; atom i of one set pairs with atom i of
// another by that order alone.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace torvex {

// The most atoms a set may hold, and the most lines read from a file.
constexpr int MAX_ATOMS = 10000;

struct Atom {
  std::array<float, 3> xyz{};       // columns 31-54
  std::array<char, 3> residue{};    // columns 18-20, e.g. "MET"
  std::array<char, 2> atom_type{};  // columns 15-16, e.g. " N" -> {' ', 'N'}
};

struct AtomSet {
  std::vector<Atom> atoms;
  // The file had lines past the MAX_ATOMS-th, which were not read: the
  // atoms are then only a part of the structure.
  bool line_limit_reached = false;
};

// Reads at most MAX_ATOMS lines of the file (line_limit_reached tells when
// it had more) and keeps every line whose
// columns 1-6 are "ATOM  " or "HETATM" and whose residue (columns 18-20) is
// not "HOH". Coordinates are read by the program's F8.3 input rule.
//   "ATOM      1  N   PRO A   1      -3.198   4.358  -9.432 ..."
//     -> xyz (-3.198, 4.358, -9.432), residue "PRO", atom_type " N"
// Throws Error: CannotOpen when the file does not open; RunTime when a line
// cannot be read or a coordinate is no number (6504) or out of range (6505),
// these two with the file and line (Error::file, Error::line).
AtomSet read_structure(const std::string& file);

}  // namespace torvex
