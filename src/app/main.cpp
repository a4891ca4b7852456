// TORVEX: superimposes one molecular structure onto another. Without
// arguments everything it needs is typed at its prompts; with them, the
// answers are given on the command line.
#include "app/command_line.hpp"
#include "app/run_state.hpp"
#include "formatted_io/platform.hpp"

int main(int argc, char** argv) {
  // Before the first byte: the streams as the program expects them.
  formatted_io::prepare_standard_streams();
  // Large and allocated once: the atom sets, the fit and the stream buffers.
  static app::RunState state;
  if (argc > 1) {
    const int status = app::read_command_line(argc, argv, state);
    if (status != app::RUN_GOES_ON) return status;
  } else {
    state.io.console.attach();
  }
  app::run(state);
}
