// torvex.Structure and the structure run from Python: read, superpose,
// write, and rmsd_matrix over structures. Reading, pairing and fitting run
// with the GIL released.
#include "binding/structures.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "binding/convert.hpp"
#include "binding/errors.hpp"
#include "binding/fit.hpp"
#include "binding/parallel.hpp"
#include "ensemble/all_pairs.hpp"
#include "ensemble/shared_atoms.hpp"

namespace py = pybind11;

namespace binding {
namespace {

torvex::Match to_match(const std::string& match) {
  if (match == "residue") return torvex::Match::Residue;
  if (match == "sequence") return torvex::Match::Sequence;
  if (match == "order") return torvex::Match::Order;
  throw py::value_error("match must be 'residue', 'sequence' or 'order', not '" + match + "'");
}

torvex::AtomChoice to_atoms(const std::string& atoms) {
  if (atoms == "all") return torvex::AtomChoice::All;
  if (atoms == "heavy") return torvex::AtomChoice::Heavy;
  if (atoms == "backbone") return torvex::AtomChoice::Backbone;
  if (atoms == "ca") return torvex::AtomChoice::Ca;
  throw py::value_error("atoms must be 'all', 'heavy', 'backbone' or 'ca', not '" + atoms + "'");
}

using ChainPairs = std::vector<std::pair<std::string, std::string>>;

torvex::Options to_options(const std::string& match, const std::string& atoms,
                           std::optional<double> trim, int cycles,
                           const std::optional<ChainPairs>& chains, bool yes) {
  torvex::Options options;
  options.match = to_match(match);
  options.atoms = to_atoms(atoms);
  if (trim) {
    if (!(*trim > 0.0)) throw py::value_error("trim must be a positive multiple of the RMSD");
    options.trim = *trim;
  }
  if (cycles < 0) throw py::value_error("cycles must not be negative");
  options.cycles = cycles;
  if (chains) options.chains = *chains;
  options.yes = yes;
  return options;
}

torvex::Structure read(const std::filesystem::path& file, int model,
                       const std::optional<std::string>& select) {
  if (model < 1) throw py::value_error("model counts from 1");
  const std::string path = file.string();
  const py::gil_scoped_release unlocked;
  return in_file(path, [&] { return torvex::read(path, model, select.value_or("")); });
}

Fit superpose(const torvex::Structure& target, const torvex::Structure& moving,
              const std::string& match, const std::string& atoms, std::optional<double> trim,
              int cycles, const std::optional<ChainPairs>& chains, bool yes) {
  const torvex::Options options = to_options(match, atoms, trim, cycles, chains, yes);
  Fit fit;
  const py::gil_scoped_release unlocked;
  fit.result = torvex::superpose(target, moving, options);
  return fit;
}

std::string write(const Fit& fit, const std::filesystem::path& moving_file,
                  const std::optional<std::filesystem::path>& results_file) {
  const std::string moving = moving_file.string();
  const std::string results =
      results_file ? results_file->string() : torvex::results_name(moving);
  const py::gil_scoped_release unlocked;
  in_results(moving, results, [&] { torvex::write_moved(fit.result.fit, moving, results); });
  return results;
}

py::array_t<double> rmsd_matrix_structures(const py::sequence& structures,
                                           const std::string& match, const std::string& atoms,
                                           std::optional<int> threads) {
  if (threads && *threads < 1) throw py::value_error("threads must be at least 1");
  const torvex::Options options = to_options(match, atoms, std::nullopt, 0, std::nullopt, false);
  // Held here, so that no structure goes while the GIL is released, whatever
  // other threads do to the sequence meanwhile.
  const std::vector<py::object> held = structures.cast<std::vector<py::object>>();
  std::vector<const torvex::Structure*> items;
  items.reserve(held.size());
  for (const py::object& structure : held) {
    if (!py::isinstance<torvex::Structure>(structure)) {
      throw py::type_error("rmsd_matrix takes Structures, or one (M, N, 3) array");
    }
    items.push_back(&structure.cast<const torvex::Structure&>());
  }
  const auto m = static_cast<int>(items.size());
  py::array_t<double> matrix({m, m});
  double* out = matrix.mutable_data();
  {
    const py::gil_scoped_release unlocked;
    // The program's --all-vs-all road: members that list the same atoms on
    // the engine, other members each pair fitted on its own.
    const std::optional<ensemble::Members> shared =
        m < 2 ? std::nullopt : ensemble::shared_atom_members(items, options);
    if (shared) {
      const std::vector<double> rmsd = ensemble::rmsd_matrix(*shared, threads.value_or(0));
      std::copy(rmsd.begin(), rmsd.end(), out);
    } else {
      for (int i = 0; i < m; ++i) out[i * m + i] = 0.0;
      for_each_pair(m, thread_count(threads.value_or(0), m - 1), [&](int i, int j) {
        const double rmsd = torvex::superpose(*items[i], *items[j], options).fit.rmsd;
        out[i * m + j] = out[j * m + i] = rmsd;
      });
    }
  }
  return matrix;
}

// The coordinates as an (N, 3) view of the structure's own storage, kept
// alive by the structure; read-only, so that what superpose reads is what
// was read from the file.
py::array_t<double> coords(py::object self) {
  const auto& structure = self.cast<const torvex::Structure&>();
  const auto n = static_cast<py::ssize_t>(structure.xyz.size());
  py::array_t<double> view({n, py::ssize_t{3}},
                           {py::ssize_t{sizeof(torvex::Xyz)}, py::ssize_t{sizeof(double)}},
                           structure.xyz.empty() ? nullptr : structure.xyz.front().data(), self);
  view.attr("flags").attr("writeable") = false;
  return view;
}

py::list atoms(const torvex::Structure& structure, const py::object& atom_class) {
  py::list out(structure.atoms.size());
  std::size_t k = 0;
  for (const torvex::AtomId& atom : structure.atoms) {
    out[k++] = atom_class(atom.chain, atom.residue_number, std::string(1, atom.insertion_code),
                          atom.residue, atom.name, atom.element);
  }
  return out;
}

}  // namespace

void bind_structures(py::module_& m) {
  // Held for the module's life, which is the process's.
  PyObject* atom_class = py::object(py::module_::import("torvex.atom").attr("Atom")).release().ptr();
  py::class_<torvex::Structure>(m, "Structure", R"doc(
One model of a structure file, the atoms that passed the selection (waters
left out; of alternate locations the first conformer).

    >>> s = torvex.read("1hpv_chainA.pdb")
    >>> len(s), s.coords.shape, s.atoms[0]
    (758, (758, 3), Atom(chain='A', residue_number=1, insertion_code=' ', residue='PRO', name='N', element='N'))
)doc")
      .def_property_readonly(
          "coords", &coords,
          "(N, 3) float64, a read-only view of the structure's coordinates\n"
          "(np.array(s.coords) for a copy to change).")
      .def_property_readonly(
          "atoms", [atom_class](const torvex::Structure& s) {
            return atoms(s, py::reinterpret_borrow<py::object>(atom_class));
          },
          "Per atom its identity as the file gives it: an Atom(chain, residue_number,\n"
          "insertion_code (' ' for none), residue, name, element); a new list per access.")
      .def_readonly("path", &torvex::Structure::path)
      .def_property_readonly(
          "format",
          [](const torvex::Structure& s) {
            return s.format == torvex::FileFormat::Mmcif ? "mmcif" : "pdb";
          },
          "'pdb' or 'mmcif', by the file's content.")
      .def_readonly("gzipped", &torvex::Structure::gzipped)
      .def_readonly("model", &torvex::Structure::model, "The model read, counted from 1.")
      .def_readonly("models", &torvex::Structure::models, "Models in the file.")
      .def_readonly("selection", &torvex::Structure::selection, "As given; '' for all.")
      .def("__len__", [](const torvex::Structure& s) { return s.xyz.size(); })
      .def("__repr__", [](const torvex::Structure& s) {
        return "<torvex.Structure '" + s.path + "' model " + std::to_string(s.model) + ", " +
               std::to_string(s.xyz.size()) + " atoms>";
      });

  m.def("read", &read, py::arg("path"), py::arg("model") = 1, py::arg("select") = py::none(),
        R"doc(
Reads one model of a PDB or PDBx/mmCIF file, plain or gzip-compressed (told
by content, not name), keeping the atoms `select` matches (the selection
syntax "/model/chain/residues/atoms", e.g. "//A/10-80/CA"; None for all).

    >>> torvex.read("1hpv_chainA.pdb", select="//A//CA")
    <torvex.Structure '1hpv_chainA.pdb' model 1, 99 atoms>

Raises OpenError, UnreadableError (no structure file, a selection that does
not parse), NoSuchModelError; ValueError for model < 1.
)doc");

  m.def("superpose", &superpose, py::arg("target"), py::arg("moving"),
        py::arg("match") = "residue", py::arg("atoms") = "all", py::arg("trim") = py::none(),
        py::arg("cycles") = 5, py::kw_only(), py::arg("chains") = py::none(),
        py::arg("yes") = false, R"doc(
The structure run's pairing and fit: moving onto target.

match:  'residue' (chains in order of appearance, residues by number and
        insertion code, atoms by name), 'sequence' (residues by a global
        alignment of the chain sequences), or 'order' (file order)
atoms:  which paired atoms enter the fit: 'all', 'heavy', 'backbone', 'ca'
trim:   None, or c: after each fit drop the pairs farther apart than c
        times the RMSD and fit again, at most `cycles` times
chains: [(target chain, moving chain), ...] instead of order of appearance
yes:    with match='order' and counts that differ, pair the first n

    >>> fit = torvex.superpose(torvex.read("1hpv_chainA.pdb"),
    ...                        torvex.read("1hpv_chainB.pdb"), atoms="ca")
    >>> fit.atoms_fitted
    99

Raises NoFitError (fewer than three pairs), CountMismatchError,
NotConvergedError; ValueError for an unknown match or atoms.
)doc");

  m.def("write", &write, py::arg("fit"), py::arg("moving_path"),
        py::arg("results_path") = py::none(), R"doc(
Writes the whole moving file (every model and atom, waters too) moved by
`fit`, in its own format and compression, as the program writes it: a PDB
file changes in columns 31-54 of its coordinate records only, an mmCIF file
in the values of _atom_site.Cartn_x/y/z only. Without results_path the name
is the program's (x.cif.gz -> x_mvd.cif.gz). Returns the name written.

    >>> fit = torvex.superpose(torvex.read("1hpv_chainA.pdb"), torvex.read("1hpv_chainB.pdb"))
    >>> torvex.write(fit, "1hpv_chainB.pdb")
    '1hpv_chainB_mvd.pdb'

Raises OpenError, CreateError (also when results_path is the moving file),
RecordError (a coordinate too wide for its PDB columns).
)doc");

  m.def("rmsd_matrix_structures", &rmsd_matrix_structures, py::arg("structures"),
        py::arg("match") = "residue", py::arg("atoms") = "all", py::arg("threads") = py::none(),
        "rmsd_matrix for a list of Structures; see torvex.rmsd_matrix.");
}

}  // namespace binding
