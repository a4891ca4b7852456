// A build without zlib: plain files only. A gzip-compressed file is named
// for what it is rather than read as a broken structure file.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "model/file_bytes.hpp"
#include "torvex/error.hpp"

namespace model {

using torvex::Error;

FileBytes read_file_head(const std::string& path, int size) {
  FileBytes out;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return out;
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return out;
  out.bytes.assign(static_cast<std::size_t>(size), '\0');
  out.bytes.resize(std::fread(out.bytes.data(), 1, out.bytes.size(), file.get()));
  out.gzipped = is_gzip(out.bytes);
  return out;
}

FileBytes read_file_bytes(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    fail_file(Error::Kind::CannotOpen, path, "a folder");
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) fail_file(Error::Kind::CannotOpen, path, "cannot open");
  FileBytes out;
  char buffer[1 << 16];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) out.bytes.append(buffer, n);
  if (std::ferror(file.get())) fail_file(Error::Kind::RunTime, path, "read failed");
  if (is_gzip(out.bytes)) {
    fail_file(Error::Kind::Unreadable, path,
              "gzip-compressed, and this build reads no gzip (no zlib)");
  }
  return out;
}

void write_file_bytes(const std::string& path, const std::string& bytes, bool gzipped) {
  if (gzipped) fail_file(Error::Kind::CannotCreate, path, "this build writes no gzip (no zlib)");
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) fail_file(Error::Kind::CannotCreate, path, "cannot create");
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fflush(file.get()) != 0) {
    fail_file(Error::Kind::RunTime, path, "write failed");
  }
}

}  // namespace model
