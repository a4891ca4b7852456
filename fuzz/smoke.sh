#!/usr/bin/env bash
# A few seconds of every fuzz target, so that each keeps building and finding
# nothing: the libFuzzer targets, the whole-program harness under afl-fuzz,
# and the mutation runs, redirected and on a terminal. Any finding fails.
# The long runs are described in fuzz/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v afl-fuzz >/dev/null; then
  apt-get update -qq && apt-get install -y -qq afl++
fi
work=$(mktemp -d -t torvex-fuzz-smoke.XXXXXX)
trap 'rm -rf "$work"' EXIT

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2
ctest --preset fuzz

# The long runs use a one-second limit; a loaded machine gets more here.
cmake --preset afl >/dev/null
cmake --build --preset afl -j2 --target torvex_afl
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

if [[ ! -x build/release/torvex ]]; then
  cmake --preset release >/dev/null && cmake --build --preset release -j2 --target torvex
fi
fuzz/run_mutations.sh build/release/torvex 20 1
fuzz/run_mutations.sh --terminal build/release/torvex 20 1
