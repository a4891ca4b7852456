// The platform layer on POSIX systems (Linux, macOS, the BSDs).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "formatted_io/platform.hpp"

namespace formatted_io {

void prepare_standard_streams() { std::signal(SIGPIPE, SIG_IGN); }

bool is_terminal(int fd) { return ::isatty(fd) == 1; }

int open_for_reading(const char* name) {
  const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int open_for_writing(const char* name) {
  return ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

int read_bytes(int fd, char* buffer, int size) {
  return static_cast<int>(::read(fd, buffer, static_cast<std::size_t>(size)));
}

int write_bytes(int fd, const char* data, int size) {
  return static_cast<int>(::write(fd, data, static_cast<std::size_t>(size)));
}

bool close_file(int fd) { return ::close(fd) == 0; }

bool seek_relative(int fd, std::int64_t offset) {
  return ::lseek(fd, static_cast<off_t>(offset), SEEK_CUR) >= 0;
}

bool seek_to_start(int fd) { return ::lseek(fd, 0, SEEK_SET) >= 0; }

bool empty_if_regular(int fd) {
  struct stat info;
  return ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::ftruncate(fd, 0) == 0;
}

bool is_folder_separator(char c) { return c == '/'; }

bool identify_file(const char* name, FileId& id) {
  struct stat info;
  if (::stat(name, &info) != 0) return false;
  id.device = static_cast<std::uint64_t>(info.st_dev);
  id.inode = static_cast<std::uint64_t>(info.st_ino);
  id.directory = S_ISDIR(info.st_mode);
  return true;
}

}  // namespace formatted_io
