// torvex_fit: fits one structure file onto another with the TORVEX library
// and writes the results file the program would write for the same names.
//
//   torvex_fit 1hpv_chainA.pdb 1hpv_chainB.pdb 1hpv_chainB_mvd.pdb
//     -> "758 pairs, r.m.s. deviation 0.9627" and the results file
//
// A failure comes back as torvex::Error; this program reports it and ends
// with status 1, another could ask for another file.
#include <cstdio>
#include <torvex/torvex.hpp>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: torvex_fit TARGET MOVING RESULTS\n");
    return 2;
  }
  try {
    const torvex::AtomSet target = torvex::read_structure(argv[1]);
    const torvex::AtomSet moving = torvex::read_structure(argv[2]);
    const torvex::FitResult fit = torvex::superpose(target, moving);
    torvex::write_results(fit, argv[2], argv[3], argv[1]);
    std::printf("%d pairs, r.m.s. deviation %.4f\n", fit.n, static_cast<double>(fit.rms));
  } catch (const torvex::Error& error) {
    std::fprintf(stderr, "torvex_fit: %s\n", error.what());
    return 1;
  }
  return 0;
}
