// The one exception type of the library. No function of the library ends the
// caller's process, writes to its standard error or reads its standard
// input: every failure comes back as a torvex::Error. The internal state of
// a failed call is released; a results file it was writing keeps what was
// written up to the failure.
#pragma once

#include <stdexcept>
#include <string>

namespace torvex {

class Error : public std::runtime_error {
 public:
  enum class Kind {
    CannotOpen,    // a structure file is missing, unreadable or a folder
    CannotCreate,  // a results file cannot be created
    RunTime,       // reading or writing failed as the program reports it
    NoAtoms,       // nothing to fit: an atom set is empty
    TooManyAtoms,  // an atom set holds more than MAX_ATOMS atoms
    InvalidFit,    // a FitResult whose n does not match its deviation rows
    Unreadable,     // no structure file, or a selection that does not parse
    NoSuchModel,    // the file has fewer models than the one asked for
    CountMismatch,  // atoms paired by order, and the counts differ
    NoFit,          // fewer than three pairs left to fit
    NotConverged,   // the eigen-solver did not converge, or a value is not finite
    NotBuilt,       // the structure run, in a build made without gemmi
  };

  Error(Kind kind, int number, const std::string& what, const std::string& file = {}, int line = 0)
      : std::runtime_error(what), kind_(kind), number_(number), file_(file), line_(line) {}

  Kind kind() const noexcept { return kind_; }

  // The file and line (from 1) that the failure came from, where there is
  // one: for a coordinate field that is no number, the structure file and
  // its line; otherwise "" and 0.
  //   read_structure("bad.pdb"), line 12 bad -> file() "bad.pdb", line() 12
  const std::string& file() const noexcept { return file_; }
  int line() const noexcept { return line_; }

  // For Kind::RunTime the program's run-time error number, otherwise 0; what()
  // holds the program's report of it on one line:
  //   read_structure("bad.pdb") -> 6504, "bad.pdb:12: run-time error F6504:
  //     READ(internal) - numeric field does not form a number"
  //   6501 end of file, 6504 not a number, 6505 beyond the single-precision
  //   range, 6506 record too long, 6507 read failed, 6508 write failed
  int number() const noexcept { return number_; }

 private:
  Kind kind_;
  int number_;
  std::string file_;
  int line_;
};

// The kind in words:  Error::Kind::CannotOpen -> "cannot open"
constexpr const char* to_string(Error::Kind kind) noexcept {
  switch (kind) {
    case Error::Kind::CannotOpen:
      return "cannot open";
    case Error::Kind::CannotCreate:
      return "cannot create";
    case Error::Kind::RunTime:
      return "run-time error";
    case Error::Kind::NoAtoms:
      return "no atoms";
    case Error::Kind::TooManyAtoms:
      return "too many atoms";
    case Error::Kind::InvalidFit:
      return "invalid fit";
    case Error::Kind::Unreadable:
      return "unreadable";
    case Error::Kind::NoSuchModel:
      return "no such model";
    case Error::Kind::CountMismatch:
      return "count mismatch";
    case Error::Kind::NoFit:
      return "no fit";
    case Error::Kind::NotConverged:
      return "not converged";
    case Error::Kind::NotBuilt:
      return "not built";
  }
  return "unknown";
}

}  // namespace torvex
