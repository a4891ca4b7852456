// torvex.Fit and the fits of plain coordinates. superpose_coords is made to
// be called in a loop: the arrays are viewed, not copied, when they already
// hold C-ordered float64, the fit allocates nothing, and the Fit's arrays
// are made only when asked for.
#include "binding/fit.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "binding/convert.hpp"
#include "ensemble/all_pairs.hpp"
#include "ensemble/members.hpp"

namespace py = pybind11;

namespace binding {
namespace {

// Below this many pairs a fit takes about as long as handing the GIL over
// and back, so it keeps the GIL.
constexpr std::size_t GIL_RELEASE_PAIRS = 2000;

// The fit of `pairs` pairs that did not converge, as the exception it is.
[[noreturn]] void refuse(std::size_t pairs, const char* zero_weights) {
  if (pairs < 3) {
    throw torvex::Error(torvex::Error::Kind::NoFit, 0,
                        "fewer than three pairs to fit: " + std::to_string(pairs) + " given");
  }
  if (zero_weights != nullptr) throw torvex::Error(torvex::Error::Kind::NoFit, 0, zero_weights);
  throw torvex::Error(torvex::Error::Kind::NotConverged, 0,
                      "the fit did not converge: a coordinate or weight is not finite");
}

std::span<const double> as_weights(const std::optional<Coords>& weights, std::size_t pairs) {
  if (!weights) return {};
  if (weights->ndim() != 1 || static_cast<std::size_t>(weights->shape(0)) != pairs) {
    throw py::value_error("weights must be a 1-D array of one weight per pair (" +
                          std::to_string(pairs) + ")");
  }
  const std::span<const double> values(weights->data(), pairs);
  for (double w : values) {
    if (w < 0.0) throw py::value_error("weights must not be negative");
  }
  return values;
}

Fit superpose_coords(const Coords& target, const Coords& moving,
                     const std::optional<Coords>& weights) {
  const auto t = as_points(target, "target");
  const auto m = as_points(moving, "moving");
  if (t.size() != m.size()) {
    throw py::value_error("target and moving must have the same number of rows (" +
                          std::to_string(t.size()) + " and " + std::to_string(m.size()) + ")");
  }
  const auto w = as_weights(weights, t.size());
  Fit fit;
  if (t.size() >= GIL_RELEASE_PAIRS) {
    const py::gil_scoped_release unlocked;
    fit.result.fit = torvex::fit_coords(t, m, w);
  } else {
    fit.result.fit = torvex::fit_coords(t, m, w);
  }
  if (!fit.result.fit.converged) {
    double total = 0.0;
    for (double x : w) total += x;
    refuse(t.size(), !w.empty() && !(total > 0.0) ? "the weights sum to zero" : nullptr);
  }
  fit.by_index = t.size();
  fit.result.rmsd_paired = fit.result.rmsd_first = fit.result.fit.rmsd;
  fit.result.atoms_fitted = static_cast<int>(t.size());
  return fit;
}

// rmsd_matrix of an (M, N, 3) stack: structure i is stack[i], its atoms
// paired by index with every other's, on the program's all-against-all
// engine.
py::array_t<double> rmsd_matrix_coords(const Coords& stack, std::optional<int> threads) {
  if (stack.ndim() != 3 || stack.shape(2) != 3) {
    throw py::value_error("coordinates must be an (M, N, 3) array");
  }
  if (threads && *threads < 1) throw py::value_error("threads must be at least 1");
  const auto m = static_cast<std::size_t>(stack.shape(0));
  const auto n = static_cast<std::size_t>(stack.shape(1));
  py::array_t<double> matrix({static_cast<py::ssize_t>(m), static_cast<py::ssize_t>(m)});
  double* out = matrix.mutable_data();
  if (m < 2) {
    std::fill_n(out, m * m, 0.0);
    return matrix;
  }
  if (n < 3) refuse(n, nullptr);
  const double* values = stack.data();
  bool finite = true;
  {
    const py::gil_scoped_release unlocked;
    std::vector<std::vector<double>> coordinates(m);
    for (std::size_t i = 0; i < m; ++i) {
      coordinates[i].assign(values + i * 3 * n, values + (i + 1) * 3 * n);
      for (const double v : coordinates[i]) finite = finite && std::isfinite(v);
    }
    if (finite) {
      const std::vector<double> rmsd =
          ensemble::rmsd_matrix(ensemble::make_members(coordinates), threads.value_or(0));
      std::copy(rmsd.begin(), rmsd.end(), out);
    }
  }
  if (!finite) refuse(n, nullptr);
  return matrix;
}

py::array_t<double> apply(const Fit& fit, const Coords& coords) {
  if (coords.ndim() == 1 && coords.shape(0) == 3) {
    const auto moved = torvex::apply_fit(fit.result.fit, {coords.at(0), coords.at(1), coords.at(2)});
    return to_vector(moved);
  }
  const auto points = as_points(coords, "coords");
  py::array_t<double> out({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
  auto* moved = reinterpret_cast<torvex::Xyz*>(out.mutable_data());
  for (std::size_t k = 0; k < points.size(); ++k) moved[k] = torvex::apply_fit(fit.result.fit, points[k]);
  return out;
}

py::array_t<int> indices(const std::vector<int>& listed, std::size_t by_index) {
  if (by_index == 0) return py::array_t<int>(static_cast<py::ssize_t>(listed.size()), listed.data());
  py::array_t<int> out(static_cast<py::ssize_t>(by_index));
  int* k = out.mutable_data();
  for (std::size_t i = 0; i < by_index; ++i) k[i] = static_cast<int>(i);
  return out;
}

py::array_t<bool> fitted(const Fit& fit) {
  const std::size_t pairs = fit.by_index != 0 ? fit.by_index : fit.result.fitted.size();
  py::array_t<bool> out(static_cast<py::ssize_t>(pairs));
  bool* mask = out.mutable_data();
  for (std::size_t k = 0; k < pairs; ++k) {
    mask[k] = fit.by_index != 0 || fit.result.fitted[k] != 0;
  }
  return out;
}

}  // namespace

void bind_fit(py::module_& m) {
  py::class_<Fit>(m, "Fit", R"doc(
One least-squares superposition: the motion x' = R x + t that brings the
moving atoms onto the target atoms, in double precision.

    >>> target = torvex.read("1hpv_chainA.pdb").coords
    >>> moving = torvex.read("1hpv_chainB.pdb").coords
    >>> fit = torvex.superpose_coords(target, moving)
    >>> moved = fit.apply(moving)
    >>> np.allclose(moved, moving @ fit.rotation.T + fit.translation)
    True
)doc")
      .def_property_readonly(
          "rmsd", [](const Fit& f) { return f.result.fit.rmsd; },
          "R.m.s. distance of the fitted pairs after the motion, in Angstrom.")
      .def_property_readonly(
          "rotation", [](const Fit& f) { return to_array(f.result.fit.rotation, 3); },
          "R, a proper 3 x 3 rotation (a new array on every access).")
      .def_property_readonly(
          "translation", [](const Fit& f) { return to_vector(f.result.fit.translation); },
          "t, such that a moved point is R x + t.")
      .def_property_readonly(
          "eigenvalues", [](const Fit& f) { return to_vector(f.result.fit.eigenvalues); },
          "Of the quaternion matrix, descending; the last is the residual sum of squares.")
      .def_property_readonly(
          "pairs",
          [](const Fit& f) {
            return py::make_tuple(indices(f.result.target_index, f.by_index),
                                  indices(f.result.moving_index, f.by_index));
          },
          "(target_index, moving_index): pair k joins atom target_index[k] of the target\n"
          "with atom moving_index[k] of the moving structure.")
      .def_property_readonly("fitted", &fitted,
                             "Per pair, True when it entered the final fit (after trimming).")
      .def_property_readonly(
          "rmsd_paired", [](const Fit& f) { return f.result.rmsd_paired; },
          "R.m.s. distance over every pair after the final fit, trimmed ones included.")
      .def_property_readonly(
          "rmsd_untrimmed", [](const Fit& f) { return f.result.rmsd_first; },
          "R.m.s. distance of the first fit, before any trimming.")
      .def_property_readonly(
          "atoms_fitted", [](const Fit& f) { return f.result.atoms_fitted; },
          "Pairs in the final fit.")
      .def_property_readonly(
          "unpaired",
          [](const Fit& f) {
            return py::make_tuple(f.result.unpaired_target, f.result.unpaired_moving);
          },
          "(target, moving): atoms of each side in no pair.")
      .def_property_readonly(
          "residue_identity", [](const Fit& f) { return f.result.residue_identity; },
          "Paired residues of the same name, as a fraction of the paired residues.")
      .def_property_readonly("cycles_run", [](const Fit& f) { return f.result.cycles_run; },
                             "Trimming cycles that dropped pairs.")
      .def("apply", &apply, py::arg("coords"), R"doc(
The motion applied to a point (3,) or to points (N, 3): a new float64 array.

    >>> fit = torvex.superpose_coords(np.eye(3), np.eye(3) + 1.0)
    >>> np.array_equal(fit.apply([0.0, 0.0, 0.0]), fit.translation)
    True
)doc")
      .def("__repr__", [](const Fit& f) {
        return "<torvex.Fit atoms_fitted=" + std::to_string(f.result.atoms_fitted) +
               " rmsd=" + py::repr(py::float_(f.result.fit.rmsd)).cast<std::string>() + ">";
      });

  m.def("superpose_coords", &superpose_coords, py::arg("target"), py::arg("moving"),
        py::arg("weights") = py::none(), R"doc(
Superposes coordinates paired by row: moving[k] onto target[k].

target, moving: (N, 3) array-likes, N >= 3 (C-ordered float64 arrays are
read in place, anything else converted first); weights: None, or N
non-negative weights.

    >>> import numpy as np
    >>> target = np.array([[0., 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]])
    >>> turn = np.array([[0., -1, 0], [1, 0, 0], [0, 0, 1]])   # 90 degrees about z
    >>> fit = torvex.superpose_coords(target, target @ turn.T + [1, 2, 3])
    >>> round(fit.rmsd, 12), np.allclose(fit.rotation, turn.T)
    (0.0, True)

Raises ValueError for arrays of other shapes or negative weights,
NoFitError for fewer than three pairs or weights summing to zero,
NotConvergedError for coordinates that are not finite.
)doc");

  m.def("rmsd_matrix_coords", &rmsd_matrix_coords, py::arg("coords"),
        py::arg("threads") = py::none(),
        "rmsd_matrix for an (M, N, 3) array; see torvex.rmsd_matrix.");
}

}  // namespace binding
