#!/usr/bin/env bash
# The README's install command on a copy of the sources: a virtual
# environment over the system's site packages (Debian's pip refuses to
# install into the system Python itself), pip with no package index, then
# the installed module run on the bundled pair.
#
#   pip_install_test.sh <python> <source dir> <scratch dir>
#
# Exits with status 77 (skipped) where venv or pip is missing.
set -euo pipefail
python=$1 source=$2 work=$3

"$python" -c "import venv, ensurepip" 2>/dev/null ||
  { echo "SKIPPED: venv or ensurepip is missing (python3-venv)"; exit 77; }

rm -rf "$work"
mkdir -p "$work/src"
# The sources as a fresh clone has them, without builds.
tar -C "$source" --exclude=./build --exclude=./.git --exclude='*.egg-info' -cf - . |
  tar -C "$work/src" -xf -
"$python" -m venv --system-site-packages "$work/venv"
(cd "$work/src" && "$work/venv/bin/python" -m pip install --no-build-isolation --no-index . \
  >"$work/pip.log" 2>&1) || { tail -40 "$work/pip.log"; echo "pip install failed" >&2; exit 1; }

mkdir "$work/run"
cp "$source/examples/1hpv_chainA.pdb" "$source/examples/1hpv_chainB.pdb" "$work/run"
cd "$work/run"
"$work/venv/bin/python" - "$source/examples/expected/1hpv_chainB_mvd.pdb" <<'PY'
import sys
import torvex
assert torvex.__file__.startswith(sys.prefix), torvex.__file__
fit = torvex.legacy_fit("1hpv_chainA.pdb", "1hpv_chainB.pdb", "1hpv_chainB_mvd.pdb")
assert fit.n == 758
with open("1hpv_chainB_mvd.pdb", "rb") as made, open(sys.argv[1], "rb") as expected:
    assert made.read() == expected.read(), "results file differs"
print(f"pip: torvex {torvex.__version__} installed in {sys.prefix}, example as expected")
PY
