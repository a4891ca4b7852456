// The extension module torvex._torvex: the public library as Python calls.
// The binding holds no arithmetic of its own: every number comes from the
// library; it converts arguments, releases the GIL around the work and turns
// torvex::Error into the exception classes of torvex.errors. This file
// registers the parts and binds the legacy run; the package's __init__.py
// re-exports what users call.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <filesystem>
#include <string>
#include <torvex/torvex.hpp>

#include "binding/convert.hpp"
#include "binding/errors.hpp"
#include "binding/fit.hpp"
#include "binding/structures.hpp"

namespace py = pybind11;

namespace binding {
namespace {

// The legacy run on three files: the target and the moving structure read,
// paired by order, fitted, and the moving file written out moved.
torvex::FitResult legacy_fit(const std::filesystem::path& target_file,
                             const std::filesystem::path& moving_file,
                             const std::filesystem::path& results_file) {
  const std::string target_path = target_file.string();
  const std::string moving_path = moving_file.string();
  const std::string results_path = results_file.string();
  const torvex::AtomSet target = in_file(target_path, [&] {
    return torvex::read_structure(target_path);
  });
  const torvex::AtomSet moving = in_file(moving_path, [&] {
    return torvex::read_structure(moving_path);
  });
  torvex::FitResult fit = torvex::superpose(target, moving);
  in_results(moving_path, results_path, [&] {
    torvex::write_results(fit, moving_path, results_path, target_path);
  });
  return fit;
}

void bind_legacy(py::module_& m) {
  py::class_<torvex::FitResult>(m, "LegacyFit", R"doc(
The legacy run's fit, as the program stores it (single precision; each
value here is that float, exactly, as a Python float or float64 array).

    >>> fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb",
    ...                         "1hpv_chainB_mvd.pdb")
    >>> fit.n, round(fit.rmsd, 4)
    (758, 0.9627)
)doc")
      .def_readonly("n", &torvex::FitResult::n, "Atom pairs fitted: atoms 1..n of both files.")
      .def_property_readonly(
          "rmsd", [](const torvex::FitResult& fit) { return double(fit.rms); },
          "Overall r.m.s. deviation in Angstrom.")
      .def_property_readonly(
          "rotation", [](const torvex::FitResult& fit) { return to_array(fit.rotation, 3); },
          "R, 3 x 3: a moved atom is R (x - moving_centre) + target_centre.")
      .def_property_readonly(
          "translation",
          [](const torvex::FitResult& fit) { return to_vector(fit.translation); },
          "The results header's translation: target_centre - moving_centre.")
      .def_property_readonly(
          "target_centre",
          [](const torvex::FitResult& fit) { return to_vector(fit.target_centre); })
      .def_property_readonly(
          "moving_centre",
          [](const torvex::FitResult& fit) { return to_vector(fit.moving_centre); })
      .def_property_readonly(
          "eigenvalues", [](const torvex::FitResult& fit) { return to_vector(fit.eigenvalues); },
          "Of the quaternion matrix, descending; the last is the residual.")
      .def_property_readonly(
          "eigenvectors",
          [](const torvex::FitResult& fit) { return to_array(fit.eigenvectors, 4); },
          "Column j is the eigenvector of eigenvalues[j].")
      .def_readonly("jacobi_rotations", &torvex::FitResult::rotations)
      .def_readonly("converged", &torvex::FitResult::converged)
      .def_property_readonly(
          "deviations", [](const torvex::FitResult& fit) { return to_array(fit.deviations, 4); },
          "(n, 4): |dx|, |dy|, |dz| and the distance per pair, the results file's columns.")
      .def_property_readonly(
          "moved", [](const torvex::FitResult& fit) { return to_array(fit.moved, 3); },
          "(n, 3): the moving atoms 1..n after the fit.")
      .def("__repr__", [](const torvex::FitResult& fit) {
        return "<torvex.LegacyFit n=" + std::to_string(fit.n) +
               " rmsd=" + py::repr(py::float_(double(fit.rms))).cast<std::string>() + ">";
      });

  m.def("legacy_fit", &legacy_fit, py::arg("target_path"), py::arg("moving_path"),
        py::arg("results_path"), py::call_guard<py::gil_scoped_release>(), R"doc(
The program's legacy run on PDB files: atoms paired by order (the first n of
the longer file, names not compared, as `torvex -y`), the single-precision
fit, and `results_path` written byte for byte as the program writes it, the
header naming the files as given here.

    >>> fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb",
    ...                         "1hpv_chainB_mvd.pdb")
    >>> fit.jacobi_rotations
    21

Raises OpenError, CreateError (also when results_path is the moving file),
RecordError (a coordinate that is no number: number 6504), NoAtomsError and
TooManyAtomsError.
)doc");
}

}  // namespace
}  // namespace binding

PYBIND11_MODULE(_torvex, m) {
  m.doc() = "TORVEX's compiled part; import torvex instead.";
  m.attr("__version__") = TORVEX_VERSION;
  binding::register_errors(m);
  binding::bind_legacy(m);
  binding::bind_fit(m);
  binding::bind_structures(m);
}
