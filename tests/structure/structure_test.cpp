// The structure room at its boundaries: which lines of a structure file
// become atoms and what is taken from their columns, where the reading limit
// falls, and what each pairing check writes and leaves. Files are written to
// a scratch folder; the console's bytes are taken from standard output.
#include <memory>
#include <string>
#include <vector>

#include "structure/pairing.hpp"
#include "structure/reader.hpp"
#include "support/run_files.hpp"

namespace structure {
namespace {

using formatted_io::Unit;

class StructureTest : public test_support::RunFiles {
 protected:
  // Reads a file of these lines into `atoms`; returns whether lines are left.
  bool read(const std::vector<std::string>& lines, AtomSet& atoms) {
    open_lines(Unit::Target, lines);
    return read_structure(io, Unit::Target, atoms);
  }
};

std::unique_ptr<AtomSet> atom_set() { return std::make_unique<AtomSet>(); }

// A coordinate line: record name, atom name (columns 13-16), residue
// (18-20), and the three F8.3 fields in 31-54.
std::string atom_line(const std::string& record, const std::string& atom,
                      const std::string& residue, const std::string& xyz) {
  return record + "    1 " + atom + " " + residue + " A   1    " + xyz;
}

class ReadStructure : public StructureTest {};

TEST_F(ReadStructure, TakesCoordinateRecordsByTheirFirstSixColumns) {
  // clang-format off
  const struct { std::string record; bool taken; } rows[] = {
      {"ATOM  ", true},  {"HETATM", true},  {"atom  ", false}, {" ATOM ", false},
      {"ATOMS ", false}, {"HETAT ", false}, {"ANISOU", false}, {"REMARK", false},
  };
  // clang-format on
  for (const auto& row : rows) {
    auto atoms = atom_set();
    read({atom_line(row.record, " CA ", "GLY", "   1.000   2.000   3.000")}, *atoms);
    EXPECT_EQ(atoms->count, row.taken ? 1 : 0) << "'" << row.record << "'";
    formatted_io::close_channel(io, Unit::Target);
  }
}

TEST_F(ReadStructure, LeavesOutWaterByItsExactResidueName) {
  auto atoms = atom_set();
  read({atom_line("HETATM", " O  ", "HOH", "   1.000   1.000   1.000"),
        atom_line("HETATM", " O  ", "hoh", "   2.000   2.000   2.000"),
        atom_line("HETATM", " O  ", "WAT", "   3.000   3.000   3.000"),
        atom_line("HETATM", " O  ", "HO ", "   4.000   4.000   4.000")},
       *atoms);
  ASSERT_EQ(atoms->count, 3);
  EXPECT_EQ(atoms->xyz[0][0], 2.0f);
  EXPECT_EQ(std::string(atoms->residue[2].data(), 3), "HO ");
}

TEST_F(ReadStructure, TakesNamesAndCoordinatesFromTheirColumns) {
  auto atoms = atom_set();
  read({atom_line("ATOM  ", " CA ", "MET", "  27.340 -24.430   2.614"),
        atom_line("ATOM  ", "HG12", "ILE", "   27340    -1.5 1.5E+01"),
        // Ends before column 31: blank fields are zero.
        "ATOM      3  N   ALA A   3"},
       *atoms);
  ASSERT_EQ(atoms->count, 3);
  // Columns 15-16 of the atom name.
  EXPECT_EQ(std::string(atoms->atom_type[0].data(), 2), "A ");
  EXPECT_EQ(std::string(atoms->atom_type[1].data(), 2), "12");
  EXPECT_EQ(std::string(atoms->residue[1].data(), 3), "ILE");
  // clang-format off
  const float expected[3][3] = {{27.34f, -24.43f, 2.614f},
                                {27.34f,  -1.5f,  15.0f},
                                {0.0f,     0.0f,   0.0f}};
  // clang-format on
  for (int k = 0; k < 3; ++k) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(atoms->xyz[c][k], expected[k][c]) << k << "," << c;
  }
}

TEST_F(ReadStructure, ReadsAtMostTheLineLimit) {
  // The limit counts lines of every kind; only a line past it is "more".
  const std::string remark = "REMARK";
  const std::string atom = atom_line("ATOM  ", " CA ", "GLY", "   1.000   2.000   3.000");
  for (const int lines : {MAX_ATOMS - 1, MAX_ATOMS, MAX_ATOMS + 1}) {
    std::vector<std::string> file(static_cast<std::size_t>(lines), atom);
    file[0] = remark;
    auto atoms = atom_set();
    const bool more = read(file, *atoms);
    EXPECT_EQ(more, lines > MAX_ATOMS) << lines;
    EXPECT_EQ(atoms->count, (lines > MAX_ATOMS ? MAX_ATOMS : lines) - 1) << lines;
    formatted_io::close_channel(io, Unit::Target);
  }
}

// Two sets of `count` atoms named GLY/CA; the given atoms renamed.
struct Pair {
  std::unique_ptr<AtomSet> target = atom_set();
  std::unique_ptr<AtomSet> moving = atom_set();
  Pair(int target_count, int moving_count) {
    target->count = target_count;
    moving->count = moving_count;
    for (AtomSet* set : {target.get(), moving.get()}) {
      for (int i = 0; i < MAX_ATOMS; ++i) {
        set->residue[i] = {'G', 'L', 'Y'};
        set->atom_type[i] = {'C', 'A'};
      }
    }
  }
};

class PairingChecks : public StructureTest {};

TEST_F(PairingChecks, CountsCutTheLargerSetToTheSmaller) {
  // clang-format off
  const struct { int target, moving; bool ok; int n; const char* text; } rows[] = {
      {758, 758, true,  758, "Check for identical number of atoms was ok\r\n"},
      {100,  95, false,  95, "*Warning* : number of atoms different \r\n"
                             "Will use only   95 atoms of probe\r\n\r\n"},
      { 95, 100, false,  95, "*Warning* : number of atoms different \r\n"
                             "Will use only   95 atoms of target\r\n\r\n"},
      {  0,   1, false,   0, "*Warning* : number of atoms different \r\n"
                             "Will use only    0 atoms of target\r\n\r\n"},
  };
  // clang-format on
  for (const auto& row : rows) {
    Pair pair(row.target, row.moving);
    bool ok = false;
    EXPECT_EQ(console_of([&] { ok = check_counts(io, *pair.target, *pair.moving); }), row.text);
    EXPECT_EQ(ok, row.ok);
    EXPECT_EQ(pair.target->count, row.n);
    EXPECT_EQ(pair.moving->count, row.n);
  }
}

TEST_F(PairingChecks, NamesReportEveryMismatchWithTheMovingName) {
  Pair pair(12, 12);
  pair.moving->residue[0] = {'A', 'L', 'A'};
  pair.moving->residue[11] = {'g', 'l', 'y'};
  pair.moving->residue[12] = {'S', 'E', 'R'};  // past n: not compared
  pair.moving->atom_type[2] = {'A', ' '};
  int mismatches = -1;
  EXPECT_EQ(console_of([&] { mismatches = check_residues(io, *pair.target, *pair.moving); }),
            "Mismatch at atom number    1, offending residue ALA\r\n"
            "Mismatch at atom number   12, offending residue gly\r\n");
  EXPECT_EQ(mismatches, 2);
  EXPECT_EQ(console_of([&] { mismatches = check_atom_types(io, *pair.target, *pair.moving); }),
            "Mismatch at atom number    3, offending atom type A \r\n");
  EXPECT_EQ(mismatches, 1);
  pair.moving->atom_type[2] = {'C', 'A'};
  EXPECT_EQ(console_of([&] { mismatches = check_atom_types(io, *pair.target, *pair.moving); }),
            "Check for pairwise correspondence of atom types was ok\r\n");
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace structure
