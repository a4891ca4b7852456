// Formatted records: one mechanism for every line written or read. A format
// is walked against a list of items; each data descriptor builds or takes one
// field; "/" ends a record, "$" ends one without a line end.
//
//   write_formatted(io, CONSOLE, Format("(a,i5/)"), {" Atoms :", 42})
//     -> record " Atoms :   42", then an empty record
//   "(4e12.5,i5)" with four items writes four E12.5 fields and no I5 field:
//     a data descriptor met after the last item ends the walk.
//
// A failure that the caller does not handle (end of console input, a field
// that is no number, a refused write) ends the run here with the run-time
// error stop; these functions return only on success or a handled end.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "formatted_io/channel.hpp"
#include "formatted_io/console.hpp"
#include "formatted_io/format.hpp"

namespace formatted_io {

// Streams: the console, or the file channels 2, 3 and 6.
constexpr int CONSOLE = 0;
constexpr int CHANNEL_COUNT = 3;

// Everything through which the run reads and writes: owned once by the run.
struct Io {
  Console console;
  Channel channels[CHANNEL_COUNT];
  char record[FILE_RECORD_MAX];
  Line line;
  bool ending_in_error = false;
  // The run belongs to a library caller: a stop throws RunStopped instead of
  // ending the process.
  bool library_run = false;

  // Channel 2, 3 or 6.
  Channel& channel(int unit);
};

struct OutItem {
  enum class Kind { Text, Integer, Real };
  OutItem(std::string_view value) : kind(Kind::Text), text(value) {}  // NOLINT
  OutItem(const char* value) : kind(Kind::Text), text(value) {}       // NOLINT
  OutItem(int value) : kind(Kind::Integer), integer(value) {}         // NOLINT
  OutItem(float value) : kind(Kind::Real), real(value) {}             // NOLINT
  OutItem(double) = delete;  // every real item is single precision

  Kind kind;
  std::string_view text;
  int integer = 0;
  float real = 0.0f;
};

struct InItem {
  InItem(char* value, int size) : text(value), length(size) {}
  InItem(float& value) : real(&value) {}  // NOLINT
  template <std::size_t N>
  InItem(char (&value)[N]) : text(value), length(static_cast<int>(N)) {}  // NOLINT

  char* text = nullptr;
  int length = 0;
  float* real = nullptr;
};

enum class ReadResult { Ok, EndOfFile };

void write_formatted(Io& io, int unit, const Format& format,
                     std::initializer_list<OutItem> items);

// Reads one line of the console or of a file channel into the items; the rest
// of the line is discarded. With `handles_end` an exhausted stream returns
// EndOfFile; without, it ends the run.
ReadResult read_formatted(Io& io, int unit, const Format& format,
                          std::initializer_list<InItem> items, bool handles_end);

// The same over a character buffer; positions past its end read as blanks.
void read_internal(Io& io, const char* buffer, int length, const Format& format,
                   std::initializer_list<InItem> items);

// Opening, rewinding and closing a channel by number. A failed open returns
// false (the caller asks again or stops); a failed rewind or close that loses
// output ends the run.
bool open_existing(Io& io, int unit, const char* name, int length);
bool open_output(Io& io, int unit, const char* name, int length);
void rewind_channel(Io& io, int unit);
void close_channel(Io& io, int unit);

}  // namespace formatted_io
