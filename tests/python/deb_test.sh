#!/usr/bin/env bash
# The python3-torvex package as users get it: made by cpack from this build,
# its control data and file list read with dpkg-deb, then unpacked into a
# scratch root and the module there imported by Debian's python3 and run on
# the bundled pair.
#
#   deb_test.sh <python> <build dir> <source dir> <scratch dir>
#
# Exits with status 77 (skipped) where dpkg-deb, dpkg-shlibdeps or file is
# missing.
set -euo pipefail
python=$1 build=$2 source=$3 work=$4

for tool in dpkg-deb dpkg-shlibdeps file; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
fail() {
  echo "python3-torvex: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
version=$(sed -n 's/^project(torvex VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
deb=$work/python3-torvex_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb"); made: $(ls "$work")"

info=$(dpkg-deb --info "$deb")
minor=$("$python" -c 'import sys; print(sys.version_info[1])')
for field in "Package: python3-torvex" "Version: $version" "Section: python"; do
  grep -qx " $field" <<<"$info" || fail "control data without '$field':"$'\n'"$info"
done
for dependency in "python3 (>= 3.$minor)" "python3 (<< 3.$((minor + 1)))" python3-numpy libstdc++6; do
  grep '^ Depends:' <<<"$info" | grep -qF "$dependency" ||
    fail "no dependency on $dependency:"$'\n'"$info"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
site=./usr/lib/python3/dist-packages/torvex
for file in __init__.py __init__.pyi errors.py atom.py _torvex.pyi py.typed; do
  grep -qx -- "$site/$file" <<<"$contents" || fail "$site/$file is not in the package"
done
grep -qx -- "$site/_torvex.cpython-3$minor-.*\.so" <<<"$contents" ||
  fail "no extension module for Python 3.$minor in the package"
if grep -vE '^\./usr/(lib/python3/dist-packages/torvex|share/doc/python3-torvex)?/?' \
     <<<"$contents"; then
  fail "files outside the module and its documentation"
fi

dpkg-deb -x "$deb" "$work/root"
mkdir "$work/run"
cp "$source/examples/1hpv_chainA.pdb" "$source/examples/1hpv_chainB.pdb" "$work/run"
cd "$work/run"
PYTHONPATH=$work/root/usr/lib/python3/dist-packages "$python" - \
  "$source/examples/expected/1hpv_chainB_mvd.pdb" "$version" <<'PY'
import sys
import torvex
assert "/root/usr/lib/python3/dist-packages/" in torvex.__file__, torvex.__file__
assert torvex.__version__ == sys.argv[2]
import os
if os.environ.get("TORVEX_STRUCTURE_RUN") != "OFF":
    fit = torvex.superpose(torvex.read("1hpv_chainA.pdb"), torvex.read("1hpv_chainB.pdb"))
    assert fit.atoms_fitted == 758
torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb")
with open("1hpv_chainB_mvd.pdb", "rb") as made, open(sys.argv[1], "rb") as expected:
    assert made.read() == expected.read(), "results file differs"
PY
echo "python3-torvex: $(basename "$deb"), $(stat -c %s "$deb") bytes: contents and example run as expected"
