// TORVEX: superimposes one molecular structure onto another. Without
// arguments everything it needs is typed at its prompts; with them, the
// answers are given on the command line.
//
// Every run ends in a thrown stop; here, and only here, a stop becomes the
// console's last words and the exit status. A run from the command line
// adds lines on standard error that a script can act on: why a quiet run
// stopped, which line of which file a run-time error came from, and why a
// complete fit is not to be trusted (status 4).
#include <charconv>
#include <cmath>
#include <string_view>

#include "app/command_line.hpp"
#include "app/dialogue.hpp"
#include "app/many_run.hpp"
#include "app/run_state.hpp"
#include "app/structure_run.hpp"
#include "formatted_io/platform.hpp"
#include "formatted_io/stops.hpp"

namespace {

using std::string_view;

// Fitted and written, but the fit is not to be trusted.
constexpr int DOUBTFUL_STATUS = 4;

bool all_finite(const float* values, int n) {
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(values[i])) return false;
  }
  return true;
}

bool fit_is_finite(const fit::FitResult& fit) {
  return std::isfinite(fit.rms) && all_finite(fit.target_centre, 3) &&
         all_finite(fit.moving_centre, 3) && all_finite(fit.translation, 3) &&
         all_finite(&fit.rotation[0][0], 9);
}

void say_cut(bool cut, const char* field) {
  if (!cut) return;
  char name[app::NAME_LEN + 1];
  char limit[12];
  const auto digits = std::to_chars(limit, limit + sizeof limit, structure::MAX_ATOMS);
  app::write_error_line({"only the first ",
                         string_view(limit, static_cast<std::size_t>(digits.ptr - limit)),
                         " lines of ", app::file_name(field, name),
                         " were read; the structure run reads it whole",
                         " (for example --match order)"});
}

// Why a complete run's fit is doubtful, one line each; false when it is not.
bool say_doubts(const app::RunState& state) {
  say_cut(state.target_cut, state.target_name);
  say_cut(state.moving_cut, state.first_moving_name);
  say_cut(state.further_cut, state.moving_name);
  if (!state.fit.converged) app::write_error_line({"the fit did not converge"});
  const bool finite = fit_is_finite(state.fit);
  if (!finite) app::write_error_line({"the fit is not finite"});
  return state.target_cut || state.moving_cut || state.further_cut || !state.fit.converged ||
         !finite;
}

int end_of_run(app::RunState& state, const formatted_io::Stop& stop) {
  const app::Script& script = state.script;
  // A quiet run that stops for a failure still says why.
  if (script.active && script.quiet_console && !stop.run_time_error && stop.status != 0) {
    string_view message = stop.message;
    while (!message.empty() && message.front() == ' ') message.remove_prefix(1);
    app::write_error_line({message});
  }
  const int status = formatted_io::finish_run(state.io, stop);
  if (!script.active) return status;
  if (stop.run_time_error && stop.line > 0) {
    char line[12];
    const auto digits = std::to_chars(line, line + sizeof line, stop.line);
    app::write_error_line({stop.file, ":",
                           string_view(line, static_cast<std::size_t>(digits.ptr - line)), ": ",
                           stop.detail});
  }
  if (status == 0 && state.completed && say_doubts(state)) return DOUBTFUL_STATUS;
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // Before the first byte: the streams as the program expects them.
  formatted_io::prepare_standard_streams();
  if (app::is_many_run(argc, argv)) return app::many_run(argc, argv);
  // Large and allocated once: the atom sets, the fit and the stream buffers.
  static app::RunState state;
  try {
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
  } catch (const formatted_io::Stop& stop) {
    return end_of_run(state, stop);
  }
}
