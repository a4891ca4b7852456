// The structure run: today's structure files (PDB or PDBx/mmCIF, plain or
// gzip-compressed), atoms paired by what they are rather than by their place
// in the file, and a fit in double precision throughout.
//
//   torvex::Structure target = torvex::read("1k6p.cif", 1, "/1/A");
//   torvex::Structure moving = torvex::read("1k6p.cif", 1, "/1/B");
//   torvex::Options options;
//   options.atoms = torvex::AtomChoice::Ca;
//   options.trim = 2.0;
//   torvex::Superposition fit = torvex::superpose(target, moving, options);
//   torvex::write_moved(fit.fit, "1k6p.cif", "1k6p_mvd.cif");
//
// Reading, selecting, pairing and fitting are separate steps: a structure
// read once may be superposed onto any number of others. The calls share no
// state, so separate threads may make them at the same time. Every failure
// is a torvex::Error.
#pragma once

#include <span>
#include <string>
#include <utility>
#include <vector>

#include "torvex/structure_files.hpp"

namespace torvex {

// Fits `moving` onto `target`, paired by index; `weights` empty means every
// pair weighs 1, otherwise it holds one non-negative weight per pair. Pure:
// allocates nothing, touches nothing but its arguments.
//   three points and a copy turned 90 degrees about z and shifted by (1,2,3)
//     -> the inverse motion, rmsd 0
// The caller has to guarantee target.size() == moving.size() (and
// weights.size() when weights are given); fewer than three pairs, or a zero
// total weight, give converged == false.
RigidFit fit_coords(std::span<const Xyz> target, std::span<const Xyz> moving,
                    std::span<const double> weights = {});

enum class Match { Order, Residue, Sequence };
enum class AtomChoice { All, Heavy, Backbone, Ca };

struct Options {
  Match match = Match::Residue;
  AtomChoice atoms = AtomChoice::All;
  // Chain pairs (target chain, moving chain); empty: the chains in the order
  // they first appear among the atoms, paired one to one.
  std::vector<std::pair<std::string, std::string>> chains;
  double trim = 0.0;  // 0: no trimming; else the cutoff in multiples of RMSD
  int cycles = 5;     // trimming cycles at most
  bool yes = false;   // Match::Order with counts that differ: pair the first n
};

struct Superposition {
  // Pair k joins target.atoms[target_index[k]] and moving.atoms[moving_index[k]]:
  // every pair of the pairing that the atom choice kept.
  std::vector<int> target_index;
  std::vector<int> moving_index;
  std::vector<char> fitted;   // per pair: 1 when it entered the final fit
  RigidFit fit;               // over the fitted pairs
  double rmsd_paired = 0.0;   // over every pair, after the final fit
  double rmsd_first = 0.0;    // of the first fit, before any trimming
  int atoms_fitted = 0;
  int unpaired_target = 0;    // atoms of each side in no pair
  int unpaired_moving = 0;
  int residues_paired = 0;    // residue pairs with at least one atom pair
  int residues_identical = 0; // of those, of the same residue name
  double residue_identity = 0.0;  // residues_identical / residues_paired
  int cycles_run = 0;         // trimming cycles that dropped pairs, or 0
  Xyz target_centre{};        // of the fitted atoms
  Xyz moving_centre{};
};

// Pairs, chooses the atoms, fits, and trims when options.trim > 0: after
// each fit the pairs farther apart than trim x RMSD are dropped and the rest
// fitted again, until none is dropped or options.cycles are spent.
// Throws Error: CountMismatch (Match::Order, counts differ, not options.yes);
// NoFit when fewer than three pairs are left to fit, its message saying what
// was selected and paired on each side; NotConverged when the eigen-solver
// did not converge or a value is not finite.
Superposition superpose(const Structure& target, const Structure& moving,
                        const Options& options = {});

// The names a structure-run JSON summary reports besides the fit.
struct SummaryNames {
  std::string version;
  std::string target;
  std::string moving;
  std::string results;
  std::string further;          // "" when there is none
  std::string further_results;
  std::string match;  // "order", "residue" or "sequence"
};

// The JSON summary of one superposition, one key a line and a final line
// end; reals are doubles in their shortest form that reads back the same.
std::string structure_summary(const SummaryNames& names, const Structure& target,
                              const Structure& moving, const Superposition& fit,
                              const Options& options);

}  // namespace torvex
