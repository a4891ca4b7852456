#!/usr/bin/env bash
# Times one whole run on the 4jsv pair (two chains of about 10000 lines each)
# against `cat` of the same two files, the floor for anything that reads them.
# The two are run side by side, alternating, so that a busy machine slows both
# alike; the medians and their ratio are printed.
#
#   bench/whole_run.sh [DIR] [BINARY] [PAIRS]
#     DIR     folder holding 4jsv_chainA.pdb and 4jsv_chainB.pdb; default
#             tests/data when they are there
#     BINARY  default build/bench/torvex, else build/release/torvex
#     PAIRS   pairs of runs, default 30
#
# The files are copied into a scratch folder, where the results file is written.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/tests/data}
binary=${2:-}
pairs=${3:-30}
if [[ -z $binary ]]; then
  binary=$root/build/bench/torvex
  [[ -x $binary ]] || binary=$root/build/release/torvex
fi
binary=$(realpath "$binary")
for chain in A B; do
  if [[ ! -r $dir/4jsv_chain$chain.pdb ]]; then
    echo "no $dir/4jsv_chain$chain.pdb: name the folder that holds the 4jsv pair" >&2
    exit 2
  fi
done
[[ -x $binary ]] || { echo "no program at $binary (build it first)" >&2; exit 2; }

scratch=$(mktemp -d -t torvex-whole-run.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cp "$dir/4jsv_chainA.pdb" "$dir/4jsv_chainB.pdb" "$scratch/"
cd "$scratch"

# As many yes answers as the pairing checks ask for, then no further structure.
found=
for yes in 0 1 2 3; do
  { echo 4jsv_chainA; echo 4jsv_chainB; for ((i = 0; i < yes; ++i)); do echo y; done; echo n; } \
    > dialogue
  if "$binary" < dialogue > transcript 2>&1 && grep -q 'terminated normally' transcript; then
    found=1
    break
  fi
done
[[ -n $found ]] || { echo "the run does not end normally:" >&2; tail -5 transcript >&2; exit 1; }

now_us() { local t=${EPOCHREALTIME/./}; echo "${t#0}"; }

program_us=()
cat_us=()
"$binary" < dialogue > /dev/null  # warm the page cache
for ((i = 0; i < pairs; ++i)); do
  start=$(now_us)
  "$binary" < dialogue > /dev/null
  middle=$(now_us)
  cat 4jsv_chainA.pdb 4jsv_chainB.pdb > /dev/null
  end=$(now_us)
  program_us+=($((middle - start)))
  cat_us+=($((end - middle)))
done

median() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1} END {
  if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
program=$(median "${program_us[@]}")
reference=$(median "${cat_us[@]}")
lines=$(cat 4jsv_chainA.pdb 4jsv_chainB.pdb | wc -l)
bytes=$(cat 4jsv_chainA.pdb 4jsv_chainB.pdb | wc -c)
awk -v p="$program" -v c="$reference" -v n="$pairs" -v l="$lines" -v b="$bytes" 'BEGIN {
  printf "4jsv pair: %d lines, %d bytes; median of %d alternating pairs of runs\n", l, b, n
  printf "  torvex  %8.2f ms\n  cat     %8.2f ms\n  ratio   %8.1f\n", p / 1000, c / 1000, p / c }'
