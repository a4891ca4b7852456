// The structure run's JSON summary: its keys in order, reals in their
// shortest form, and names escaped as the legacy summary escapes them.
#include <gtest/gtest.h>

#include <string>

#include "torvex/structure_run.hpp"

namespace {

TEST(StructureSummary, KeysRealsAndNames) {
  torvex::SummaryNames names;
  names.version = "1.0.0";
  names.target = "a\"b\\c.cif";
  names.moving = "m\x01\xff\xc3\xa9.cif";
  names.results = "m_mvd.cif";
  names.further = "f.pdb";
  names.further_results = "f_mvd.pdb";
  names.match = "residue";
  torvex::Structure target;
  target.model = 2;
  torvex::Superposition fit;
  fit.target_index = {0, 1, 2, 3};
  fit.moving_index = {0, 1, 2, 3};
  fit.atoms_fitted = 3;
  fit.fit.rmsd = 0.125;
  fit.rmsd_paired = 0.5;
  fit.unpaired_target = 1;
  fit.residue_identity = 0.75;
  fit.cycles_run = 2;
  fit.fit.rotation = {{{0.0, 1.0, 0.0}, {-1.0, 0.0, 0.0}, {0.0, 0.0, 1.0}}};
  fit.fit.translation = {-2.0, 1.0, -3.0};
  fit.target_centre = {0.625, 0.0, 0.875};
  fit.moving_centre = {1.0, 2.625, 3.875};
  torvex::Options options;
  options.trim = 2.0;
  const std::string expected =
      "{\n"
      "  \"version\": \"1.0.0\",\n"
      "  \"run\": \"structure\",\n"
      "  \"target\": \"a\\\"b\\\\c.cif\",\n"
      "  \"moving\": \"m\\u0001\\ufffd\xc3\xa9.cif\",\n"
      "  \"results\": \"m_mvd.cif\",\n"
      "  \"further\": {\"file\": \"f.pdb\", \"results\": \"f_mvd.pdb\", \"line_limit_reached\": false},\n"
      "  \"match\": \"residue\",\n"
      "  \"model\": 2,\n"
      "  \"atoms_paired\": 4,\n"
      "  \"atoms_fitted\": 3,\n"
      "  \"rmsd\": 0.125,\n"
      "  \"rmsd_paired\": 0.5,\n"
      "  \"unpaired\": {\"target\": 1, \"moving\": 0},\n"
      "  \"residue_identity\": 0.75,\n"
      "  \"trim\": {\"cutoff\": 2, \"cycles_run\": 2},\n"
      "  \"target_centre\": [0.625, 0, 0.875],\n"
      "  \"moving_centre\": [1, 2.625, 3.875],\n"
      "  \"translation\": [-0.375, -2.625, -3],\n"
      "  \"rotation\": [[0, 1, 0], [-1, 0, 0], [0, 0, 1]],\n"
      "  \"transform\": {\"rotation\": [[0, 1, 0], [-1, 0, 0], [0, 0, 1]], \"translation\": [-2, 1, -3]},\n"
      "  \"line_limit_reached\": {\"target\": false, \"moving\": false}\n"
      "}\n";
  EXPECT_EQ(torvex::structure_summary(names, target, target, fit, options), expected);
}

}  // namespace
