// Fuzzes the structure file reader on arbitrary bytes. The bytes become a
// file (in memory, opened by name like any structure file) that is read on
// the target channel; the atoms stored are compared with a model of the reader's line
// rules: lines end at LF, their data at CR; the first 80 characters, padded
// with blanks, are the line; at most 10000 lines are read; a line is an atom
// when columns 1-6 are "ATOM  " or "HETATM" and columns 18-20 are not "HOH".
//
// A coordinate field that is no number ends the run by design: the reader
// throws the run's stop, which nobody here catches and libFuzzer would
// count as a crash. The model therefore reads the coordinate fields of every
// atom line first and skips inputs that would stop the run. The field reader
// itself is fuzzed on its own, so skipping these inputs hides nothing of it;
// a stop on an input the model accepted still shows up as a crash.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "formatted_io/real_fields.hpp"
#include "formatted_io/records.hpp"
#include "structure/reader.hpp"

namespace {

using structure::AtomSet;
using structure::LINE_LEN;
using structure::MAX_ATOMS;

constexpr formatted_io::Unit TARGET = formatted_io::Unit::Target;

struct ModelAtom {
  float xyz[3];
  char residue[3];
  char atom_type[2];
};

struct Model {
  int count = 0;
  ModelAtom atoms[MAX_ATOMS];
};

// False when reading the file would end the run at a coordinate field.
bool model_read(const std::uint8_t* data, std::size_t size, Model& model) {
  model.count = 0;
  std::size_t at = 0;
  for (int lines = 0; lines < MAX_ATOMS && at < size; ++lines) {
    char line[LINE_LEN];
    std::memset(line, ' ', sizeof line);
    int length = 0;
    bool data_ended = false;
    while (at < size && data[at] != '\n') {
      if (data[at] == '\r') data_ended = true;
      if (!data_ended && length < LINE_LEN) line[length++] = static_cast<char>(data[at]);
      ++at;
    }
    if (at < size) ++at;  // the LF
    if (std::memcmp(line, "ATOM  ", 6) != 0 && std::memcmp(line, "HETATM", 6) != 0) continue;
    if (std::memcmp(line + 17, "HOH", 3) == 0) continue;
    ModelAtom& atom = model.atoms[model.count++];
    int pos = 30;  // columns 31-54, three F8.3 fields
    for (float& coordinate : atom.xyz) {
      if (formatted_io::get_fixed(line, LINE_LEN, pos, 8, 3, coordinate) !=
          formatted_io::FieldStatus::Ok) {
        return false;
      }
    }
    std::memcpy(atom.residue, line + 17, 3);
    std::memcpy(atom.atom_type, line + 14, 2);
  }
  return true;
}

[[noreturn]] void fail(const char* what, int atom) {
  std::fprintf(stderr, "read_structure: %s (atom %d)\n", what, atom + 1);
  std::abort();
}

// Large: kept for the whole run, like the program's own.
formatted_io::Io io;
AtomSet atoms;
Model model;
int file = -1;
char file_name[64];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!model_read(data, size, model)) return 0;

  if (file < 0) {
    file = memfd_create("structure", 0);
    if (file < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    std::snprintf(file_name, sizeof file_name, "/proc/self/fd/%d", file);
  }
  if (ftruncate(file, 0) != 0 ||
      (size > 0 && pwrite(file, data, size, 0) != static_cast<ssize_t>(size))) {
    std::perror("structure file");
    std::abort();
  }
  if (!formatted_io::open_existing(io, TARGET, file_name,
                                   static_cast<int>(std::strlen(file_name)))) {
    fail("the file did not open", -1);
  }
  atoms.count = -1;
  structure::read_structure(io, TARGET, atoms);
  formatted_io::close_channel(io, TARGET);

  if (atoms.count < 0 || atoms.count > MAX_ATOMS) fail("count out of range", atoms.count);
  if (atoms.count != model.count) {
    std::fprintf(stderr, "count %d, model %d\n", atoms.count, model.count);
    fail("count differs from the model", atoms.count);
  }
  for (int k = 0; k < atoms.count; ++k) {
    const ModelAtom& want = model.atoms[k];
    for (int c = 0; c < 3; ++c) {
      const float got = atoms.xyz[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
      if (std::memcmp(&got, &want.xyz[c], sizeof got) != 0) fail("coordinate differs", k);
    }
    if (std::memcmp(atoms.residue[static_cast<std::size_t>(k)].data(), want.residue, 3) != 0) {
      fail("residue name differs", k);
    }
    if (std::memcmp(atoms.atom_type[static_cast<std::size_t>(k)].data(), want.atom_type, 2) != 0) {
      fail("atom type differs", k);
    }
  }
  return 0;
}
