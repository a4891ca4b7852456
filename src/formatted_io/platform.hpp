// What differs between the systems the program runs on, and only that: the
// standard streams' mode, the terminal test, files by descriptor, folder
// names and file identities. platform_posix.cpp and platform_windows.cpp
// implement it and the build takes one, so the code above has no system test
// of its own.
//
// Bytes pass unchanged everywhere: no text-mode translation of line ends or
// of Ctrl-Z, no locale. The pause's command goes to std::system, which is
// the system's command interpreter on both sides (sh; cmd.exe on Windows).
#pragma once

#include <cstdint>

namespace formatted_io {

// Called once, before the first byte in or out. POSIX: a closed pipe on
// standard output becomes a failed write (reported, status 1) rather than a
// silent end by SIGPIPE. Windows: standard input, output and error in
// binary mode, so that "\r\n" is written as two bytes, not three.
void prepare_standard_streams();

// True when the descriptor is an interactive terminal. On Windows only a
// console: the NUL device is a character device too, but nobody types there.
bool is_terminal(int fd);

// Descriptors that the pause's command does not inherit; -1 on failure.
// Reading: an existing file that is not a folder.
int open_for_reading(const char* name);
// Writing: created when absent; an existing file is left as it is.
int open_for_writing(const char* name);

// As read and write: the count of bytes, 0 at the end of input, -1 on
// failure (errno EINTR: interrupted, try again).
int read_bytes(int fd, char* buffer, int size);
int write_bytes(int fd, const char* data, int size);
bool close_file(int fd);

// Moves the file position by `offset` bytes / to the start; false when the
// descriptor cannot seek (a pipe, a terminal).
bool seek_relative(int fd, std::int64_t offset);
bool seek_to_start(int fd);

// Cuts a regular file to nothing; a device or a pipe has nothing to cut and
// is left alone. False when the system refuses.
bool empty_if_regular(int fd);

// True for a character that separates folders in a file name: '/'
// everywhere, '\' as well on Windows.
//   '/' -> true   '.' -> false   '\\' -> true on Windows only
bool is_folder_separator(char c);

// What tells two names of one file apart from names of two files: hard and
// symbolic links to a file share its identity. POSIX: device and inode;
// Windows: volume serial number and file index.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool directory = false;
  bool regular = false;  // a plain file: not a folder, device, pipe or socket
  bool operator==(const FileId& other) const {
    return device == other.device && inode == other.inode;
  }
};

// The identity of the file `name` refers to, links followed; false when no
// such file can be looked at (errno tells why).
bool identify_file(const char* name, FileId& id);

// The name `name` leads to once every symbolic link on its last part is
// followed, also to a file that does not exist (a dangling link), into
// `path` (`size` bytes); a link relative to its folder is joined to it.
// False when the result does not fit or the links loop. Windows: the name.
//   "s.json" -> link to "out/m_mvd.pdb" -> "out/m_mvd.pdb"
//   "d/l" -> link to "../x.pdb"         -> "d/../x.pdb"
bool follow_links(const char* name, char* path, int size);

}  // namespace formatted_io
