// Compression through zlib. Its gz functions read plain files as they are,
// so one reader serves both; the writer drives deflate itself to fix the
// gzip header's bytes.
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "model/file_bytes.hpp"
#include "torvex/error.hpp"

namespace model {

using torvex::Error;

FileBytes read_file_bytes(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error))
    fail_file(Error::Kind::CannotOpen, path, "a folder");
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) fail_file(Error::Kind::CannotOpen, path, "cannot open");
  FileBytes out;
  char buffer[1 << 16];
  for (;;) {
    const int n = gzread(file, buffer, sizeof buffer);
    if (n < 0) {
      gzclose(file);
      fail_file(Error::Kind::Unreadable, path, "damaged gzip data");
    }
    if (n == 0) break;
    out.bytes.append(buffer, static_cast<std::size_t>(n));
  }
  out.gzipped = gzdirect(file) == 0;
  gzclose(file);
  return out;
}

void write_file_bytes(const std::string& path, const std::string& bytes, bool gzipped) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) fail_file(Error::Kind::CannotCreate, path, "cannot create");
  auto put = [&](const char* data, std::size_t n) {
    if (std::fwrite(data, 1, n, file.get()) != n)
      fail_file(Error::Kind::RunTime, path, "write failed");
  };
  if (!gzipped) {
    put(bytes.data(), bytes.size());
  } else {
    z_stream stream{};
    // 15 + 16: a window of 2^15 bytes inside a gzip wrapper.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
      fail_file(Error::Kind::RunTime, path, "cannot compress");
    }
    // No time, and system 3 (Unix) wherever it runs.
    gz_header header{};
    header.os = 3;
    deflateSetHeader(&stream, &header);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    unsigned char out[1 << 16];
    int status = Z_OK;
    while (status != Z_STREAM_END) {
      stream.next_out = out;
      stream.avail_out = sizeof out;
      status = deflate(&stream, Z_FINISH);
      if (status == Z_STREAM_ERROR) {
        deflateEnd(&stream);
        fail_file(Error::Kind::RunTime, path, "cannot compress");
      }
      put(reinterpret_cast<const char*>(out), sizeof out - stream.avail_out);
    }
    deflateEnd(&stream);
  }
  if (std::fflush(file.get()) != 0) fail_file(Error::Kind::RunTime, path, "write failed");
}

FileBytes read_file_head(const std::string& path, int size) {
  FileBytes out;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return out;
  gzFile file = gzopen(path.c_str(), "rb");
  if (file == nullptr) return out;
  out.bytes.assign(static_cast<std::size_t>(size), '\0');
  const int n = gzread(file, out.bytes.data(), static_cast<unsigned>(size));
  out.gzipped = gzdirect(file) == 0;
  gzclose(file);
  out.bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return out;
}

}  // namespace model
