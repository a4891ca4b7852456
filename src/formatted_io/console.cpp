// Console carriage control. Output is collected and written whenever the
// console is about to read, a message is written, the process ends, or (on a
// terminal) after every record: the bytes and their order on standard output
// are those of writing record by record, at a fraction of the system calls.
#include "formatted_io/console.hpp"

#include <cstring>

#include "formatted_io/platform.hpp"

namespace formatted_io {

void Console::attach(bool reads_input) {
  input_terminal_ = reads_input && is_terminal(0);
  output_terminal_ = is_terminal(1);
  shared_ = input_terminal_ && output_terminal_;
  // A descriptor that is never open: every read ends at once.
  input_.attach(reads_input ? 0 : -1);
}

bool Console::put(const char* data, int length) {
  if (discard_) return true;
  if (used_ + length > STREAM_BUFFER_BYTES) {
    if (!flush()) return false;
    if (length > STREAM_BUFFER_BYTES) return write_all(1, data, length);
  }
  std::memcpy(output_ + used_, data, static_cast<std::size_t>(length));
  used_ += length;
  return true;
}

bool Console::flush() {
  const int pending = used_;
  used_ = 0;
  return pending == 0 || write_all(1, output_, pending);
}

bool Console::deliver(const char* record, int length, bool dollar) {
  static constexpr char BLANK[] = " ";
  if (length == 0) {  // an empty record is taken as one blank
    record = BLANK;
    length = 1;
  }
  bool ok = true;
  if (keep_line_) {
    ok = put(record, length);
    keep_line_ = false;
  } else {
    // The first character steers the spacing and is not written.
    switch (record[0]) {
      case '0':
        ok = put(line_open_ ? "\r\n\r\n" : "\r\n", line_open_ ? 4 : 2);
        break;
      case '1':
        ok = put("\r\n\f\r \r", 6);
        break;
      case '+':
        ok = put("\r", 1);
        break;
      default:
        if (line_open_) ok = put("\r\n", 2);
        break;
    }
    ok = ok && put(record + 1, length - 1);
  }
  line_open_ = true;
  keep_line_ = dollar;
  if (ok && output_terminal_) ok = flush();
  return ok;
}

bool Console::close_line() {
  if (!line_open_) return true;
  line_open_ = false;
  return put("\r\n", 2);
}

bool Console::write_message(const char* text, int length) {
  const bool ok = close_line() && put(text, length) && put("\r\n", 2);
  return ok && flush();
}

ConsoleRead Console::read_line(Line& line) {
  if (shared_) {
    if (line_open_ && !keep_line_ && !put("\r\n", 2)) return ConsoleRead::OutputFailed;
    keep_line_ = false;
  }
  if (!flush()) return ConsoleRead::OutputFailed;
  const LineStatus status = input_.read_line(line);
  if (status == LineStatus::Failed) return ConsoleRead::Failed;
  if (status == LineStatus::End) return ConsoleRead::End;
  if (shared_) line_open_ = false;
  if (input_terminal_) {
    if (line.full_length > CONSOLE_LINE_BYTES - 2) return ConsoleRead::TooLong;
    if (line.full_length > 0 && line.last == END_OF_INPUT_MARK) {
      return ConsoleRead::End;
    }
  }
  return ConsoleRead::Ok;
}

}  // namespace formatted_io
