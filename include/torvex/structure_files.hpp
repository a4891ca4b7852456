// Structure files of the structure run: PDB or PDBx/mmCIF, plain or
// gzip-compressed, read into plain arrays and the project's own atom
// identities, and written back moved. Plain C++17: the rooms that read and
// write through gemmi compile as C++17, since gemmi's CIF document type does
// not compile as C++20 with every compiler we build with.
//
// A library built without gemmi has no structure run: read, read_models,
// write_moved (and superpose with Match::Sequence) then throw Error of kind
// NotBuilt, "this build has no structure run (...): it was built without
// gemmi".
#pragma once

#include <array>
#include <string>
#include <vector>

#include "torvex/error.hpp"

namespace torvex {

using Xyz = std::array<double, 3>;
using Matrix3 = std::array<std::array<double, 3>, 3>;  // row-major

// The least-squares rigid motion x' = R x + t that brings moving[i] onto
// target[i], found by Kearsley's quaternion method with a Jacobi eigen-solver.
struct RigidFit {
  Matrix3 rotation{};  // R, proper (det +1)
  Xyz translation{};   // t
  double rmsd = 0.0;   // weighted r.m.s. distance after the motion
  // Of the 4x4 quaternion matrix, descending; the last is the weighted
  // residual sum of squares.
  std::array<double, 4> eigenvalues{};
  bool converged = false;  // false: the sweep limit was reached, or a value
                           // is not finite; R and t are then not to be used
};

// x' = R x + t.
Xyz apply_fit(const RigidFit& fit, const Xyz& x);

enum class FileFormat { Pdb, Mmcif };

// What an atom is, as the file names it (author names and numbers).
struct AtomId {
  std::string chain;    // "A"
  int residue_number = 0;
  char insertion_code = ' ';  // ' ' for none
  std::string residue;  // "PRO"
  std::string name;     // "CA"
  std::string element;  // "C"
  enum class Kind : unsigned char { AminoAcid, Nucleotide, Other } kind = Kind::Other;
};

// One model of a structure file as plain arrays: the atoms that passed the
// selection, waters left out and, of alternate locations, the first conformer.
struct Structure {
  std::string path;
  FileFormat format = FileFormat::Pdb;
  bool gzipped = false;
  int model = 1;             // the model read (its number, counted from 1)
  int models = 0;            // models in the file
  std::string selection;     // as given, "" for all
  std::vector<AtomId> atoms;
  std::vector<Xyz> xyz;      // xyz[i] is the position of atoms[i]
};

// Reads model `model` (the first is 1) of a structure file, recognised by its
// content (gzip or not, mmCIF or PDB), keeping the atoms `selection` matches
// (the selection syntax of the field, "/1/A/10-80/CA"; "" for all).
//   read("1k6p.cif", 1, "/1/A//CA") -> 99 atoms, format Mmcif, models 1
// Throws Error: CannotOpen; Unreadable for a file that is no structure file
// or a selection that does not parse; NoSuchModel.
Structure read(const std::string& path, int model = 1, const std::string& selection = "");

// Every model of a file, each as read() gives it: reads the file once.
std::vector<Structure> read_models(const std::string& path, const std::string& selection = "");

// Whether a file (by its content) needs the structure run: gzip or mmCIF.
// A file that does not open gives false.
bool is_modern_file(const std::string& path);

// Writes the whole moving structure file (every model and atom, waters too)
// moved by `fit` to `results_path`, in the moving file's own format and
// compression: a PDB file keeps every byte but columns 31-54 of its ATOM and
// HETATM records; an mmCIF file keeps everything but the values of
// _atom_site.Cartn_x, Cartn_y and Cartn_z.
// Throws Error: CannotOpen; CannotCreate, also when `results_path` is
// `moving_path` under any name; RunTime for a coordinate that no longer
// fits its PDB columns.
void write_moved(const RigidFit& fit, const std::string& moving_path,
                 const std::string& results_path);

// The name of the results file of `moving_path`: its name up to the first
// "." after its last folder separator, "_mvd", and its own extension.
//   "a/1k6p.cif.gz" -> "a/1k6p_mvd.cif.gz", "x.pdb" -> "x_mvd.pdb"
std::string results_name(const std::string& moving_path);

}  // namespace torvex
