// Atoms pair by what they are. Residues are runs of atoms of one chain,
// number and insertion code; chains pair in the order they first appear, or
// as the caller names them.
#include "superpose/pairing.hpp"

#ifndef TORVEX_NO_STRUCTURE_RUN
#include <gemmi/seqalign.hpp>
#endif

#include <algorithm>
#include <string>
#include <string_view>

#include "model/file_bytes.hpp"

namespace superpose {
namespace {

using torvex::AtomId;
using torvex::Error;
using torvex::Structure;

bool in(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool is_backbone(const AtomId& a) {
  if (a.kind == AtomId::Kind::AminoAcid) return in(a.name, {"N", "CA", "C", "O"});
  if (a.kind == AtomId::Kind::Nucleotide) {
    return in(a.name, {"P", "O5'", "C5'", "C4'", "C3'", "O3'"});
  }
  return false;
}

bool is_trace(const AtomId& a) {
  return (a.kind == AtomId::Kind::AminoAcid && a.name == "CA") ||
         (a.kind == AtomId::Kind::Nucleotide && a.name == "P");
}

struct Residue {
  int first = 0;  // into the chosen atoms
  int end = 0;
};

struct Chain {
  std::string name;
  std::vector<Residue> residues;
};

bool same_residue(const AtomId& a, const AtomId& b) {
  return a.chain == b.chain && a.residue_number == b.residue_number &&
         a.insertion_code == b.insertion_code && a.residue == b.residue;
}

// Chains in the order of their first atom; residues in file order.
std::vector<Chain> group(const Structure& s, const std::vector<int>& atoms) {
  std::vector<Chain> chains;
  for (int k = 0; k < static_cast<int>(atoms.size()); ++k) {
    const AtomId& atom = s.atoms[atoms[k]];
    auto chain = std::find_if(chains.begin(), chains.end(),
                              [&](const Chain& c) { return c.name == atom.chain; });
    if (chain == chains.end()) {
      chains.push_back({atom.chain, {}});
      chain = chains.end() - 1;
    }
    if (!chain->residues.empty() && chain->residues.back().end == k &&
        same_residue(s.atoms[atoms[k - 1]], atom)) {
      ++chain->residues.back().end;
    } else {
      chain->residues.push_back({k, k + 1});
    }
  }
  return chains;
}

struct Side {
  const Structure& s;
  const std::vector<int>& atoms;
  const AtomId& atom(int k) const { return s.atoms[atoms[k]]; }
};

// Atoms of two paired residues by name; backbone only when the names differ.
void pair_residues(const Side& t, const Residue& rt, const Side& m, const Residue& rm,
                   Pairing& out) {
  const bool identical = t.atom(rt.first).residue == m.atom(rm.first).residue;
  bool any = false;
  for (int i = rt.first; i < rt.end; ++i) {
    const AtomId& a = t.atom(i);
    if (!identical && !is_backbone(a)) continue;
    for (int j = rm.first; j < rm.end; ++j) {
      if (m.atom(j).name != a.name) continue;
      out.target_index.push_back(t.atoms[i]);
      out.moving_index.push_back(m.atoms[j]);
      any = true;
      break;
    }
  }
  if (any) {
    ++out.residues_paired;
    if (identical) ++out.residues_identical;
  }
}

void pair_by_number(const Side& t, const Chain& ct, const Side& m, const Chain& cm,
                    Pairing& out) {
  for (const Residue& rt : ct.residues) {
    const AtomId& a = t.atom(rt.first);
    for (const Residue& rm : cm.residues) {
      const AtomId& b = m.atom(rm.first);
      if (a.residue_number == b.residue_number && a.insertion_code == b.insertion_code) {
        pair_residues(t, rt, m, rm, out);
        break;
      }
    }
  }
}

void pair_by_alignment(const Side& t, const Chain& ct, const Side& m, const Chain& cm,
                       Pairing& out) {
#ifdef TORVEX_NO_STRUCTURE_RUN
  // The alignment is gemmi's.
  static_cast<void>(t), static_cast<void>(ct), static_cast<void>(m), static_cast<void>(cm),
      static_cast<void>(out);
  throw Error(Error::Kind::NotBuilt, 0, model::NO_STRUCTURE_RUN);
#else
  std::vector<std::string> target_names;
  std::vector<std::string> moving_names;
  for (const Residue& r : ct.residues) target_names.push_back(t.atom(r.first).residue);
  for (const Residue& r : cm.residues) moving_names.push_back(m.atom(r.first).residue);
  const gemmi::AlignmentResult alignment = gemmi::align_string_sequences(
      moving_names, target_names, {}, gemmi::prepare_blosum62_scoring());
  // The moving chain is the query: I steps over a moving residue, D over a
  // target residue.
  std::size_t i = 0;
  std::size_t j = 0;
  for (const gemmi::AlignmentResult::Item& item : alignment.cigar) {
    for (std::uint32_t k = 0; k < item.len(); ++k) {
      switch (item.op()) {
        case 'M':
          pair_residues(t, ct.residues[j++], m, cm.residues[i++], out);
          break;
        case 'I':
          ++i;
          break;
        default:
          ++j;
          break;
      }
    }
  }
#endif
}

const Chain* find_chain(const std::vector<Chain>& chains, const std::string& name) {
  for (const Chain& c : chains) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

}  // namespace

std::vector<int> chosen_atoms(const Structure& s, torvex::AtomChoice choice) {
  std::vector<int> out;
  for (int i = 0; i < static_cast<int>(s.atoms.size()); ++i) {
    const AtomId& a = s.atoms[i];
    bool keep = true;
    switch (choice) {
      case torvex::AtomChoice::All:
        break;
      case torvex::AtomChoice::Heavy:
        keep = a.element != "H" && a.element != "D";
        break;
      case torvex::AtomChoice::Backbone:
        keep = is_backbone(a);
        break;
      case torvex::AtomChoice::Ca:
        keep = is_trace(a);
        break;
    }
    if (keep) out.push_back(i);
  }
  return out;
}

Pairing pair_atoms(const Structure& target, const std::vector<int>& target_atoms,
                   const Structure& moving, const std::vector<int>& moving_atoms,
                   const torvex::Options& options) {
  Pairing out;
  if (options.match == torvex::Match::Order) {
    if (target_atoms.size() != moving_atoms.size() && !options.yes) {
      throw Error(Error::Kind::CountMismatch, 0,
                  "atoms paired by order, but the target has " +
                      std::to_string(target_atoms.size()) + " and the moving structure " +
                      std::to_string(moving_atoms.size()));
    }
    const std::size_t n = std::min(target_atoms.size(), moving_atoms.size());
    out.target_index.assign(target_atoms.begin(), target_atoms.end());
    out.moving_index.assign(moving_atoms.begin(), moving_atoms.end());
    out.target_index.resize(n);
    out.moving_index.resize(n);
    // Residues counted as they change along the pairs.
    for (std::size_t k = 0; k < n; ++k) {
      const AtomId& a = target.atoms[out.target_index[k]];
      const AtomId& b = moving.atoms[out.moving_index[k]];
      if (k > 0 && same_residue(target.atoms[out.target_index[k - 1]], a) &&
          same_residue(moving.atoms[out.moving_index[k - 1]], b)) {
        continue;
      }
      ++out.residues_paired;
      if (a.residue == b.residue) ++out.residues_identical;
    }
    return out;
  }
  const Side t{target, target_atoms};
  const Side m{moving, moving_atoms};
  const std::vector<Chain> target_chains = group(target, target_atoms);
  const std::vector<Chain> moving_chains = group(moving, moving_atoms);
  std::vector<std::pair<const Chain*, const Chain*>> chain_pairs;
  if (options.chains.empty()) {
    const std::size_t n = std::min(target_chains.size(), moving_chains.size());
    for (std::size_t k = 0; k < n; ++k) chain_pairs.emplace_back(&target_chains[k], &moving_chains[k]);
  } else {
    for (const auto& [a, b] : options.chains) {
      const Chain* ct = find_chain(target_chains, a);
      const Chain* cm = find_chain(moving_chains, b);
      if (ct == nullptr || cm == nullptr) {
        throw Error(Error::Kind::NoFit, 0,
                    "no chain '" + (ct == nullptr ? a : b) + "' among the selected " +
                        (ct == nullptr ? "target" : "moving") + " atoms");
      }
      chain_pairs.emplace_back(ct, cm);
    }
  }
  for (const auto& [ct, cm] : chain_pairs) {
    if (options.match == torvex::Match::Sequence) {
      pair_by_alignment(t, *ct, m, *cm, out);
    } else {
      pair_by_number(t, *ct, m, *cm, out);
    }
  }
  return out;
}

}  // namespace superpose
