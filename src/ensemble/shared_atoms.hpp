// The short road of an all-against-all run over structures: when every
// member lists the same atoms, every pairing pairs atom i with atom i and
// the atom choice keeps the same atoms of each, so the members can be made
// once and the matrix found from correlation sums alone. The program's run
// and the Python module both take the road here, so that they give the same
// bits for the same members and options.
#pragma once

#include <optional>
#include <span>

#include "ensemble/members.hpp"
#include "torvex/structure_run.hpp"

namespace ensemble {

// The members made of the atoms the pairing of the first structure with
// itself keeps, or nothing when each pair must be paired and fitted on its
// own: a trim (the atoms fitted differ pair by pair), structures that list
// different atoms, chains paired with other chains, or no fit of the first
// structure with itself (each pair then says why).
//   two models of one NMR file, atoms CA -> members of its CA atoms
//   a trim of 2 -> nothing
std::optional<Members> shared_atom_members(std::span<const torvex::Structure* const> structures,
                                           const torvex::Options& options);

}  // namespace ensemble
