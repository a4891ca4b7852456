// A build without gemmi: the structure files cannot be read or written, and
// each call says so, and why, rather than failing as if a file were at fault.
#include <string>
#include <vector>

#include "model/file_bytes.hpp"
#include "torvex/structure_files.hpp"

namespace torvex {
namespace {

[[noreturn]] void not_built() {
  throw Error(Error::Kind::NotBuilt, 0, model::NO_STRUCTURE_RUN);
}

}  // namespace

Structure read(const std::string&, int, const std::string&) { not_built(); }

std::vector<Structure> read_models(const std::string&, const std::string&) { not_built(); }

void write_moved(const RigidFit&, const std::string&, const std::string&) { not_built(); }

}  // namespace torvex
