// The TORVEX library: read structure files, superpose two atom sets and
// write results files with the program's own code.
//
//   torvex::AtomSet target = torvex::read_structure("1hpv_chainA.pdb");
//   torvex::AtomSet moving = torvex::read_structure("1hpv_chainB.pdb");
//   torvex::FitResult fit = torvex::superpose(target, moving);
//   torvex::write_results(fit, "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb", "1hpv_chainA.pdb");
//
// Today's structure files, paired by atom identity and fitted in double
// precision, are the structure run of torvex/structure_run.hpp.
//
// Every failure is a torvex::Error; the calls share no state, so separate
// threads may make them at the same time.
#pragma once

#include "torvex/error.hpp"
#include "torvex/fit.hpp"
#include "torvex/results.hpp"
#include "torvex/structure.hpp"
#include "torvex/structure_run.hpp"
