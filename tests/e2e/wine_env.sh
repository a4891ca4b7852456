#!/usr/bin/env bash
# The Wine environment of the Windows program's runs, in this one place:
# sourced by .ci/cross_check.sh, .ci/package.sh and windows_setup.sh, and
# run as a wrapper by the tests of tests/e2e/CMakeLists.txt:
#
#   source tests/e2e/wine_env.sh PREFIX       the variables, wine_ready, wine_stop
#   tests/e2e/wine_env.sh PREFIX COMMAND...   COMMAND run with the variables
#
# PREFIX is the Wine prefix, a folder of the build that uses it.
export WINEPREFIX=$1 WINEDEBUG=-all
# No downloads of optional Wine parts, no windows on a display.
export WINEDLLOVERRIDES=mscoree,mshtml= DISPLAY=

# The prefix, made once (a first start is slow), and a wine server for it
# that stays up between the runs: a run started while a server shuts down
# can fail with no output at all. wine_stop ends that server.
wine_ready() {
  if [ ! -e "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init
    # wineboot returns before the prefix is written out.
    wineserver --wait
  fi
  # Refused when a server already runs for the prefix; that one serves.
  wineserver --persistent </dev/null >/dev/null 2>&1 || true
}
wine_stop() {
  wineserver --kill 2>/dev/null || true
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  shift
  exec "$@"
fi
