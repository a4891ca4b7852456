// The console: standard output written in control-character mode, standard
// input read line by line.
//
// A console record's line end is written only when the next thing happens on
// the console, so a prompt ended under "$" keeps its line open for the
// answer. The flags `line_open` and `keep_line` hold that state. When standard
// input and standard output are both terminals the reads share the state
// (a read writes the pending line end and clears both flags); otherwise reads
// leave the output's state alone, and a record after a prompt continues the
// prompt's line, first character included.
#pragma once

#include "formatted_io/channel.hpp"

namespace formatted_io {

// A line typed at a terminal holds at most 130 characters plus its CR LF.
constexpr int CONSOLE_LINE_BYTES = 132;
// The character that ends console input when it closes a typed line.
constexpr char END_OF_INPUT_MARK = 26;

// Failed: the line could not be read; OutputFailed: the pending output
// before it could not be written.
enum class ConsoleRead { Ok, End, TooLong, Failed, OutputFailed };

class Console {
 public:
  // Looks at the three standard descriptors; called once at start. Without
  // `reads_input` standard input is never read and counts as no terminal: a
  // run whose answers are given beforehand writes what it writes with its
  // input redirected, and a pause goes on at once.
  void attach(bool reads_input = true);
  // From now on nothing is written to standard output.
  void discard_output() { discard_ = true; }

  // Delivers one record. Buffered; false when standard output fails.
  bool deliver(const char* record, int length, bool dollar);
  // Writes raw bytes (stop and pause messages) after the pending line end.
  bool write_message(const char* text, int length);
  // Ends an open line with CR LF (stops, pauses, end of the process).
  bool close_line();
  bool flush();

  ConsoleRead read_line(Line& line);
  // Whether answers come from a person at a terminal.
  bool input_is_terminal() const { return input_terminal_; }
  LineInput& input() { return input_; }

 private:
  bool put(const char* data, int length);

  bool line_open_ = false;
  bool keep_line_ = false;
  bool shared_ = false;
  bool input_terminal_ = false;
  bool output_terminal_ = false;
  bool discard_ = false;
  int used_ = 0;
  LineInput input_;
  char output_[STREAM_BUFFER_BYTES];
};

}  // namespace formatted_io
