// The ends of a run. A run ends in one way: a Stop is thrown, for the end
// of a complete run, a stop with its message, or a run-time error. Nothing
// here ends the process: whoever runs the stages catches the Stop, and only
// the program's main turns it into the console's last words (finish_run) and
// the exit status; the library turns it into its public error. The pause is
// no end: it writes its message and the run goes on.
#pragma once

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

// The one value a run ends with. A stop of the run carries its message and
// status; a run-time error its statement, stream and error (status 1). A
// stage that knows which line of which file was to blame adds it (`file`,
// `line` from 1, and `detail`, what was wrong with the line).
struct Stop {
  int status = 0;
  std::string_view message;  // static text: a stop's message
  bool run_time_error = false;
  RunTimeError error = RunTimeError::EndOfFile;
  Statement statement = Statement::Read;
  char stream[FILE_NAME_MAX + 1] = {};
  char file[FILE_NAME_MAX + 1] = {};
  int line = 0;             // 0: no line to name
  std::string_view detail;  // static text, e.g. "columns 31-54 do not hold three numbers"
};

// The report of a run-time error on one line, into `out` (at least
// REPORT_BYTES); returns its length:
//   "run-time error F6504: READ(internal) - numeric field does not form a number"
constexpr int REPORT_BYTES = 512;
int one_line_report(const Stop& stop, char* out);

// Names the line of `file` that a failed read came from, as the stage that
// read it knows it; the stop is then thrown on.
void locate(Stop& stop, const char* file, int line, std::string_view detail);

// Ends the run with a stop message: throws Stop. `status` is 0 for the
// stops of a run, another for a stop that reports a failure.
[[noreturn]] void stop_run(std::string_view message, int status = 0);

// The message as for a stop; then, when standard input is a terminal, one
// whole line of it, of which the first 128 bytes run as a shell command when
// two or more characters remain after the line end and trailing blanks and
// tabs are dropped; then the run goes on. When standard input is no terminal
// the line is read and taken but never run: it is a script's next answer,
// not a person's command. A console that reads no input reads nothing here.
void pause_run(Io& io, std::string_view message);

// Ends the run with a run-time error: throws Stop, status 1.
[[noreturn]] void run_time_error_stop(Statement statement, const char* stream, RunTimeError error);

// The console's last words for a run that ended in `stop`, for main: the
// stop's message as it stands and CR LF, every channel closed and written
// out; a run-time error instead reported on standard error,
//   "\r\nrun-time error F6502: READ(CON)\r\n- end of input on the console\r\n"
// after the console output, which is then ended and written out. Returns the
// exit status: the stop's, or 1 when the last words themselves fail.
int finish_run(Io& io, const Stop& stop);

// The report text of a run-time error, for tests and for the stop above.
int error_number(RunTimeError error);
const char* error_message(RunTimeError error);

}  // namespace formatted_io
