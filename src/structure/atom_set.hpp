// The stored atoms of one structure and the tests that decide which lines of
// a structure file are atoms. The reader and the results pass apply the same
// tests to the same lines, so the k-th atom stored is the k-th non-water
// coordinate record of the file.
#pragma once

#include <array>
#include <cstring>

namespace structure {

// Lines read from a structure file, of every kind; so also the capacity.
constexpr int MAX_ATOMS = 10000;
// Every structure-file line is held as a field of this many characters.
constexpr int LINE_LEN = 80;

struct AtomSet {
  int count = 0;
  // Coordinate by coordinate: xyz[0] holds every x, xyz[1] every y, ...
  std::array<std::array<float, MAX_ATOMS>, 3> xyz;
  std::array<std::array<char, 3>, MAX_ATOMS> residue;    // columns 18-20
  std::array<std::array<char, 2>, MAX_ATOMS> atom_type;  // columns 15-16
};

// Columns 1-6 exactly "ATOM  " or "HETATM", case and blanks included.
inline bool is_coordinate_record(const char* line) {
  return std::memcmp(line, "ATOM  ", 6) == 0 || std::memcmp(line, "HETATM", 6) == 0;
}

// A residue name (columns 18-20) of exactly "HOH".
inline bool is_water_residue(const char* residue) {
  return std::memcmp(residue, "HOH", 3) == 0;
}

}  // namespace structure
