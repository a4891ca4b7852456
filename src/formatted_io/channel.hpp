// Byte streams under the formatted records: buffered line input over a file
// descriptor, and the file channels. Lines of any length pass in bounded
// memory: only the first LINE_KEEP characters of a line's data are kept, the
// rest is skipped up to its LF. Every buffer is fixed and set up once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// A line's data as handed to the field readers: in place in the read buffer,
// or in a Line when it did not lie whole in the buffer. Valid until the next
// read from the same input.
struct LineView {
  const char* data = nullptr;
  int length = 0;
};

// Buffered reading of lines from a file descriptor.
class LineInput {
 public:
  void attach(int fd);
  // LF ends a line; a CR ends its data. A last line without a line end is a
  // line; End only when no byte is left at the start of a line. Once the
  // descriptor has reported its end, it is not read again: a terminal reports
  // end of input once, and asking it again would wait for more typing.
  LineStatus read_line(Line& line);
  // The same line by the same rules, handed over in place when it lies whole
  // in the buffer; otherwise copied into `spill` by read_line.
  LineStatus read_view(Line& spill, LineView& view) {
    if (start_ < end_) {
      const char* begin = buffer_ + start_;
      const void* lf = std::memchr(begin, '\n', static_cast<std::size_t>(end_ - start_));
      if (lf != nullptr) {
        const int line_end = static_cast<int>(static_cast<const char*>(lf) - buffer_);
        if (cr_ < start_) find_cr();
        const int data_end = cr_ < line_end ? cr_ : line_end;
        const int data = data_end - start_;
        view.data = begin;
        view.length = data < LINE_KEEP ? data : LINE_KEEP;
        start_ = line_end + 1;
        return LineStatus::Ok;
      }
    }
    const LineStatus status = read_line(spill);
    view.data = spill.data;
    view.length = spill.length;
    return status;
  }
  // The next line, whole; its first `max` bytes (LF included when it falls
  // among them) go to `out`. Returns their count, -1 at the end.
  int read_raw(char* out, int max);
  // Bytes read ahead of what the caller took; handed back to a seekable
  // descriptor before another process reads it.
  void give_back();

 private:
  bool fill();  // false at end or failure; `failed_` tells which
  // Finds the first CR from start_ on: one search per stretch of buffer
  // that holds none, instead of one per line.
  void find_cr();
  int fd_ = -1;
  int start_ = 0;
  int end_ = 0;
  int cr_ = -1;  // the first CR at or after start_, end_ when none; stale when below start_
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
  LineStatus read_view(Line& spill, LineView& view) { return input_.read_view(spill, view); }

  // Output records are built in place: record_space() gives room for
  // FILE_RECORD_MAX characters and a line end (nullptr when writing out the
  // buffer fails); commit() takes the record's `length` characters and,
  // unless it ended under "$", appends CR LF. False when the system refuses.
  char* record_space() {
    if (used_ + FILE_RECORD_MAX + 2 > STREAM_BUFFER_BYTES && !flush()) return nullptr;
    return output_ + used_;
  }
  // Appends `length` bytes built elsewhere, of any length, as one record.
  bool write_record(const char* data, int length, bool line_end);
  bool commit(int length, bool line_end) {
    if (!cut_ && !cut()) return false;
    used_ += length;
    if (line_end) {
      output_[used_++] = '\r';
      output_[used_++] = '\n';
    }
    return true;
  }
  bool rewind();
  // Writes out buffered records and releases the file; false on failure.
  bool close();

 private:
  bool flush();
  // The first record replaces whatever the file held; false on failure.
  bool cut();
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
