#!/usr/bin/env bash
# Setup of the end-to-end cases run on the Windows program under Wine:
#
#   windows_setup.sh build <source dir> <program>
#       the Windows program, through the `windows` preset (MinGW-w64)
#   windows_setup.sh wine <wine command>
#       the Wine prefix named by WINEPREFIX, made once (a first start is slow),
#       and a wine server for it that stays up between the cases: a case
#       started while a server shuts down can fail with no output at all
#   windows_setup.sh stop
#       that server stopped, after the last case
#
# A step whose tool is missing exits with status 77, which CTest reports as
# skipped; the cases then skip themselves.
set -euo pipefail

skip() {
  echo "SKIPPED: $1"
  exit 77
}

case $1 in
  build)
    if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
      # A program left from an earlier build would no longer match the sources.
      rm -f "$3"
      skip "x86_64-w64-mingw32-g++-posix (g++-mingw-w64-x86-64-posix) is not installed"
    fi
    cd "$2"
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target torvex
    ;;
  wine)
    command -v "$2" >/dev/null || skip "$2 (packages wine, wine64) is not installed"
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
      "$2" wineboot --init
      # wineboot returns before the prefix is written out.
      wineserver --wait
    fi
    # Refused when a server already runs for the prefix; that one serves.
    wineserver --persistent </dev/null >/dev/null 2>&1 || true
    ;;
  stop)
    command -v wineserver >/dev/null || skip "wineserver (package wine) is not installed"
    wineserver --kill || true
    ;;
esac
