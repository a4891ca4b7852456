// TORVEX: superimposes one molecular structure onto another. The program
// takes no arguments; everything it needs is typed at its prompts.
#include <csignal>

#include "app/run_state.hpp"

int main() {
  // A closed pipe on standard output must end the run with a report and
  // status 1, not kill it silently.
  std::signal(SIGPIPE, SIG_IGN);
  // Large and allocated once: the atom sets, the fit and the stream buffers.
  static app::RunState state;
  state.io.console.attach();
  app::run(state);
}
