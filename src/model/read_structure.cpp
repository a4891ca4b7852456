// Reading through gemmi: the only file of the reading side that includes its
// parsers (they are slow to compile). Everything after this hands on plain
// arrays and the project's own atom identities.
#include <gemmi/cif.hpp>
#include <gemmi/mmcif.hpp>
#include <gemmi/modify.hpp>
#include <gemmi/pdb.hpp>
#include <gemmi/resinfo.hpp>
#include <gemmi/select.hpp>

#include <exception>
#include <string>
#include <utility>

#include "model/file_bytes.hpp"
#include "torvex/structure_files.hpp"

namespace torvex {
namespace {

AtomId::Kind kind_of(const std::string& residue) {
  const gemmi::ResidueInfo info = gemmi::find_tabulated_residue(residue);
  if (info.is_amino_acid()) return AtomId::Kind::AminoAcid;
  if (info.is_nucleic_acid()) return AtomId::Kind::Nucleotide;
  return AtomId::Kind::Other;
}

// Model `index` (from 0) of `st`: waters out, the first conformer of
// alternate locations, then the selection.
Structure take_model(const gemmi::Structure& st, std::size_t index, const gemmi::Selection* sel,
                     const Structure& common) {
  Structure out = common;
  out.model = static_cast<int>(index) + 1;
  gemmi::Model model = st.models[index];
  gemmi::remove_alternative_conformations(model);
  if (sel != nullptr && !sel->matches(model)) return out;
  for (const gemmi::Chain& chain : model.chains) {
    if (sel != nullptr && !sel->matches(chain)) continue;
    for (const gemmi::Residue& residue : chain.residues) {
      if (residue.is_water()) continue;
      if (sel != nullptr && !sel->matches(residue)) continue;
      const AtomId::Kind kind = kind_of(residue.name);
      for (const gemmi::Atom& atom : residue.atoms) {
        if (sel != nullptr && !sel->matches(atom)) continue;
        AtomId id;
        id.chain = chain.name;
        id.residue_number = residue.seqid.num.value;
        id.insertion_code = residue.seqid.icode;
        id.residue = residue.name;
        id.name = atom.name;
        id.element = atom.element.name();
        id.kind = kind;
        out.atoms.push_back(std::move(id));
        out.xyz.push_back({atom.pos.x, atom.pos.y, atom.pos.z});
      }
    }
  }
  return out;
}

// Old files carry a serial number or a file name in columns 73-80 and
// beyond, which gemmi then reads as the charge of columns 79-80 and stops.
// The charge is never used here: those columns are blanked before parsing.
void blank_charges(std::string& bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    if (end - start >= 80 && (bytes.compare(start, 6, "ATOM  ") == 0 ||
                              bytes.compare(start, 6, "HETATM") == 0)) {
      bytes[start + 78] = ' ';
      bytes[start + 79] = ' ';
    }
    start = end + 1;
  }
}

// The file parsed, and what every model read from it shares.
gemmi::Structure parse(const std::string& path, const std::string& selection,
                       Structure& common) {
  model::FileBytes file = model::read_file_bytes(path);
  common.path = path;
  common.gzipped = file.gzipped;
  common.selection = selection;
  common.format = model::is_mmcif(file.bytes) ? FileFormat::Mmcif : FileFormat::Pdb;
  if (common.format == FileFormat::Pdb) blank_charges(file.bytes);
  gemmi::Structure st;
  try {
    st = common.format == FileFormat::Mmcif
             ? gemmi::make_structure(
                   gemmi::cif::read_memory(file.bytes.data(), file.bytes.size(), path.c_str()))
             : gemmi::read_pdb_from_memory(file.bytes.data(), file.bytes.size(), path);
  } catch (const std::exception& e) {
    throw Error(Error::Kind::Unreadable, 0, path + ": not a structure file: " + e.what());
  }
  // A file of another kind, or an mmCIF file without the atom_site columns
  // gemmi needs, reads as no model at all.
  common.models = static_cast<int>(st.models.size());
  if (common.models == 0) throw Error(Error::Kind::Unreadable, 0, path + ": no atoms found");
  return st;
}

gemmi::Selection parse_selection(const std::string& selection) {
  try {
    return gemmi::Selection(selection);
  } catch (const std::exception& e) {
    throw Error(Error::Kind::Unreadable, 0, "selection '" + selection + "': " + e.what());
  }
}

}  // namespace

Structure read(const std::string& path, int model, const std::string& selection) {
  Structure common;
  const gemmi::Structure st = parse(path, selection, common);
  if (model < 1 || model > common.models) {
    throw Error(Error::Kind::NoSuchModel, 0,
                path + ": no model " + std::to_string(model) + " (the file has " +
                    std::to_string(common.models) + ")");
  }
  if (selection.empty()) return take_model(st, static_cast<std::size_t>(model - 1), nullptr, common);
  const gemmi::Selection sel = parse_selection(selection);
  return take_model(st, static_cast<std::size_t>(model - 1), &sel, common);
}

std::vector<Structure> read_models(const std::string& path, const std::string& selection) {
  Structure common;
  const gemmi::Structure st = parse(path, selection, common);
  gemmi::Selection sel;
  if (!selection.empty()) sel = parse_selection(selection);
  std::vector<Structure> out;
  for (std::size_t i = 0; i < st.models.size(); ++i) {
    out.push_back(take_model(st, i, selection.empty() ? nullptr : &sel, common));
  }
  return out;
}

}  // namespace torvex
