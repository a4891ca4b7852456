#!/usr/bin/env bash
# The Debian package as users get it: made by cpack from this build, its
# control data and file list read with dpkg-deb, then unpacked into a scratch
# root and the program there run on the example dialogue it carries.
#
#   deb_test.sh <build dir> <source dir> <scratch dir>
#
# Exits with status 77 (skipped) where dpkg-deb is missing.
set -euo pipefail
build=$1 source=$2 work=$3

command -v dpkg-deb >/dev/null || { echo "SKIPPED: dpkg-deb is not installed"; exit 77; }

fail() {
  echo "deb: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
version=$(sed -n 's/^project(torvex VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
deb=$work/torvex_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work")"

info=$(dpkg-deb --info "$deb")
for field in "Package: torvex" "Version: $version" "Architecture: amd64" "Section: science"; do
  grep -qx " $field" <<<"$info" || fail "control data without '$field':"$'\n'"$info"
done
# The C library comes from the system; the C++ runtime is in the program.
grep -q '^ Depends: libc6 ' <<<"$info" || fail "no dependency on libc6:"$'\n'"$info"
if grep '^ Depends:' <<<"$info" | grep -q 'libstdc++'; then
  fail "depends on the shared C++ runtime"
fi

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
doc=./usr/share/doc/torvex
for path in ./usr/bin/torvex ./usr/share/man/man1/torvex.1 "$doc/README.md" \
            "$doc/examples/1hpv_chainA.pdb" "$doc/examples/1hpv_chainB.pdb" \
            "$doc/examples/dialogue.txt" "$doc/examples/expected/transcript.txt" \
            "$doc/examples/expected/1hpv_chainB_mvd.pdb"; do
  grep -qx -- "$path" <<<"$contents" || fail "$path is not in the package"
done
# The example as the repository holds it, nothing more.
examples=$(grep -c "^$doc/examples/.*[^/]\$" <<<"$contents" || true)
[ "$examples" -eq 5 ] || fail "$examples files under $doc/examples, expected 5"
# Only the user's part: the library and its headers are for builds from source.
if grep -E '^\./usr/(lib|include)/' <<<"$contents"; then
  fail "the package holds library files"
fi

dpkg-deb -x "$deb" "$work/root"
grep -q "\"TORVEX $version\"" "$work/root/usr/share/man/man1/torvex.1" ||
  fail "the manual page does not name version $version"
[ "$("$work/root/usr/bin/torvex" --version)" = "torvex $version" ] ||
  fail "the program does not show version $version"
cmake -DPROGRAM="$work/root/usr/bin/torvex" -DEXAMPLES="$work/root/${doc#./}/examples" \
      -DSCRATCH="$work/example-run" -P "$source/tests/app/example_matches.cmake"
echo "deb: $(basename "$deb"), $(stat -c %s "$deb") bytes: contents and example run as expected"
