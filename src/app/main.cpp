// TORVEX: superimposes one molecular structure onto another. Without
// arguments everything it needs is typed at its prompts; with them, the
// answers are given on the command line.
#include "app/command_line.hpp"
#include "app/many_run.hpp"
#include "app/run_state.hpp"
#include "app/structure_run.hpp"
#include "formatted_io/platform.hpp"

int main(int argc, char** argv) {
  // Before the first byte: the streams as the program expects them.
  formatted_io::prepare_standard_streams();
  if (app::is_many_run(argc, argv)) return app::many_run(argc, argv);
  // Large and allocated once: the atom sets, the fit and the stream buffers.
  static app::RunState state;
  if (argc > 1) {
    // Today's structure files, or an option only it knows: the structure run.
    if (const int status = app::run_structure(argc, argv); status != app::RUN_GOES_ON) {
      return status;
    }
    const int status = app::read_command_line(argc, argv, state);
    if (status != app::RUN_GOES_ON) return status;
  } else {
    state.io.console.attach();
  }
  app::run(state);
}
