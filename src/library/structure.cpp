// Reading a structure file for a library caller: the program's reader on a
// channel of its own, its fixed arrays copied into the public atom set.
#include "torvex/structure.hpp"

#include <memory>

#include "library/run.hpp"
#include "structure/reader.hpp"

namespace torvex {

static_assert(MAX_ATOMS == structure::MAX_ATOMS);

AtomSet read_structure(const std::string& file) {
  library::Run run(Report::Quiet);
  run.open_structure(library::STRUCTURE, file);
  auto atoms = std::make_unique<structure::AtomSet>();
  bool cut = false;
  try {
    run.guarded([&] { cut = structure::read_structure(run.io(), library::STRUCTURE, *atoms); });
  } catch (const Error& error) {
    if (error.line() > 0) throw;
    // The report names the stream, not always the file: a read that failed.
    throw Error(error.kind(), error.number(), file + ": " + error.what(), file);
  }
  AtomSet set;
  set.line_limit_reached = cut;
  set.atoms.resize(static_cast<std::size_t>(atoms->count));
  for (int k = 0; k < atoms->count; ++k) {
    Atom& atom = set.atoms[static_cast<std::size_t>(k)];
    for (int c = 0; c < 3; ++c) atom.xyz[c] = atoms->xyz[c][k];
    atom.residue = atoms->residue[k];
    atom.atom_type = atoms->atom_type[k];
  }
  return set;
}

}  // namespace torvex
