// Results files for a library caller: the program's header and record
// passes. The moved atoms come from moving the file's own coordinate fields
// with the fit, the same bits as the fit's moved atoms when the file is the
// one that was fitted, and still the right atoms when it is not.
#include "torvex/results.hpp"

#include <memory>

#include "fit/rotation.hpp"
#include "library/run.hpp"
#include "library/sets.hpp"
#include "output/record_pass.hpp"
#include "output/results_header.hpp"
#include "structure/reader.hpp"

namespace torvex {

void write_results(const FitResult& fit, const std::string& moving_file,
                   const std::string& results_file, const std::string& target_name, Report report) {
  const auto engine_fit = library::to_engine(fit);
  if (fit.n == 0) throw Error(Error::Kind::NoAtoms, 0, "no atoms fitted");
  const library::NameField target(target_name);
  const library::NameField moving(moving_file);
  const library::NameField results(results_file);
  auto moved = std::make_unique<structure::AtomSet>();
  library::Run run(report);
  run.open_structure(library::STRUCTURE, moving_file);
  run.open_results(library::RESULTS, results_file, moving_file);
  run.guarded([&] {
    structure::read_structure(run.io(), library::STRUCTURE, *moved);
    for (int k = 0; k < moved->count; ++k) {
      float point[3] = {moved->xyz[0][k], moved->xyz[1][k], moved->xyz[2][k]};
      fit::transform_point(*engine_fit, point);
      for (int c = 0; c < 3; ++c) moved->xyz[c][k] = point[c];
    }
    moved->count = fit.n;
    output::write_results_header(run.io(), target.text, moving.text, results.text, *engine_fit);
    output::run_results_pass(run.io(), moving.text, results.text, *moved, *engine_fit);
  });
}

void write_moved(const FitResult& fit, const std::string& structure_file,
                 const std::string& results_file, Report report) {
  const auto engine_fit = library::to_engine(fit);
  const library::NameField results(results_file);
  library::Run run(report);
  run.open_structure(library::STRUCTURE, structure_file);
  run.open_results(library::RESULTS, results_file, structure_file);
  run.guarded([&] {
    output::run_further_pass(run.io(), results.text, *engine_fit);
    // Closed here, not by the run's end: a failure to write out the last
    // records must reach the caller.
    formatted_io::close_channel(run.io(), library::STRUCTURE);
    formatted_io::close_channel(run.io(), library::RESULTS);
  });
}

}  // namespace torvex
