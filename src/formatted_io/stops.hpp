// The ends of a run. These, and only these, end the process: a stop with its
// message, the run-time error stop with its report, and the pause that waits
// for a line and goes on. Each end writes the pending console line end and
// closes every channel still open, writing out its buffered records.
//
// A run that a library caller owns (Io::library_run) must not end the
// caller's process: there the stops close the channels the same way and then
// throw RunStopped, which the library turns into its public error, and the
// pause waits for nothing.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "formatted_io/records.hpp"

namespace formatted_io {

// One number and message per condition that ends a run with a report.
enum class RunTimeError {
  EndOfFile,
  ConsoleEndOfInput,
  ConsoleLineTooLong,
  NotANumber,
  OutOfRange,
  RecordTooLong,
  ReadFailed,
  WriteFailed,
  Count  // not an error: the number of them
};

enum class Statement { Read, Write, Open, Close, Rewind, Count };

// What a stop throws in a library run instead of ending the process.
struct RunStopped : std::exception {
  const char* what() const noexcept override { return message.c_str(); }

  int status = 0;
  bool run_time_error = false;
  RunTimeError error = RunTimeError::EndOfFile;
  // A stop's message, or the report of a run-time error on one line:
  //   "run-time error F6504: READ(x.pdb) - numeric field does not form a number"
  std::string message;
};

// Ends the open console line, writes the message as it stands and CR LF, and
// ends the process with `status` (0 for the stops of a run; 1 for a stop that
// reports a failure).
//   stop_run(io, "TORVEX terminated normally") -> "TORVEX terminated normally\r\n"
[[noreturn]] void stop_run(Io& io, std::string_view message, int status = 0);

// The message as for a stop; then one whole line of standard input, of which
// the first 128 bytes run as a shell command when two or more characters
// remain after the line end and trailing blanks and tabs are dropped; then
// the run goes on. A library run writes the message only.
void pause_run(Io& io, std::string_view message);

// Reports on standard error and ends the process with status 1:
//   "\r\nrun-time error F6502: READ(CON)\r\n- end of input on the console\r\n"
[[noreturn]] void run_time_error_stop(Io& io, Statement statement, const char* stream,
                                      RunTimeError error);

// The report text of a run-time error, for tests and for the stop above.
int error_number(RunTimeError error);
const char* error_message(RunTimeError error);

}  // namespace formatted_io
