// What the structure runs say for the library's values: the exit status of
// a failure, the same for one pair on the command line and for each pair of
// a run over many, and the name of a pairing as the report and the JSON
// summary write it.
#pragma once

#include "torvex/structure_run.hpp"

namespace app {

//   CannotOpen -> 2, CountMismatch -> 3, NotConverged -> 4, any other -> 1
inline int status_of(const torvex::Error& error) {
  switch (error.kind()) {
    case torvex::Error::Kind::CannotOpen:
      return 2;
    case torvex::Error::Kind::CountMismatch:
      return 3;
    case torvex::Error::Kind::NotConverged:
      return 4;
    default:
      return 1;
  }
}

inline const char* match_name(torvex::Match match) {
  switch (match) {
    case torvex::Match::Order:
      return "order";
    case torvex::Match::Sequence:
      return "sequence";
    default:
      return "residue";
  }
}

}  // namespace app
