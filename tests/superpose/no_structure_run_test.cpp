// A build without gemmi: every call that needs it fails with one message
// that says why, and nothing is written; pairing by residue still works.
#ifdef TORVEX_NO_STRUCTURE_RUN
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "torvex/structure_run.hpp"

namespace {

const std::string WHY =
    "this build has no structure run (PDBx/mmCIF, gzip-compressed files and its options): "
    "it was built without gemmi";

void expect_refused(const std::function<void()>& call) {
  try {
    call();
    ADD_FAILURE() << "not refused";
  } catch (const torvex::Error& e) {
    EXPECT_EQ(e.kind(), torvex::Error::Kind::NotBuilt);
    EXPECT_EQ(e.what(), WHY);
  }
}

torvex::Structure chain(const char* residues[], int n) {
  torvex::Structure s;
  for (int i = 0; i < n; ++i) {
    torvex::AtomId a;
    a.chain = "A";
    a.residue_number = i + 1;
    a.residue = residues[i];
    a.name = "CA";
    a.kind = torvex::AtomId::Kind::AminoAcid;
    s.atoms.push_back(a);
    s.xyz.push_back({1.0 * i, 0.5 * i * i, 0.25 * i * i * i});
  }
  return s;
}

}  // namespace

TEST(NoStructureRun, ReadingWritingAndAligningSayWhy) {
  const std::string out = (std::filesystem::temp_directory_path() / "torvex_not_built.pdb").string();
  std::remove(out.c_str());
  expect_refused([] { torvex::read("any.cif"); });
  expect_refused([] { torvex::read_models("any.cif", "/1/A"); });
  expect_refused([&] { torvex::write_moved(torvex::RigidFit{}, "any.pdb", out); });
  EXPECT_FALSE(std::filesystem::exists(out));
  const char* residues[] = {"MET", "LYS", "ALA", "LEU", "GLU"};
  const torvex::Structure s = chain(residues, 5);
  torvex::Options options;
  options.match = torvex::Match::Sequence;
  expect_refused([&] { torvex::superpose(s, s, options); });
  // What needs no gemmi still works: a structure onto itself, by residue.
  options.match = torvex::Match::Residue;
  const torvex::Superposition fit = torvex::superpose(s, s, options);
  EXPECT_EQ(fit.atoms_fitted, 5);
  EXPECT_LT(fit.fit.rmsd, 1e-9);
}
#endif
