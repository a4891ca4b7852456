#!/usr/bin/env bash
# The release packages, each built by cpack from its own build and checked:
#
#   build/packages/torvex_<version>_amd64.deb            release preset
#   build/packages/torvex-dev_<version>_amd64.deb        release preset
#   build/packages/torvex-<version>-linux-x86_64.tar.gz  static preset
#   build/packages/torvex-<version>-windows-x86_64.zip   windows preset
#
# The archives are unpacked and the program in each run on the example it
# carries (the Windows program under Wine) and on two gzip-compressed
# structure pairs; the Debian packages have their own test in the suite
# (install.deb) and must pass lintian here without an error or a warning.
#
#   bash .ci/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build/packages
work=$root/build/package-check

# Tools, installed when missing.
source .ci/tools.sh
want cmake cmake
want g++ g++
want dpkg-shlibdeps dpkg-dev
want file file
want lintian lintian
want x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
want wine wine wine64
install_wanted package

fail() {
  echo "package: $*" >&2
  exit 1
}

version=$(sed -n 's/^project(torvex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf "$out" "$work"
mkdir -p "$out" "$work"
for preset in release static windows; do
  echo "package: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 >"$work/$preset.build.log" 2>&1 ||
    { tail -50 "$work/$preset.build.log"; fail "$preset: build failed"; }
  (cd "build/$preset" && cpack -B "$out" >"$work/$preset.cpack.log" 2>&1) ||
    { cat "$work/$preset.cpack.log"; fail "$preset: cpack failed"; }
done
rm -rf "$out/_CPack_Packages"

# Runs the example in an unpacked folder: PROGRAM may be a launcher and the program.
run_example() {
  cmake "-DPROGRAM=$1" "-DEXAMPLES=$2" "-DSCRATCH=$work/run-$3" \
        -P tests/app/example_matches.cmake || fail "$3: the example run differs"
}

# The structure run on gzip-compressed mmCIF and PDB pairs, read and written
# through the zlib linked in, against the end-to-end cases' expected bytes.
run_structure() {
  build/release/tests/e2e/e2e_tests "--program=$1" "${@:3}" \
    structure-gzip-mmcif-selections-backbone structure-gzip-pdb-sequence-ca \
    >"$work/structure-$2.log" 2>&1 ||
    { tail -30 "$work/structure-$2.log"; fail "$2: the structure run differs"; }
}

deb=$out/torvex_${version}_amd64.deb
dev=$out/torvex-dev_${version}_amd64.deb
for package in "$deb" "$dev"; do
  [ -f "$package" ] || fail "no $(basename "$package")"
done
# Errors and warnings fail; notes for information (I:) and the like do not.
# (lintian warns that it runs as root, on standard error.)
python=$out/python3-torvex_${version}_amd64.deb  # when pybind11 is installed
lintian --fail-on error,warning "$deb" "$dev" $([ -f "$python" ] && echo "$python") 2>/dev/null ||
  fail "lintian finds the errors or warnings above"

linux=torvex-$version-linux-x86_64
[ -f "$out/$linux.tar.gz" ] || fail "no $linux.tar.gz"
tar -xzf "$out/$linux.tar.gz" -C "$work"
program=$work/$linux/bin/torvex
# Fully static: no program interpreter, so no shared library is ever loaded.
if readelf -l "$program" | grep -q INTERP; then fail "$linux: bin/torvex is not fully static"; fi
[ -f "$work/$linux/share/man/man1/torvex.1" ] || fail "$linux: no manual page"
cmp "$work/$linux/share/doc/torvex/LICENSE" LICENSE || fail "$linux: no LICENSE"
[ "$("$program" --version)" = "torvex $version" ] || fail "$linux: not version $version"
run_example "$program" "$work/$linux/share/doc/torvex/examples" linux
run_structure "$program" linux

windows=torvex-$version-windows-x86_64
[ -f "$out/$windows.zip" ] || fail "no $windows.zip"
(cd "$work" && cmake -E tar xf "$out/$windows.zip")
for file in torvex.exe README.md LICENSE examples/dialogue.txt examples/expected/transcript.txt; do
  [ -f "$work/$windows/$file" ] || fail "$windows: no $file"
done
# Only the system's own DLLs: nothing to ship beside torvex.exe.
dlls=$(x86_64-w64-mingw32-objdump -p "$work/$windows/torvex.exe" | sed -n 's/.*DLL Name: //p' | sort -f | tr '\n' ' ')
[ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "$windows: torvex.exe needs $dlls"
source tests/e2e/wine_env.sh "$root/build/release/wine-prefix"
[ "$(wine "$work/$windows/torvex.exe" --version)" = "torvex $version" ] ||
  fail "$windows: not version $version"
run_example "wine;$work/$windows/torvex.exe" "$work/$windows/examples" windows
run_structure "$work/$windows/torvex.exe" windows --runner=wine --windows

for package in "$deb" "$dev" "$out/$linux.tar.gz" "$out/$windows.zip"; do
  echo "package: $(basename "$package") $(stat -c %s "$package") bytes"
done
