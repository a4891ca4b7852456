// Between NumPy arrays and the library's fixed-size values. Small results
// (a rotation, a translation) are copied into new arrays; coordinates come
// in as views of the caller's array whenever it already holds C-ordered
// float64, so a call copies nothing it does not have to.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <torvex/structure_run.hpp>

namespace binding {

namespace py = pybind11;

// NumPy converts anything array-like to C-ordered float64, and passes such
// an array through untouched.
using Coords = py::array_t<double, py::array::c_style | py::array::forcecast>;

// A point is three doubles side by side, as a row of an (N, 3) array.
static_assert(sizeof(torvex::Xyz) == 3 * sizeof(double));

// The rows of an (N, 3) array as points; ValueError for any other shape.
//   np.zeros((5, 3)) -> 5 points
inline std::span<const torvex::Xyz> as_points(const Coords& coords, const char* what) {
  if (coords.ndim() != 2 || coords.shape(1) != 3) {
    throw py::value_error(std::string(what) + " must be an (N, 3) array");
  }
  return {reinterpret_cast<const torvex::Xyz*>(coords.data()),
          static_cast<std::size_t>(coords.shape(0))};
}

// An (rows, cols) float64 array holding `values`.
template <class Rows>
py::array_t<double> to_array(const Rows& rows, py::ssize_t cols) {
  py::array_t<double> out({static_cast<py::ssize_t>(std::size(rows)), cols});
  auto view = out.template mutable_unchecked<2>();
  for (py::ssize_t i = 0; i < view.shape(0); ++i) {
    for (py::ssize_t j = 0; j < cols; ++j) view(i, j) = rows[i][j];
  }
  return out;
}

template <class Values>
py::array_t<double> to_vector(const Values& values) {
  py::array_t<double> out(static_cast<py::ssize_t>(std::size(values)));
  auto view = out.template mutable_unchecked<1>();
  for (py::ssize_t i = 0; i < view.shape(0); ++i) view(i) = values[i];
  return out;
}

}  // namespace binding
