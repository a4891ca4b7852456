#!/usr/bin/env bash
# Measures one whole run on the 4jsv pair (two chains of about 10000 lines
# each, read, the moving one read again, a results file written):
#   1. instructions (callgrind), for the whole process and per line read:
#      they do not depend on how busy the machine is, so they come first;
#   2. the time against `cat` of the same two files, the floor for anything
#      that reads them: the two run side by side, alternating, so that a busy
#      machine slows both alike; the medians and their ratio are printed;
#   3. page faults and peak resident size (/usr/bin/time -v), of both.
#
#   bench/whole_run.sh [DIR] [BINARY] [PAIRS]
#     DIR     folder holding 4jsv_chainA.pdb and 4jsv_chainB.pdb; default
#             tests/data
#     BINARY  default build/bench/torvex, else build/release/torvex
#     PAIRS   pairs of timed runs, default 30, at least 15
#
# The files are copied into a scratch folder, where the results file is
# written. A step whose tool is missing (valgrind, /usr/bin/time) says so and
# is left out.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/tests/data}
binary=${2:-}
pairs=${3:-30}
((pairs >= 15)) || pairs=15
if [[ -z $binary ]]; then
  binary=$root/build/bench/torvex
  [[ -x $binary ]] || binary=$root/build/release/torvex
fi
[[ -x $binary ]] || { echo "no program at $binary (build it first)" >&2; exit 2; }
binary=$(realpath "$binary")
for chain in A B; do
  if [[ ! -r $dir/4jsv_chain$chain.pdb ]]; then
    echo "no $dir/4jsv_chain$chain.pdb: name the folder that holds the 4jsv pair" >&2
    exit 2
  fi
done

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

# Lines read: both files, and the moving file again for the results; each
# read stops at the 10000-line limit.
lines_a=$(wc -l < 4jsv_chainA.pdb)
lines_b=$(wc -l < 4jsv_chainB.pdb)
limit() { echo $(($1 < 10000 ? $1 : 10000)); }
lines_read=$(($(limit "$lines_a") + 2 * $(limit "$lines_b")))
bytes=$(cat 4jsv_chainA.pdb 4jsv_chainB.pdb | wc -c)
echo "4jsv pair: $((lines_a + lines_b)) lines, $bytes bytes; $lines_read lines read in a run"

if command -v valgrind > /dev/null; then
  valgrind --tool=callgrind --callgrind-out-file=callgrind.out "$binary" < dialogue \
    > /dev/null 2> callgrind.log
  instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' callgrind.log)
  awk -v i="$instructions" -v l="$lines_read" 'BEGIN {
    printf "instructions  %6.2f M whole job, %d per line read\n", i / 1e6, i / l }'
else
  echo "instructions  (no valgrind)"
fi

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
awk -v p="$program" -v c="$reference" -v n="$pairs" 'BEGIN {
  printf "time          %6.1f x cat (median of %d alternating pairs: torvex %.2f ms, cat %.2f ms)\n",
         p / c, n, p / 1000, c / 1000 }'

if [[ -x /usr/bin/time ]]; then
  measure() {  # page faults and peak resident size of one run
    /usr/bin/time -v "$@" 2>&1 > /dev/null | awk -F: '
      /Minor .*page faults/ {minor = $2} /Major .*page faults/ {major = $2}
      /Maximum resident set size/ {rss = $2}
      END {printf "%d page faults, peak resident %d KB", minor + major, rss}'
  }
  echo "memory        torvex $(measure "$binary" < dialogue); cat $(measure cat 4jsv_chainA.pdb 4jsv_chainB.pdb)"
else
  echo "memory        (no /usr/bin/time)"
fi
