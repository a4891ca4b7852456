// The platform layer on Windows, through the C runtime's descriptors.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "formatted_io/platform.hpp"

namespace formatted_io {

void prepare_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) _setmode(fd, _O_BINARY);
}

bool is_terminal(int fd) {
  DWORD mode = 0;
  return _isatty(fd) != 0 &&
         GetConsoleMode(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), &mode) != 0;
}

int open_for_reading(const char* name) {
  const int fd = _open(name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return -1;
  struct _stat64 info;
  if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) == _S_IFDIR) {
    _close(fd);
    return -1;
  }
  return fd;
}

int open_for_writing(const char* name) {
  return _open(name, _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

int read_bytes(int fd, char* buffer, int size) {
  return _read(fd, buffer, static_cast<unsigned>(size));
}

int write_bytes(int fd, const char* data, int size) {
  return _write(fd, data, static_cast<unsigned>(size));
}

bool close_file(int fd) { return _close(fd) == 0; }

bool seek_relative(int fd, std::int64_t offset) { return _lseeki64(fd, offset, SEEK_CUR) >= 0; }

bool seek_to_start(int fd) { return _lseeki64(fd, 0, SEEK_SET) >= 0; }

bool empty_if_regular(int fd) {
  struct _stat64 info;
  return _fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG || _chsize_s(fd, 0) == 0;
}

bool is_folder_separator(char c) { return c == '/' || c == '\\'; }

bool identify_file(const char* name, FileId& id) {
  // No access asked for: looking at a file needs no right to read it. A
  // folder opens only with backup semantics.
  const HANDLE file = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                    error == ERROR_INVALID_NAME
                ? ENOENT
                : EACCES;
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  const bool disk = GetFileType(file) == FILE_TYPE_DISK;
  CloseHandle(file);
  if (!known) {
    errno = EACCES;
    return false;
  }
  id.device = info.dwVolumeSerialNumber;
  id.inode = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
  id.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  id.regular = disk && !id.directory;
  return true;
}

bool follow_links(const char* name, char* path, int size) {
  const std::size_t length = std::strlen(name);
  if (length + 1 > static_cast<std::size_t>(size)) return false;
  std::memcpy(path, name, length + 1);
  return true;
}

}  // namespace formatted_io
