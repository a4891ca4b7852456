// Stops, the pause and the run-time error stop. The report of a run-time
// error has a fixed form that users' scripts match: a blank line, the error
// number with the statement and stream, then the message.
#include "formatted_io/stops.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "formatted_io/platform.hpp"

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

constexpr const char* STATEMENTS[] = {": READ(", ": WRITE(", ": OPEN(", ": CLOSE(", ": REWIND("};

static_assert(std::size(ERRORS) == static_cast<std::size_t>(RunTimeError::Count));
static_assert(std::size(STATEMENTS) == static_cast<std::size_t>(Statement::Count));

void append(char* out, int& length, int capacity, const char* text) {
  const int n = static_cast<int>(std::strlen(text));
  const int take = length + n <= capacity ? n : capacity - length;
  std::memcpy(out + length, text, static_cast<std::size_t>(take));
  length += take;
}

// "run-time error F6502: READ(CON)", `between`, "end of input on the console"
void append_report(char* out, int& length, int capacity, const Stop& stop, const char* between) {
  const int code = error_number(stop.error);
  const char number[] = {'F',
                         static_cast<char>('0' + code / 1000 % 10),
                         static_cast<char>('0' + code / 100 % 10),
                         static_cast<char>('0' + code / 10 % 10),
                         static_cast<char>('0' + code % 10),
                         '\0'};
  append(out, length, capacity, "run-time error ");
  append(out, length, capacity, number);
  append(out, length, capacity, STATEMENTS[static_cast<int>(stop.statement)]);
  append(out, length, capacity, stop.stream);
  append(out, length, capacity, between);
  append(out, length, capacity, error_message(stop.error));
}

void copy_name(char* out, const char* name) {
  const std::size_t n = std::min(std::strlen(name), std::size_t{FILE_NAME_MAX});
  std::memcpy(out, name, n);
  out[n] = '\0';
}

Stop run_time_error(Statement statement, const char* stream, RunTimeError error) {
  Stop stop;
  stop.status = 1;
  stop.run_time_error = true;
  stop.error = error;
  stop.statement = statement;
  copy_name(stop.stream, stream);
  return stop;
}

// The report on standard error, after the console output, which is then
// ended and written out with every channel; failures here have nobody left
// to tell. Returns the status of a run-time error.
int report_run_time_error(Io& io, const Stop& stop) {
  char report[REPORT_BYTES];
  int length = 0;
  append(report, length, REPORT_BYTES, "\r\n");
  append_report(report, length, REPORT_BYTES, stop, ")\r\n- ");
  append(report, length, REPORT_BYTES, "\r\n");
  // Standard output first, so that a shared destination keeps the order.
  static_cast<void>(io.console.flush());
  static_cast<void>(write_all(2, report, length));
  static_cast<void>(io.console.close_line());
  static_cast<void>(io.console.flush());
  for (Channel& channel : io.channels) static_cast<void>(channel.close());
  return 1;
}

}  // namespace

int error_number(RunTimeError error) { return ERRORS[static_cast<int>(error)].number; }

const char* error_message(RunTimeError error) { return ERRORS[static_cast<int>(error)].message; }

int one_line_report(const Stop& stop, char* out) {
  int length = 0;
  append_report(out, length, REPORT_BYTES, stop, ") - ");
  return length;
}

void locate(Stop& stop, const char* file, int line, std::string_view detail) {
  copy_name(stop.file, file);
  stop.line = line;
  stop.detail = detail;
}

[[noreturn]] void stop_run(std::string_view message, int status) {
  Stop stop;
  stop.status = status;
  stop.message = message;
  throw stop;
}

[[noreturn]] void run_time_error_stop(Statement statement, const char* stream, RunTimeError error) {
  throw run_time_error(statement, stream, error);
}

void pause_run(Io& io, std::string_view message) {
  if (!io.console.write_message(message.data(), static_cast<int>(message.size()))) {
    run_time_error_stop(Statement::Write, "CON", RunTimeError::WriteFailed);
  }
  constexpr int PAUSE_LINE_BYTES = 128;
  char command[PAUSE_LINE_BYTES + 1];
  int length = io.console.input().read_raw(command, PAUSE_LINE_BYTES);
  if (length < 0 || !io.console.input_is_terminal()) return;
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

int finish_run(Io& io, const Stop& stop) {
  if (stop.run_time_error) return report_run_time_error(io, stop);
  if (!io.console.write_message(stop.message.data(), static_cast<int>(stop.message.size()))) {
    return report_run_time_error(
        io, run_time_error(Statement::Write, "CON", RunTimeError::WriteFailed));
  }
  for (Channel& channel : io.channels) {
    if (!channel.close()) {
      return report_run_time_error(
          io, run_time_error(Statement::Write, channel.name(), RunTimeError::WriteFailed));
    }
  }
  return stop.status;
}

}  // namespace formatted_io
