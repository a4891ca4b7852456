// The library's run: set-up, opening by name, and the one place where the
// engine's stops become torvex::Error.
#include "library/run.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "output/results_guard.hpp"

namespace library {

using torvex::Error;

NameField::NameField(const std::string& name) {
  std::memset(text, ' ', output::NAME_LEN);
  std::memcpy(text, name.data(), std::min(name.size(), std::size_t{output::NAME_LEN}));
}

Run::Run(torvex::Report report) : io_(std::make_unique<formatted_io::Io>()) {
  if (report == torvex::Report::Quiet) io_->console.discard_output();
}

Run::~Run() {
  // A failed call leaves buffered records; writing them out is all a close
  // can still do, and a failure there has nobody left to tell.
  for (formatted_io::Channel& channel : io_->channels) static_cast<void>(channel.close());
}

namespace {

// A channel takes at most FILE_NAME_MAX characters of a name and would open
// a cut name, another file; such a name opens nothing here.
bool fits_channel(const std::string& file) {
  return file.size() <= static_cast<std::size_t>(formatted_io::FILE_NAME_MAX);
}

}  // namespace

void Run::open_structure(formatted_io::Unit unit, const std::string& file) {
  if (!fits_channel(file) ||
      !formatted_io::open_existing(*io_, unit, file.data(), static_cast<int>(file.size()))) {
    throw Error(Error::Kind::CannotOpen, 0, "cannot open structure file " + file);
  }
}

void Run::open_results(formatted_io::Unit unit, const std::string& file,
                       const std::string& source) {
  output::KeptFiles kept;
  kept.keep(source.c_str());
  if (!output::may_write(file.c_str(), kept)) {
    throw Error(Error::Kind::CannotCreate, 0,
                "results file " + file + " is the structure file it is made from");
  }
  if (!fits_channel(file) ||
      !formatted_io::open_output(*io_, unit, file.data(), static_cast<int>(file.size()))) {
    throw Error(Error::Kind::CannotCreate, 0, "cannot create results file " + file);
  }
}

void Run::finish() {
  if (!io_->console.close_line() || !io_->console.flush()) {
    formatted_io::run_time_error_stop(formatted_io::Statement::Write, "CON",
                                      formatted_io::RunTimeError::WriteFailed);
  }
}

Error Run::to_error(const formatted_io::Stop& stop) {
  if (!stop.run_time_error) return Error(Error::Kind::RunTime, 0, std::string(stop.message));
  char report[formatted_io::REPORT_BYTES];
  const int length = formatted_io::one_line_report(stop, report);
  std::string what(report, static_cast<std::size_t>(length));
  // The line to blame comes first, as compilers name it.
  if (stop.line > 0) what = std::string(stop.file) + ":" + std::to_string(stop.line) + ": " + what;
  return Error(Error::Kind::RunTime, formatted_io::error_number(stop.error), what, stop.file,
               stop.line);
}

}  // namespace library
