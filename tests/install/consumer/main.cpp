// A program outside the TORVEX tree, built against an installed copy of the
// core library: it opens two structure files and a results file by name,
// reads both structures, fits them with the compute functions (no console
// report) and writes the results header. Its header must be the one the
// program writes for the same pair, byte for byte.
#include <algorithm>
#include <cstring>

#include "fit/fit_result.hpp"
#include "fit/jacobi.hpp"
#include "fit/quaternion.hpp"
#include "fit/rotation.hpp"
#include "formatted_io/records.hpp"
#include "formatted_io/stops.hpp"
#include "output/names.hpp"
#include "output/results_header.hpp"
#include "structure/atom_set.hpp"
#include "structure/reader.hpp"

namespace {

constexpr formatted_io::Unit TARGET = formatted_io::Unit::Target;
constexpr formatted_io::Unit MOVING = formatted_io::Unit::Structure;
constexpr formatted_io::Unit RESULTS = formatted_io::Unit::Results;

// The run keeps every file name as a blank-padded field.
struct NameField {
  explicit NameField(const char* name) {
    std::memset(text, ' ', output::NAME_LEN);
    std::memcpy(text, name, std::strlen(name));
  }
  char text[output::NAME_LEN];
};

}  // namespace

int main() {
  // Large: kept out of the stack, as the program does.
  static formatted_io::Io io;
  static structure::AtomSet target;
  static structure::AtomSet moving;
  static fit::FitResult fit;
  io.console.attach();

  const NameField target_name("1hpv_chainA.pdb");
  const NameField moving_name("1hpv_chainB.pdb");
  const NameField results_name("1hpv_chainB_mvd.pdb");
  if (!formatted_io::open_existing(io, TARGET, target_name.text, output::NAME_LEN) ||
      !formatted_io::open_existing(io, MOVING, moving_name.text, output::NAME_LEN) ||
      !formatted_io::open_output(io, RESULTS, results_name.text, output::NAME_LEN)) {
    formatted_io::stop_run(io, "consumer: a file did not open", 2);
  }

  structure::read_structure(io, TARGET, target);
  structure::read_structure(io, MOVING, moving);
  const int n = std::min(target.count, moving.count);
  if (n == 0) formatted_io::stop_run(io, "consumer: no atoms", 3);

  fit::compute_quaternion_matrix(target, moving, n, fit);
  fit.converged = fit::jacobi(&fit.q[0][0], 4, 4, fit.eigenvalues, &fit.eigenvectors[0][0],
                              fit.rotations, fit.work);
  fit::sort_eigenpairs(fit.eigenvalues, &fit.eigenvectors[0][0], 4, 4);
  fit::compute_rotation_and_move(target, moving, n, fit);
  output::write_results_header(io, target_name.text, moving_name.text, results_name.text, fit);

  // Closes the channels, writing out the buffered header.
  formatted_io::stop_run(io, "consumer done");
}
