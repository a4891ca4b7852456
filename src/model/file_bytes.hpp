// Whole structure files as bytes, gzip-compressed or not: recognised by
// their first bytes, never by their names. Compression lives in one file per
// way of doing it: compression_zlib.cpp, or compression_none.cpp for a
// build without zlib, which reads and writes plain files only.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "torvex/error.hpp"

namespace model {

struct FileBytes {
  std::string bytes;  // uncompressed
  bool gzipped = false;
};

// A C stream closed when it goes out of scope, for both ways of compression.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Throws torvex::Error of `kind` whose message is "path: why".
[[noreturn]] void fail_file(torvex::Error::Kind kind, const std::string& path,
                            const std::string& why);

// The file's bytes, inflated when it is gzip-compressed.
// Throws torvex::Error: CannotOpen when it does not open or is a folder;
// Unreadable when its compressed data are damaged.
FileBytes read_file_bytes(const std::string& path);

// Writes `bytes` to `path`, created or cut; gzip-compressed when `gzipped`,
// with a header that names no time and the same system on every platform, so
// that the same bytes come out everywhere.
// Throws torvex::Error: CannotCreate; RunTime when writing fails.
void write_file_bytes(const std::string& path, const std::string& bytes, bool gzipped);

// At most the first `size` bytes, inflated; nothing for a file that does
// not open.
FileBytes read_file_head(const std::string& path, int size);

// Whether the bytes are PDBx/mmCIF (a data block first, after blanks and
// comments) rather than PDB.
bool is_mmcif(std::string_view bytes);

// Whether the bytes open a gzip stream.
bool is_gzip(std::string_view bytes);

// Whether this build reads and writes structure files (it was built with
// gemmi); when not, every call that would is refused with this message.
bool has_structure_run();
inline constexpr const char* NO_STRUCTURE_RUN =
    "this build has no structure run (PDBx/mmCIF, gzip-compressed files and its options): "
    "it was built without gemmi";

}  // namespace model
