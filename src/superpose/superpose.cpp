// Pairing, fitting and trimming: the common core of two structures is found
// by dropping the pairs farther apart than a multiple of the RMSD and
// fitting again, as structural aligners do; a cutoff relative to the RMSD
// keeps a hinge-bent pair from collapsing to a handful of atoms.
#include <cmath>
#include <string>

#include "superpose/pairing.hpp"
#include "torvex/structure_run.hpp"

namespace torvex {
namespace {

constexpr int MIN_PAIRS = 3;

double distance(const RigidFit& fit, const Xyz& target, const Xyz& moving) {
  const Xyz moved = apply_fit(fit, moving);
  double d2 = 0.0;
  for (int c = 0; c < 3; ++c) d2 += (moved[c] - target[c]) * (moved[c] - target[c]);
  return std::sqrt(d2);
}

std::string side(const char* role, const Structure& s, std::size_t chosen) {
  std::string text = std::string(role) + " " + s.path + " model " + std::to_string(s.model);
  if (!s.selection.empty()) text += " selection '" + s.selection + "'";
  return text + ": " + std::to_string(s.atoms.size()) + " atoms selected, " +
         std::to_string(chosen) + " of them chosen";
}

}  // namespace

Superposition superpose(const Structure& target, const Structure& moving,
                        const Options& options) {
  const std::vector<int> target_atoms = superpose::chosen_atoms(target, options.atoms);
  const std::vector<int> moving_atoms = superpose::chosen_atoms(moving, options.atoms);
  superpose::Pairing pairing =
      superpose::pair_atoms(target, target_atoms, moving, moving_atoms, options);

  Superposition out;
  out.target_index = std::move(pairing.target_index);
  out.moving_index = std::move(pairing.moving_index);
  out.residues_paired = pairing.residues_paired;
  out.residues_identical = pairing.residues_identical;
  out.residue_identity = out.residues_paired == 0
                             ? 0.0
                             : double(out.residues_identical) / out.residues_paired;
  const std::size_t n = out.target_index.size();
  out.unpaired_target = static_cast<int>(target_atoms.size() - n);
  out.unpaired_moving = static_cast<int>(moving_atoms.size() - n);
  if (n < static_cast<std::size_t>(MIN_PAIRS)) {
    throw Error(Error::Kind::NoFit, 0,
                "fewer than three atom pairs to fit: " + std::to_string(n) + " paired; " +
                    side("target", target, target_atoms.size()) + "; " +
                    side("moving", moving, moving_atoms.size()));
  }

  std::vector<Xyz> t(n);
  std::vector<Xyz> m(n);
  for (std::size_t k = 0; k < n; ++k) {
    t[k] = target.xyz[out.target_index[k]];
    m[k] = moving.xyz[out.moving_index[k]];
  }
  std::vector<double> weights(n, 1.0);
  out.fitted.assign(n, 1);
  auto fit_now = [&]() {
    out.fit = fit_coords(t, m, weights);
    if (!out.fit.converged) {
      throw Error(Error::Kind::NotConverged, 0,
                  "the fit did not converge (coordinates not finite, or the eigen-solver "
                  "ran out of sweeps)");
    }
  };
  fit_now();
  out.rmsd_first = out.fit.rmsd;
  if (options.trim > 0.0) {
    std::size_t left = n;
    for (int cycle = 0; cycle < options.cycles; ++cycle) {
      const double cutoff = options.trim * out.fit.rmsd;
      std::size_t dropped = 0;
      for (std::size_t k = 0; k < n; ++k) {
        if (out.fitted[k] && distance(out.fit, t[k], m[k]) > cutoff) {
          out.fitted[k] = 0;
          weights[k] = 0.0;
          ++dropped;
        }
      }
      if (dropped == 0) break;
      left -= dropped;
      if (left < static_cast<std::size_t>(MIN_PAIRS)) {
        throw Error(Error::Kind::NoFit, 0,
                    "fewer than three atom pairs left after trimming cycle " +
                        std::to_string(cycle + 1) + ": " + std::to_string(left) + " of " +
                        std::to_string(n) + " pairs; " +
                        side("target", target, target_atoms.size()) + "; " +
                        side("moving", moving, moving_atoms.size()));
      }
      ++out.cycles_run;
      fit_now();
    }
  }
  double sum = 0.0;
  for (std::size_t k = 0; k < n; ++k) {
    const double d = distance(out.fit, t[k], m[k]);
    sum += d * d;
    out.atoms_fitted += out.fitted[k];
  }
  out.rmsd_paired = std::sqrt(sum / double(n));
  // The centres of the fitted atoms, for the summary's centre keys.
  for (std::size_t k = 0; k < n; ++k) {
    if (!out.fitted[k]) continue;
    for (int c = 0; c < 3; ++c) {
      out.target_centre[c] += t[k][c];
      out.moving_centre[c] += m[k][c];
    }
  }
  for (int c = 0; c < 3; ++c) {
    out.target_centre[c] /= out.atoms_fitted;
    out.moving_centre[c] /= out.atoms_fitted;
  }
  return out;
}

}  // namespace torvex
