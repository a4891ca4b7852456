// Conversions between the public types and the engine's fixed-size records.
#pragma once

#include <memory>

#include "fit/fit_result.hpp"
#include "structure/atom_set.hpp"
#include "torvex/fit.hpp"
#include "torvex/structure.hpp"

namespace library {

// The engine's atom set of `set`; Error TooManyAtoms beyond MAX_ATOMS.
std::unique_ptr<structure::AtomSet> to_engine(const torvex::AtomSet& set);

// The engine's fit of `fit`: what the results passes read (centres,
// translation, rotation, r.m.s. deviation, deviation table); Error
// InvalidFit when n is negative, beyond MAX_ATOMS or beyond its rows.
std::unique_ptr<fit::FitResult> to_engine(const torvex::FitResult& fit);

}  // namespace library
