// Stops, the pause and the run-time error stop. The report of a run-time
// error has a fixed form that users' scripts match: a blank line, the error
// number with the statement and stream, then the message.
#include "formatted_io/stops.hpp"

#include <cstdlib>
#include <cstring>
#include <iterator>

namespace formatted_io {
namespace {

struct ErrorText {
  int number;
  const char* message;
};

// Indexed by RunTimeError.
constexpr ErrorText ERRORS[] = {
    {6501, "end of file encountered"},
    {6502, "end of input on the console"},
    {6503, "console line longer than 130 characters"},
    {6504, "numeric field does not form a number"},
    {6505, "numeric value beyond the single-precision range"},
    {6506, "record longer than 1024 characters"},
    {6507, "the system could not read the file"},
    {6508, "the system could not write the file"},
};

constexpr const char* STATEMENTS[] = {": READ(", ": WRITE(", ": OPEN(", ": CLOSE(",
                                      ": REWIND("};

static_assert(std::size(ERRORS) == static_cast<std::size_t>(RunTimeError::Count));
static_assert(std::size(STATEMENTS) == static_cast<std::size_t>(Statement::Count));

void append(char* out, int& length, int capacity, const char* text) {
  const int n = static_cast<int>(std::strlen(text));
  const int take = length + n <= capacity ? n : capacity - length;
  std::memcpy(out + length, text, static_cast<std::size_t>(take));
  length += take;
}

// "run-time error F6502: READ(CON)", `between`, "end of input on the console"
void append_report(char* out, int& length, int capacity, Statement statement, const char* stream,
                   RunTimeError error, const char* between) {
  const int code = error_number(error);
  const char number[] = {'F', static_cast<char>('0' + code / 1000 % 10),
                         static_cast<char>('0' + code / 100 % 10),
                         static_cast<char>('0' + code / 10 % 10),
                         static_cast<char>('0' + code % 10), '\0'};
  append(out, length, capacity, "run-time error ");
  append(out, length, capacity, number);
  append(out, length, capacity, STATEMENTS[static_cast<int>(statement)]);
  append(out, length, capacity, stream);
  append(out, length, capacity, between);
  append(out, length, capacity, error_message(error));
}

}  // namespace

int error_number(RunTimeError error) { return ERRORS[static_cast<int>(error)].number; }

const char* error_message(RunTimeError error) {
  return ERRORS[static_cast<int>(error)].message;
}

[[noreturn]] void stop_run(Io& io, std::string_view message, int status) {
  if (!io.console.write_message(message.data(), static_cast<int>(message.size()))) {
    run_time_error_stop(io, Statement::Write, "CON", RunTimeError::WriteFailed);
  }
  for (Channel& channel : io.channels) {
    if (!channel.close()) {
      run_time_error_stop(io, Statement::Write, channel.name(), RunTimeError::WriteFailed);
    }
  }
  if (io.library_run) {
    RunStopped stopped;
    stopped.status = status;
    stopped.message = message;
    throw stopped;
  }
  std::exit(status);
}

void pause_run(Io& io, std::string_view message) {
  if (!io.console.write_message(message.data(), static_cast<int>(message.size()))) {
    run_time_error_stop(io, Statement::Write, "CON", RunTimeError::WriteFailed);
  }
  // Standard input belongs to the library's caller.
  if (io.library_run) return;
  constexpr int PAUSE_LINE_BYTES = 128;
  char command[PAUSE_LINE_BYTES + 1];
  int length = io.console.input().read_raw(command, PAUSE_LINE_BYTES);
  if (length < 0) return;
  if (command[length - 1] == '\n') --length;
  if (length > 0 && command[length - 1] == '\r') --length;
  while (length > 0 && (command[length - 1] == ' ' || command[length - 1] == '\t')) --length;
  if (length < 2) return;
  command[length] = '\0';
  // The command may read standard input itself: hand back what was read ahead.
  io.console.input().give_back();
  const int ignored = std::system(command);
  static_cast<void>(ignored);
}

[[noreturn]] void run_time_error_stop(Io& io, Statement statement, const char* stream,
                                      RunTimeError error) {
  constexpr int REPORT_BYTES = 512;
  char report[REPORT_BYTES];
  int length = 0;
  if (io.library_run) {
    for (Channel& channel : io.channels) static_cast<void>(channel.close());
    append_report(report, length, REPORT_BYTES, statement, stream, error, ") - ");
    RunStopped stopped;
    stopped.status = 1;
    stopped.run_time_error = true;
    stopped.error = error;
    stopped.message.assign(report, static_cast<std::size_t>(length));
    throw stopped;
  }
  // Failures while finishing an error stop are not reported again.
  if (!io.ending_in_error) {
    io.ending_in_error = true;
    append(report, length, REPORT_BYTES, "\r\n");
    append_report(report, length, REPORT_BYTES, statement, stream, error, ")\r\n- ");
    append(report, length, REPORT_BYTES, "\r\n");
    // Standard output first, so that a shared destination keeps the order.
    static_cast<void>(io.console.flush());
    static_cast<void>(write_all(2, report, length));
    // End of process: the pending line end, then every channel written out.
    static_cast<void>(io.console.close_line());
    static_cast<void>(io.console.flush());
    for (Channel& channel : io.channels) static_cast<void>(channel.close());
  }
  std::exit(1);
}

}  // namespace formatted_io
