#!/usr/bin/env bash
# Setup of the end-to-end cases run on the Windows program under Wine:
#
#   windows_setup.sh build <source dir> <program>
#       the Windows program, through the `windows` preset (MinGW-w64)
#   windows_setup.sh wine <prefix>
#       the Wine prefix and a server that stays up between the cases
#       (wine_env.sh says why)
#   windows_setup.sh stop <prefix>
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
    command -v wine >/dev/null || skip "wine (packages wine, wine64) is not installed"
    source "$(dirname "$0")/wine_env.sh" "$2"
    wine_ready
    ;;
  stop)
    command -v wineserver >/dev/null || skip "wineserver (package wine) is not installed"
    source "$(dirname "$0")/wine_env.sh" "$2"
    wine_stop
    ;;
esac
