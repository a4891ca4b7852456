// Pairing by what atoms are: residues by number and insertion code or by a
// sequence alignment, atoms by name, mutants by their backbone, chains in
// order or as named; and the atom choices.
#include "superpose/pairing.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using torvex::AtomId;
using torvex::Structure;

// Atoms as "chain residue-number[icode] residue atom [element]".
Structure make(const std::vector<std::vector<std::string>>& rows) {
  Structure s;
  for (const auto& row : rows) {
    AtomId a;
    a.chain = row[0];
    const std::string& number = row[1];
    const char last = number.back();
    a.insertion_code = last >= 'A' && last <= 'Z' ? last : ' ';
    a.residue_number = std::stoi(number);
    a.residue = row[2];
    a.name = row[3];
    a.element = row.size() > 4 ? row[4] : row[3].substr(0, 1);
    a.kind = a.residue == "DA"   ? AtomId::Kind::Nucleotide
             : a.residue == "CA" ? AtomId::Kind::Other  // a calcium ion
                                 : AtomId::Kind::AminoAcid;
    s.atoms.push_back(a);
    s.xyz.push_back({0.0, 0.0, 0.0});
  }
  return s;
}

std::vector<int> all(const Structure& s) { return superpose::chosen_atoms(s, torvex::AtomChoice::All); }

// "target atom name/moving atom name" per pair.
std::vector<std::string> named(const Structure& t, const Structure& m, const superpose::Pairing& p) {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < p.target_index.size(); ++k) {
    const AtomId& a = t.atoms[p.target_index[k]];
    const AtomId& b = m.atoms[p.moving_index[k]];
    out.push_back(a.chain + std::to_string(a.residue_number) + a.name + "/" + b.chain +
                  std::to_string(b.residue_number) + b.name);
  }
  return out;
}

superpose::Pairing pair(const Structure& t, const Structure& m, torvex::Options options = {}) {
  return superpose::pair_atoms(t, all(t), m, all(m), options);
}

TEST(PairByResidue, NamesPairWhateverTheOrderAndMutantsPairTheirBackbone) {
  const Structure t = make({{"A", "5", "ALA", "N"}, {"A", "5", "ALA", "CA"}, {"A", "5", "ALA", "C"},
                            {"A", "5", "ALA", "O"}, {"A", "5", "ALA", "CB"},
                            {"A", "6", "SER", "CB"}, {"A", "6", "SER", "OG"}});
  const Structure m = make({{"A", "5", "GLY", "CA"}, {"A", "5", "GLY", "N"}, {"A", "5", "GLY", "O"},
                            {"A", "5", "GLY", "C"}, {"A", "6", "SER", "OG"},
                            {"A", "6", "SER", "CB"}, {"A", "7", "LYS", "N"}});
  const superpose::Pairing p = pair(t, m);
  EXPECT_EQ(named(t, m, p), (std::vector<std::string>{"A5N/A5N", "A5CA/A5CA", "A5C/A5C", "A5O/A5O",
                                                      "A6CB/A6CB", "A6OG/A6OG"}));
  EXPECT_EQ(p.residues_paired, 2);
  EXPECT_EQ(p.residues_identical, 1);
}

TEST(PairByResidue, InsertionCodesTellResiduesApart) {
  const Structure t = make({{"A", "10", "GLY", "CA"}, {"A", "10A", "SER", "CA"}, {"A", "11", "GLY", "CA"}});
  const Structure m = make({{"A", "10A", "SER", "CA"}, {"A", "11", "GLY", "CA"}, {"A", "10", "GLY", "CA"}});
  const superpose::Pairing p = pair(t, m);
  EXPECT_EQ(p.moving_index, (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(p.residues_identical, 3);
}

TEST(PairByResidue, ChainsInOrderOrAsNamed) {
  const Structure t = make({{"A", "1", "GLY", "CA"}, {"B", "1", "GLY", "CA"}});
  const Structure m = make({{"X", "1", "GLY", "CA"}, {"Y", "1", "GLY", "CA"}});
  EXPECT_EQ(named(t, m, pair(t, m)), (std::vector<std::string>{"A1CA/X1CA", "B1CA/Y1CA"}));
  torvex::Options named_chains;
  named_chains.chains = {{"A", "Y"}};
  EXPECT_EQ(named(t, m, pair(t, m, named_chains)), (std::vector<std::string>{"A1CA/Y1CA"}));
  named_chains.chains = {{"A", "Z"}};
  EXPECT_THROW(pair(t, m, named_chains), torvex::Error);
}

TEST(PairBySequence, AnInsertedResidueIsSteppedOver) {
#ifdef TORVEX_NO_STRUCTURE_RUN
  GTEST_SKIP() << "this build has no structure run: the alignment is gemmi's";
#endif
  // Numbered alike but the moving chain has an extra TRP: by number most
  // residues would pair with the wrong neighbour, by sequence all do right.
  std::vector<std::vector<std::string>> rows_t, rows_m;
  const char* seq[] = {"MET", "LYS", "ALA", "LEU", "GLU", "HIS", "PHE", "ARG", "ASP", "CYS"};
  for (int i = 0; i < 10; ++i) {
    rows_t.push_back({"A", std::to_string(i + 1), seq[i], "CA"});
    if (i == 4) rows_m.push_back({"A", "5", "TRP", "CA"});
    rows_m.push_back({"A", std::to_string(i + (i >= 4 ? 2 : 1)), seq[i], "CA"});
  }
  const Structure t = make(rows_t);
  const Structure m = make(rows_m);
  torvex::Options options;
  options.match = torvex::Match::Sequence;
  const superpose::Pairing p = pair(t, m, options);
  ASSERT_EQ(p.target_index.size(), 10u);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(m.atoms[p.moving_index[k]].residue, seq[k]);
  EXPECT_EQ(p.residues_identical, 10);
}

TEST(PairByOrder, CountsMustAgreeUnlessYes) {
  const Structure t = make({{"A", "1", "GLY", "N"}, {"A", "1", "GLY", "CA"}, {"A", "1", "GLY", "C"}});
  const Structure m = make({{"B", "7", "ALA", "C"}, {"B", "7", "ALA", "N"}});
  torvex::Options options;
  options.match = torvex::Match::Order;
  try {
    pair(t, m, options);
    FAIL() << "no error";
  } catch (const torvex::Error& e) {
    EXPECT_EQ(e.kind(), torvex::Error::Kind::CountMismatch);
  }
  options.yes = true;
  const superpose::Pairing p = pair(t, m, options);
  EXPECT_EQ(named(t, m, p), (std::vector<std::string>{"A1N/B7C", "A1CA/B7N"}));
  EXPECT_EQ(p.residues_paired, 1);
  EXPECT_EQ(p.residues_identical, 0);
}

TEST(ChosenAtoms, TraceBackboneAndHeavy) {
  const Structure s = make({{"A", "1", "GLY", "N"}, {"A", "1", "GLY", "CA"}, {"A", "1", "GLY", "H"},
                            {"A", "1", "GLY", "C"}, {"A", "1", "GLY", "O"}, {"A", "1", "GLY", "CB"},
                            {"B", "1", "DA", "P"}, {"B", "1", "DA", "O5'"}, {"B", "1", "DA", "N9"},
                            {"C", "1", "CA", "CA", "Ca"}});
  using torvex::AtomChoice;
  EXPECT_EQ(superpose::chosen_atoms(s, AtomChoice::Ca), (std::vector<int>{1, 6}));
  EXPECT_EQ(superpose::chosen_atoms(s, AtomChoice::Backbone), (std::vector<int>{0, 1, 3, 4, 6, 7}));
  EXPECT_EQ(superpose::chosen_atoms(s, AtomChoice::Heavy), (std::vector<int>{0, 1, 3, 4, 5, 6, 7, 8, 9}));
}

}  // namespace
