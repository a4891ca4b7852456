// One call of the public library as a run of the engine: the formatted I/O
// state the stages need, its console quiet unless the caller asked for the
// report and never reading standard input (a pause goes on at once), every
// channel closed however the call ends, and the engine's stop turned into
// torvex::Error.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "formatted_io/records.hpp"
#include "formatted_io/stops.hpp"
#include "output/names.hpp"
#include "torvex/error.hpp"
#include "torvex/fit.hpp"

namespace library {

// The engine's file channels: a structure read, a results file written.
constexpr formatted_io::Unit STRUCTURE = formatted_io::Unit::Structure;
constexpr formatted_io::Unit RESULTS = formatted_io::Unit::Results;

// A file name as the run keeps it: 50 characters, padded with blanks.
struct NameField {
  explicit NameField(const std::string& name);
  char text[output::NAME_LEN];
};

class Run {
 public:
  explicit Run(torvex::Report report);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  formatted_io::Io& io() { return *io_; }

  // Open `file` on `unit`, or throw Error (CannotOpen, CannotCreate). A
  // results file that is `source`, the structure it is made from, would be
  // cut while it is read: it is not opened.
  void open_structure(formatted_io::Unit unit, const std::string& file);
  void open_results(formatted_io::Unit unit, const std::string& file, const std::string& source);

  // Calls `stages` on the run; a stop inside them comes out as Error. The
  // console report, when asked for, is written out at the end.
  template <class Stages>
  auto guarded(Stages&& stages) -> decltype(stages()) {
    try {
      if constexpr (std::is_void_v<decltype(stages())>) {
        stages();
        finish();
      } else {
        auto result = stages();
        finish();
        return result;
      }
    } catch (const formatted_io::Stop& stop) {
      // What was reported up to the failure still reaches the console.
      for (formatted_io::Channel& channel : io_->channels) static_cast<void>(channel.close());
      static_cast<void>(io_->console.close_line() && io_->console.flush());
      throw to_error(stop);
    }
  }

 private:
  // Ends the open console line and writes out the console buffer.
  void finish();
  static torvex::Error to_error(const formatted_io::Stop& stop);

  std::unique_ptr<formatted_io::Io> io_;
};

}  // namespace library
