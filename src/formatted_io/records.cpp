// The record streams beneath the compiled statements: reading a line of the
// console or of a channel, handing a console record over, the channels by
// name, and the stops a statement can end in.
#include "formatted_io/records.hpp"

#include "formatted_io/stops.hpp"

namespace formatted_io {
namespace record_detail {

void write_failed(Io& /*io*/, const char* stream) {
  run_time_error_stop(Statement::Write, stream, RunTimeError::WriteFailed);
}

void record_too_long(Io& /*io*/, const char* stream) {
  run_time_error_stop(Statement::Write, stream, RunTimeError::RecordTooLong);
}

void field_failed(Io& /*io*/, const char* stream, FieldStatus status) {
  switch (status) {
    case FieldStatus::NotANumber:
      run_time_error_stop(Statement::Read, stream, RunTimeError::NotANumber);
    case FieldStatus::OutOfRange:
      run_time_error_stop(Statement::Read, stream, RunTimeError::OutOfRange);
    case FieldStatus::EndOfFile:
    case FieldStatus::Ok:
      break;
  }
  run_time_error_stop(Statement::Read, stream, RunTimeError::EndOfFile);
}

LineView read_console_line(Io& io) {
  switch (io.console.read_line(io.line)) {
    case ConsoleRead::Ok:
      break;
    case ConsoleRead::End:
      run_time_error_stop(Statement::Read, CONSOLE_NAME, RunTimeError::ConsoleEndOfInput);
    case ConsoleRead::TooLong:
      run_time_error_stop(Statement::Read, CONSOLE_NAME, RunTimeError::ConsoleLineTooLong);
    case ConsoleRead::Failed:
      run_time_error_stop(Statement::Read, CONSOLE_NAME, RunTimeError::ReadFailed);
    case ConsoleRead::OutputFailed:
      run_time_error_stop(Statement::Write, CONSOLE_NAME, RunTimeError::WriteFailed);
  }
  return {io.line.data, io.line.length};
}

bool line_not_read(Io& io, Unit unit, bool handles_end, LineStatus status) {
  const Channel& channel = io.channel(unit);
  switch (status) {
    case LineStatus::Ok:
      return true;
    case LineStatus::End:
      if (handles_end) return false;
      run_time_error_stop(Statement::Read, channel.name(), RunTimeError::EndOfFile);
    case LineStatus::Failed:
      break;
  }
  run_time_error_stop(Statement::Read, channel.name(), RunTimeError::ReadFailed);
}

void deliver_to_console(Io& io, int length, bool dollar) {
  if (!io.console.deliver(io.record, length, dollar)) write_failed(io, CONSOLE_NAME);
}

}  // namespace record_detail

bool open_existing(Io& io, Unit unit, const char* name, int length) {
  return io.channel(unit).open_existing(name, length);
}

bool open_output(Io& io, Unit unit, const char* name, int length) {
  return io.channel(unit).open_output(name, length);
}

void rewind_channel(Io& io, Unit unit) {
  Channel& channel = io.channel(unit);
  if (!channel.rewind()) {
    run_time_error_stop(Statement::Rewind, channel.name(), RunTimeError::WriteFailed);
  }
}

void close_channel(Io& io, Unit unit) {
  Channel& channel = io.channel(unit);
  // What fails at a close is writing out the buffered records.
  if (!channel.close()) {
    run_time_error_stop(Statement::Write, channel.name(), RunTimeError::WriteFailed);
  }
}

}  // namespace formatted_io
