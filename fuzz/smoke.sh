#!/usr/bin/env bash
# A few seconds of every fuzz target, so that each keeps building and finding
# nothing: the libFuzzer targets, the whole-program harness under afl-fuzz,
# and the mutation runs, redirected and on a terminal. Any finding fails.
# The long runs are described in fuzz/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

source .ci/tools.sh
want afl-fuzz afl++
install_wanted fuzz-smoke

work=$(mktemp -d -t torvex-fuzz-smoke.XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
ctest --preset fuzz

if [[ ! -x build/release/torvex ]]; then
  cmake --preset release >/dev/null && cmake --build --preset release -j2 --target torvex
fi
program=$PWD/build/release/torvex
cmake --preset afl >/dev/null
cmake --build --preset afl -j2 --target torvex_afl

# The harness runs the program as shipped: each seed, split here on its own,
# gives the same output, status and files from the release program.
for seed in fuzz/corpus/whole_program/*; do
  rm -rf "$work/split" && mkdir "$work/split"
  python3 - "$seed" "$work" <<'PYTHON'
import sys
parts = open(sys.argv[1], 'rb').read().split(b'\n%%\n', 3)
open(sys.argv[2] + '/stdin', 'wb').write(parts[0])
for name, part in zip(('t.pdb', 'm.pdb', 'f.pdb'), parts[1:]):
    open(sys.argv[2] + '/split/' + name, 'wb').write(part)
PYTHON
  status=0
  (cd "$work/split" && exec "$program") <"$work/stdin" >"$work/stdout" 2>&1 || status=$?
  harness_status=0
  TORVEX_FUZZ_DIR="$work/harness" build/afl/torvex_afl "$seed" >"$work/harness.stdout" 2>&1 ||
    harness_status=$?
  if [[ $status != "$harness_status" ]] || ! cmp "$work/stdout" "$work/harness.stdout" ||
     ! diff -r "$work/split" "$work/harness"; then
    echo "the harness runs $seed otherwise than the program (status $status, $harness_status)"
    exit 1
  fi
done

# The long runs use a one-second limit; a loaded machine gets more here.
if ! AFL_NO_UI=1 AFL_NO_AFFINITY=1 AFL_SKIP_CPUFREQ=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 \
     TORVEX_FUZZ_DIR="$work/run" afl-fuzz -i fuzz/corpus/whole_program -o "$work/afl" -t 5000 \
     -x fuzz/whole_program.dict -V 5 -- build/afl/torvex_afl @@ >"$work/afl.log" 2>&1; then
  cat "$work/afl.log"
  exit 1
fi
stats=$work/afl/default/fuzzer_stats
grep -E '^(execs_done|edges_found|saved_crashes|saved_hangs) ' "$stats"
if grep -qE '^saved_(crashes|hangs) +: [1-9]' "$stats"; then
  echo "afl-fuzz findings kept in:" "$work"/afl/default/{crashes,hangs}
  trap - EXIT
  exit 1
fi

fuzz/run_mutations.sh build/release/torvex 20 1
fuzz/run_mutations.sh --terminal build/release/torvex 20 1
