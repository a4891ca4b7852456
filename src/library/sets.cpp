// The engine keeps atoms in fixed arrays of MAX_ATOMS; a public set or fit
// that does not fit them is refused before anything is copied.
#include "library/sets.hpp"

#include <string>

#include "torvex/error.hpp"

namespace library {

std::unique_ptr<structure::AtomSet> to_engine(const torvex::AtomSet& set) {
  if (set.atoms.size() > static_cast<std::size_t>(structure::MAX_ATOMS)) {
    throw torvex::Error(torvex::Error::Kind::TooManyAtoms, 0,
                        "more than " + std::to_string(structure::MAX_ATOMS) + " atoms");
  }
  auto atoms = std::make_unique<structure::AtomSet>();
  atoms->count = static_cast<int>(set.atoms.size());
  for (int k = 0; k < atoms->count; ++k) {
    const torvex::Atom& atom = set.atoms[static_cast<std::size_t>(k)];
    for (int c = 0; c < 3; ++c) atoms->xyz[c][k] = atom.xyz[c];
    atoms->residue[k] = atom.residue;
    atoms->atom_type[k] = atom.atom_type;
  }
  return atoms;
}

std::unique_ptr<fit::FitResult> to_engine(const torvex::FitResult& fit) {
  if (fit.n < 0 || fit.n > structure::MAX_ATOMS ||
      fit.deviations.size() < static_cast<std::size_t>(fit.n)) {
    throw torvex::Error(torvex::Error::Kind::InvalidFit, 0,
                        "a fit result of " + std::to_string(fit.n) + " pairs and " +
                            std::to_string(fit.deviations.size()) + " deviation rows");
  }
  auto engine = std::make_unique<fit::FitResult>();
  for (int i = 0; i < 3; ++i) {
    engine->target_centre[i] = fit.target_centre[i];
    engine->moving_centre[i] = fit.moving_centre[i];
    engine->translation[i] = fit.translation[i];
    for (int j = 0; j < 3; ++j) engine->rotation[i][j] = fit.rotation[i][j];
  }
  engine->rms = fit.rms;
  for (int k = 0; k < fit.n; ++k) {
    for (int c = 0; c < 3; ++c) {
      engine->deviation[k][c] = fit.deviations[static_cast<std::size_t>(k)][c];
    }
  }
  return engine;
}

}  // namespace library
