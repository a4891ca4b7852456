// The exception classes live in Python (torvex/errors.py), where users read
// and subclass them; the module keeps one reference to each for its life.
#include "binding/errors.hpp"

#include <cstddef>

namespace py = pybind11;

namespace binding {
namespace {

// The classes of torvex.errors, in the order of torvex::Error::Kind, then
// the base class for a kind this binding does not know.
struct ErrorClasses {
  PyObject* open = nullptr;
  PyObject* create = nullptr;
  PyObject* record = nullptr;
  PyObject* no_atoms = nullptr;
  PyObject* too_many_atoms = nullptr;
  PyObject* invalid_fit = nullptr;
  PyObject* unreadable = nullptr;
  PyObject* no_such_model = nullptr;
  PyObject* count_mismatch = nullptr;
  PyObject* no_fit = nullptr;
  PyObject* not_converged = nullptr;
  PyObject* base = nullptr;
};

ErrorClasses& classes() {
  // Filled once at import, under the GIL, and never released: the module
  // cannot be unloaded.
  static ErrorClasses held;
  return held;
}

PyObject* class_of(torvex::Error::Kind kind) {
  const ErrorClasses& held = classes();
  switch (kind) {
    case torvex::Error::Kind::CannotOpen:
      return held.open;
    case torvex::Error::Kind::CannotCreate:
      return held.create;
    case torvex::Error::Kind::RunTime:
      return held.record;
    case torvex::Error::Kind::NoAtoms:
      return held.no_atoms;
    case torvex::Error::Kind::TooManyAtoms:
      return held.too_many_atoms;
    case torvex::Error::Kind::InvalidFit:
      return held.invalid_fit;
    case torvex::Error::Kind::Unreadable:
      return held.unreadable;
    case torvex::Error::Kind::NoSuchModel:
      return held.no_such_model;
    case torvex::Error::Kind::CountMismatch:
      return held.count_mismatch;
    case torvex::Error::Kind::NoFit:
      return held.no_fit;
    case torvex::Error::Kind::NotConverged:
      return held.not_converged;
  }
  return held.base;
}

void raise(const torvex::Error& error, const std::string& file, int line) {
  PyObject* type = class_of(error.kind());
  py::object value = py::reinterpret_borrow<py::object>(type)(
      error.what(), py::arg("file") = file.empty() ? py::object(py::none()) : py::str(file),
      py::arg("line") = line > 0 ? py::object(py::int_(line)) : py::object(py::none()),
      py::arg("number") = error.number());
  PyErr_SetObject(type, value.ptr());
}

}  // namespace

int line_in(const std::string& message, const std::string& file) {
  // A parser's position follows the name: "name:line:column: what".
  const std::string prefix = file + ":";
  for (std::size_t at = message.find(prefix); at != std::string::npos;
       at = message.find(prefix, at + 1)) {
    std::size_t digit = at + prefix.size();
    int line = 0;
    while (digit < message.size() && message[digit] >= '0' && message[digit] <= '9' &&
           line < 100000000) {
      line = line * 10 + (message[digit++] - '0');
    }
    if (line > 0 && digit < message.size() && message[digit] == ':') return line;
  }
  return 0;
}

void register_errors(py::module_& m) {
  const py::module_ errors = py::module_::import("torvex.errors");
  const auto held = [&](const char* name) { return py::object(errors.attr(name)).release().ptr(); };
  ErrorClasses& to = classes();
  to.open = held("OpenError");
  to.create = held("CreateError");
  to.record = held("RecordError");
  to.no_atoms = held("NoAtomsError");
  to.too_many_atoms = held("TooManyAtomsError");
  to.invalid_fit = held("InvalidFitError");
  to.unreadable = held("UnreadableError");
  to.no_such_model = held("NoSuchModelError");
  to.count_mismatch = held("CountMismatchError");
  to.no_fit = held("NoFitError");
  to.not_converged = held("NotConvergedError");
  to.base = held("Error");
  m.attr("Error") = errors.attr("Error");
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const FileError& error) {
      raise(error.error, error.file, error.line);
    } catch (const torvex::Error& error) {
      raise(error, error.file(), error.line());
    }
  });
}

}  // namespace binding
