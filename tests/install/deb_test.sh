#!/usr/bin/env bash
# The Debian packages as users get them: made by cpack from this build, their
# control data and file lists read with dpkg-deb, then unpacked into a
# scratch root, the program there run on the example dialogue it carries and
# the example library program built against the torvex-dev files.
#
#   deb_test.sh <build dir> <source dir> <scratch dir>
#
# Exits with status 77 (skipped) where a tool that cpack or the test needs
# is missing: dpkg-deb, and dpkg-shlibdeps with `file`, which find the
# program's shared-library dependencies.
set -euo pipefail
build=$1 source=$2 work=$3

for tool in dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done

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
dev=$work/torvex-dev_${version}_amd64.deb
for package in "$deb" "$dev"; do
  [ -f "$package" ] || fail "no $(basename "$package"); made: $(ls "$work")"
done

info=$(dpkg-deb --info "$deb")
for field in "Package: torvex" "Version: $version" "Architecture: amd64" "Section: science"; do
  grep -qx " $field" <<<"$info" || fail "control data without '$field':"$'\n'"$info"
done
# The C library comes from the system; the C++ runtime is in the program.
grep -q '^ Depends: libc6 ' <<<"$info" || fail "no dependency on libc6:"$'\n'"$info"
if grep '^ Depends:' <<<"$info" | grep -q 'libstdc++'; then
  fail "depends on the shared C++ runtime"
fi
info=$(dpkg-deb --info "$dev")
for field in "Package: torvex-dev" "Version: $version" "Section: libdevel"; do
  grep -qx " $field" <<<"$info" || fail "torvex-dev: control data without '$field':"$'\n'"$info"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
doc=./usr/share/doc/torvex
for path in ./usr/bin/torvex ./usr/share/man/man1/torvex.1.gz "$doc/README.md" \
            "$doc/copyright" "$doc/changelog.gz" \
            "$doc/examples/1hpv_chainA.pdb" "$doc/examples/1hpv_chainB.pdb" \
            "$doc/examples/dialogue.txt" "$doc/examples/expected/transcript.txt" \
            "$doc/examples/expected/1hpv_chainB_mvd.pdb"; do
  grep -qx -- "$path" <<<"$contents" || fail "$path is not in the package"
done
# The example as the repository holds it, nothing more.
examples=$(grep -c "^$doc/examples/.*[^/]\$" <<<"$contents" || true)
[ "$examples" -eq 5 ] || fail "$examples files under $doc/examples, expected 5"
# The user's part only; the licence only in the copyright file.
if grep -E '^\./usr/(lib|include)/|/LICENSE$|\.1$' <<<"$contents"; then
  fail "the package holds the files above"
fi

dev_contents=$(dpkg-deb --contents "$dev" | awk '{print $6}' | grep -v '/$')
expected_dev=$( (cd "$source/include" && find torvex -name '*.hpp' | sed 's|^|./usr/include/|')
  printf '%s\n' ./usr/lib/libtorvex_core.a ./usr/share/doc/torvex-dev/copyright \
    ./usr/share/doc/torvex-dev/changelog.gz ./usr/lib/cmake/torvex/torvexConfig.cmake \
    ./usr/lib/cmake/torvex/torvexConfigVersion.cmake ./usr/lib/cmake/torvex/torvexTargets.cmake)
missing=$(comm -13 <(sort <<<"$dev_contents") <(sort <<<"$expected_dev"))
[ -z "$missing" ] || fail "not in torvex-dev:"$'\n'"$missing"
if grep -E '^\./usr/(bin|share/man)/' <<<"$dev_contents"; then
  fail "torvex-dev holds the program's files above"
fi

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -x "$dev" "$work/root"
root_doc=$work/root/${doc#./}
# Compressed as Debian wants: no name or time stamp in the gzip header.
for file in "$work/root/usr/share/man/man1/torvex.1.gz" "$root_doc/changelog.gz"; do
  header=$(od -An -tx1 -N10 "$file" | tr -d ' \n')
  [ "$header" = 1f8b0800000000000203 ] || fail "$file: gzip header $header, not gzip -n -9"
done
gzip -dc "$work/root/usr/share/man/man1/torvex.1.gz" | cmp - "$build/docs/torvex.1" ||
  fail "the manual page is not the build's"
grep -q "\"TORVEX $version\"" "$build/docs/torvex.1" ||
  fail "the manual page does not name version $version"
gzip -dc "$root_doc/changelog.gz" | head -1 | grep -qx "torvex ($version) unstable; urgency=medium" ||
  fail "the changelog does not open with version $version"

# The copyright file: machine-readable, and its licence text that of LICENSE,
# word for word (paragraph breaks are " ." lines there).
copyright=$root_doc/copyright
cmp "$copyright" "$work/root/usr/share/doc/torvex-dev/copyright" ||
  fail "the two packages' copyright files differ"
head -1 "$copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright: not in the machine-readable format"
grep -qx 'Files: \*' "$copyright" || fail "copyright: no 'Files: *'"
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$source/LICENSE")" "$copyright" ||
  fail "copyright: not LICENSE's holder"
grep -qx 'License: Expat' "$copyright" || fail "copyright: not 'License: Expat'"
# Continuation lines start with a blank, and a paragraph break is " .".
if sed '1,/^License: Expat$/d' "$copyright" | grep -v '^ '; then
  fail "copyright: the licence lines above do not start with a blank"
fi
licence=$(sed '1,/^License: Expat$/d' "$copyright" | sed 's/^ \.$//; s/^ //')
[ "$licence" = "$(sed '1,/^Copyright (c)/d' "$source/LICENSE" | sed '/./,$!d')" ] ||
  fail "copyright: the licence text is not LICENSE's"

[ "$("$work/root/usr/bin/torvex" --version)" = "torvex $version" ] ||
  fail "the program does not show version $version"
cmake -DPROGRAM="$work/root/usr/bin/torvex" -DEXAMPLES="$root_doc/examples" \
      -DSCRATCH="$work/example-run" -P "$source/tests/app/example_matches.cmake"

# The library example, built against the unpacked torvex-dev alone.
consumer=$work/consumer
cmake -S "$source/examples/library" -B "$consumer" -DCMAKE_PREFIX_PATH="$work/root/usr" \
      -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON -DCMAKE_BUILD_TYPE=Release \
      >"$work/consumer.log" 2>&1 && cmake --build "$consumer" >>"$work/consumer.log" 2>&1 ||
  { cat "$work/consumer.log"; fail "the library example does not build against torvex-dev"; }
grep -q "torvex_DIR:PATH=$work/root/usr/lib/cmake/torvex" "$consumer/CMakeCache.txt" ||
  fail "the library example found another torvex: $(grep torvex_DIR "$consumer/CMakeCache.txt")"
mkdir "$work/consumer-run"
cp "$source/examples/1hpv_chainA.pdb" "$source/examples/1hpv_chainB.pdb" "$work/consumer-run"
(cd "$work/consumer-run" && "$consumer/torvex_fit" 1hpv_chainA.pdb 1hpv_chainB.pdb 1hpv_chainB_mvd.pdb >/dev/null)
cmp "$work/consumer-run/1hpv_chainB_mvd.pdb" "$source/examples/expected/1hpv_chainB_mvd.pdb" ||
  fail "the library example's results file differs"
echo "deb: $(basename "$deb") $(stat -c %s "$deb") bytes, $(basename "$dev") $(stat -c %s "$dev") bytes:" \
     "contents, example run and library example as expected"
