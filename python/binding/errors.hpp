// torvex::Error as Python exceptions: one class per kind, defined in
// torvex/errors.py, each with the file (and line, where known) it concerns.
// A library error names its file in the message only; the binding knows
// which file a call was working on and attaches it.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <torvex/error.hpp>
#include <utility>

namespace binding {

// A library error with the file it concerns; line 0 when not known.
struct FileError {
  torvex::Error error;
  std::string file;
  int line = 0;
};

// Looks up the classes of torvex.errors and registers the translation.
void register_errors(pybind11::module_& m);

// The line a reader's message names for `file`, or 0:
//   "x.cif: not a structure file: x.cif:6:14: unterminated \"string\"" -> 6
int line_in(const std::string& message, const std::string& file);

// Calls `work`; an Error it throws comes out as FileError naming `file`,
// and the line when the message gives one.
template <class Work>
auto in_file(const std::string& file, Work&& work) -> decltype(work()) {
  try {
    return std::forward<Work>(work)();
  } catch (const torvex::Error& error) {
    throw FileError{error, file, line_in(error.what(), file)};
  }
}

// As in_file for a call that reads `source` and writes `results`: a failure
// to create or write concerns the results file, any other the source.
template <class Work>
void in_results(const std::string& source, const std::string& results, Work&& work) {
  try {
    std::forward<Work>(work)();
  } catch (const torvex::Error& error) {
    // 6506 a record too long to write, 6508 a failed write.
    const bool writing = error.kind() == torvex::Error::Kind::CannotCreate ||
                         error.number() == 6506 || error.number() == 6508;
    throw FileError{error, writing ? results : source, 0};
  }
}

}  // namespace binding
