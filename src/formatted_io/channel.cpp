// Line input and file channels over the system's descriptors (platform.hpp):
// the bytes go through unchanged, with no text-mode translation and no locale.
#include "formatted_io/channel.hpp"

#include <cerrno>
#include <cstring>

#include "formatted_io/platform.hpp"

namespace formatted_io {

bool write_all(int fd, const char* data, int length) {
  while (length > 0) {
    const int written = write_bytes(fd, data, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    length -= written;
  }
  return true;
}

void LineInput::attach(int fd) {
  fd_ = fd;
  start_ = 0;
  end_ = 0;
  cr_ = -1;
  failed_ = false;
  ended_ = false;
}

bool LineInput::fill() {
  start_ = 0;
  end_ = 0;
  cr_ = -1;
  if (ended_) return false;
  for (;;) {
    const int got = read_bytes(fd_, buffer_, sizeof buffer_);
    if (got > 0) {
      end_ = got;
      return true;
    }
    if (got == 0) {
      ended_ = true;
      return false;
    }
    if (errno == EINTR) continue;
    failed_ = true;
    return false;
  }
}

LineStatus LineInput::read_line(Line& line) {
  line.length = 0;
  line.full_length = 0;
  line.last = 0;
  if (start_ == end_ && !fill()) return failed_ ? LineStatus::Failed : LineStatus::End;
  bool data_ended = false;  // a CR was met: nothing more is kept
  char before_last = 0;     // the character before `line.last`
  LineStatus status = LineStatus::Ok;
  for (;;) {
    const char* begin = buffer_ + start_;
    const int available = end_ - start_;
    const void* lf = std::memchr(begin, '\n', static_cast<std::size_t>(available));
    const int chunk = lf ? static_cast<int>(static_cast<const char*>(lf) - begin) : available;
    if (!data_ended) {
      const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(chunk));
      const int data = cr ? static_cast<int>(static_cast<const char*>(cr) - begin) : chunk;
      const int room = LINE_KEEP - line.length;
      const int keep = data < room ? data : room;
      std::memcpy(line.data + line.length, begin, static_cast<std::size_t>(keep));
      line.length += keep;
      data_ended = cr != nullptr;
    }
    if (chunk > 0) {
      before_last = chunk > 1 ? begin[chunk - 2] : line.last;
      line.last = begin[chunk - 1];
      line.full_length += chunk;
    }
    start_ += chunk;
    if (lf) {
      ++start_;
      break;
    }
    if (!fill()) {
      if (failed_) status = LineStatus::Failed;
      break;
    }
  }
  // A CR just before the end belongs to the line end.
  if (line.full_length > 0 && line.last == '\r') {
    --line.full_length;
    line.last = before_last;
  }
  return status;
}

void LineInput::find_cr() {
  const char* begin = buffer_ + start_;
  const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(end_ - start_));
  cr_ = cr ? static_cast<int>(static_cast<const char*>(cr) - buffer_) : end_;
}

int LineInput::read_raw(char* out, int max) {
  int taken = 0;
  bool any = false;
  for (;;) {
    if (start_ == end_ && !fill()) break;
    any = true;
    const char c = buffer_[start_++];
    if (taken < max) out[taken++] = c;
    if (c == '\n') break;
  }
  return any ? taken : -1;
}

void LineInput::give_back() {
  if (end_ > start_ && seek_relative(fd_, -static_cast<std::int64_t>(end_ - start_))) {
    start_ = end_ = 0;
  }
}

bool Channel::set_name(const char* name, int length) {
  int first = 0;
  while (first < length && name[first] == ' ') ++first;
  int last = length;
  while (last > first && name[last - 1] == ' ') --last;
  int n = last - first;
  if (n > FILE_NAME_MAX) n = FILE_NAME_MAX;
  std::memcpy(name_, name + first, static_cast<std::size_t>(n));
  name_[n] = '\0';
  // A NUL byte would hand the system a shorter name than the one typed, and
  // so perhaps another, existing file: such a name opens nothing.
  return std::memchr(name_, '\0', static_cast<std::size_t>(n)) == nullptr;
}

bool Channel::open_existing(const char* name, int length) {
  if (fd_ >= 0) close();
  if (!set_name(name, length)) return false;
  const int fd = open_for_reading(name_);
  if (fd < 0) return false;
  fd_ = fd;
  writing_ = false;
  input_.attach(fd);
  return true;
}

bool Channel::open_output(const char* name, int length) {
  if (fd_ >= 0) close();
  if (!set_name(name, length)) return false;
  const int fd = open_for_writing(name_);
  if (fd < 0) return false;
  fd_ = fd;
  writing_ = true;
  cut_ = false;
  used_ = 0;
  return true;
}

bool Channel::write_record(const char* data, int length, bool line_end) {
  if (!cut_ && !cut()) return false;
  if (used_ + length + 2 > STREAM_BUFFER_BYTES) {
    if (!flush()) return false;
    // Too long for the buffer: written out as it stands.
    if (length + 2 > STREAM_BUFFER_BYTES) {
      if (!write_all(fd_, data, length)) return false;
      length = 0;
    }
  }
  if (length > 0) std::memcpy(output_ + used_, data, static_cast<std::size_t>(length));
  return commit(length, line_end);
}

bool Channel::cut() {
  // Only a regular file can be cut; a device or a pipe has nothing to cut.
  cut_ = true;
  return empty_if_regular(fd_);
}

bool Channel::flush() {
  const int pending = used_;
  used_ = 0;
  return write_all(fd_, output_, pending);
}

bool Channel::rewind() {
  bool ok = true;
  if (writing_) ok = flush();
  if (!seek_to_start(fd_)) ok = false;
  if (!writing_) input_.attach(fd_);
  return ok;
}

bool Channel::close() {
  if (fd_ < 0) return true;
  bool ok = true;
  if (writing_) ok = flush();
  if (!close_file(fd_) && writing_) ok = false;
  fd_ = -1;
  return ok;
}

}  // namespace formatted_io
