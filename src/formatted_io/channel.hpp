// Byte streams under the formatted records: buffered line input over a file
// descriptor, and the file channels. Lines of any length pass in bounded
// memory: only the first LINE_KEEP characters of a line's data are kept, the
// rest is skipped up to its LF. Every buffer is fixed and set up once.
#pragma once

#include <cstdint>

#include "formatted_io/platform.hpp"

namespace formatted_io {

// The longest record a file channel accepts on output.
constexpr int FILE_RECORD_MAX = 1024;
// Characters of a line's data kept for its fields; every format of the
// program reads far fewer.
constexpr int LINE_KEEP = 1024;
// Characters of a file name that are used.
constexpr int FILE_NAME_MAX = 259;
constexpr int STREAM_BUFFER_BYTES = 1 << 16;

// One line as read: its data ends at the first CR or LF. Its content is all
// of it before the line end, LF or CR LF (or the end of input, with a CR just
// before it), CRs within it included.
//   "ab\rcd\r\n" -> data "ab", full_length 5, last 'd'
struct Line {
  char data[LINE_KEEP];
  int length = 0;                // characters kept in `data`
  std::int64_t full_length = 0;  // characters of the content
  char last = 0;                 // the content's last character, when it has one
};

enum class LineStatus { Ok, End, Failed };

// Buffered reading of lines from a file descriptor.
class LineInput {
 public:
  void attach(int fd);
  // LF ends a line; a CR ends its data. A last line without a line end is a
  // line; End only when no byte is left at the start of a line. Once the
  // descriptor has reported its end, it is not read again: a terminal reports
  // end of input once, and asking it again would wait for more typing.
  LineStatus read_line(Line& line);
  // The next line, whole; its first `max` bytes (LF included when it falls
  // among them) go to `out`. Returns their count, -1 at the end.
  int read_raw(char* out, int max);
  // Bytes read ahead of what the caller took; handed back to a seekable
  // descriptor before another process reads it.
  void give_back();

 private:
  bool fill();  // false at end or failure; `failed_` tells which
  int fd_ = -1;
  int start_ = 0;
  int end_ = 0;
  bool failed_ = false;
  bool ended_ = false;  // the descriptor has reported its end
  char buffer_[STREAM_BUFFER_BYTES];
};

// A file opened by name for reading or writing.
class Channel {
 public:
  // The name is trimmed of blanks on both sides and cut to FILE_NAME_MAX.
  // A directory, or a file that is missing or unreadable, does not open.
  bool open_existing(const char* name, int length);
  // Creates the file when absent. An existing file is left as it is until the
  // first record is written, which cuts it where writing begins.
  bool open_output(const char* name, int length);
  const char* name() const { return name_; }

  LineStatus read_line(Line& line) { return input_.read_line(line); }
  // Appends the record and, unless it ended under "$", CR LF; false when the
  // system refuses the write.
  bool write_record(const char* data, int length, bool line_end = true);
  bool rewind();
  // Writes out buffered records and releases the file; false on failure.
  bool close();

 private:
  bool flush();
  // False when the name cannot name a file.
  bool set_name(const char* name, int length);

  int fd_ = -1;
  bool writing_ = false;
  bool cut_ = false;
  int used_ = 0;
  char name_[FILE_NAME_MAX + 1] = {};
  LineInput input_;
  char output_[STREAM_BUFFER_BYTES];
};

// Writes all of `length` bytes, retrying short writes; false on failure.
bool write_all(int fd, const char* data, int length);

}  // namespace formatted_io
