// The platform layer on POSIX systems (Linux, macOS, the BSDs).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

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
  id.regular = S_ISREG(info.st_mode);
  return true;
}

bool follow_links(const char* name, char* path, int size) {
  const std::size_t length = std::strlen(name);
  if (length + 1 > static_cast<std::size_t>(size)) return false;
  std::memcpy(path, name, length + 1);
  // As many links as the system itself follows before it gives up.
  constexpr int MAX_LINKS = 40;
  for (int links = 0; links < MAX_LINKS; ++links) {
    struct stat info;
    if (::lstat(path, &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    char target[4096];
    const ssize_t n = ::readlink(path, target, sizeof target - 1);
    if (n < 0) return true;
    target[n] = '\0';
    // A relative target is relative to the link's own folder.
    const char* slash = std::strrchr(path, '/');
    const std::size_t folder = target[0] != '/' && slash != nullptr
                                   ? static_cast<std::size_t>(slash - path) + 1
                                   : 0;
    if (folder + static_cast<std::size_t>(n) + 1 > static_cast<std::size_t>(size)) return false;
    std::memcpy(path + folder, target, static_cast<std::size_t>(n) + 1);
  }
  return false;
}

}  // namespace formatted_io
