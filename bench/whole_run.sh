#!/usr/bin/env bash
# Measures one whole run on the 4jsv pair (two chains of about 10000 lines
# each, read, the moving one read again, a results file written):
#   1. instructions (callgrind), for the whole process and per line read:
#      they do not depend on how busy the machine is, so they come first;
#   2. the time against `cat` of the same two files, the floor for anything
#      that reads them. hyperfine starts both with no shell between (`-N`):
#      timed from a shell, starting each process costs more than the work
#      and dilutes the ratio. Each round prints the ratio of the median
#      times and that of the CPU times per run (user + system, from the
#      kernel), then the medians of the rounds' ratios, and the load average
#      before and after: on a busy machine the wall-clock ratio says more
#      about the other work than about this one, the CPU ratio much less;
#   3. page faults and peak resident size (/usr/bin/time -v), of both.
#
#   bench/whole_run.sh [DIR] [BINARY] [ROUNDS]
#     DIR     folder holding 4jsv_chainA.pdb and 4jsv_chainB.pdb; default
#             tests/data
#     BINARY  default build/bench/torvex, else build/release/torvex
#     ROUNDS  rounds of 100 timed runs of each, default 5
#
# hyperfine (Debian package hyperfine) is installed when missing. The files
# are copied into a scratch folder, where the results file is written. A
# step whose tool is missing (valgrind, /usr/bin/time) says so and is left
# out.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/tests/data}
binary=${2:-}
rounds=${3:-5}
((rounds >= 1)) || rounds=1
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

source "$root/.ci/tools.sh"
want hyperfine hyperfine
install_wanted bench

scratch=$(mktemp -d -t torvex-whole-run.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cp "$dir/4jsv_chainA.pdb" "$dir/4jsv_chainB.pdb" "$scratch/"
cd "$scratch"

# The job from the command line, every pairing check answered yes: the work,
# the reads and the results file of the dialogue, and no standard input to
# feed. A status of 4 (a structure read up to the line limit only) is a
# complete run too.
job=("$binary" -y 4jsv_chainA.pdb 4jsv_chainB.pdb)
status=0
"${job[@]}" > transcript 2>&1 || status=$?
if ((status != 0 && status != 4)) || ! grep -q 'terminated normally' transcript; then
  echo "the run does not end normally (status $status):" >&2
  tail -5 transcript >&2
  exit 1
fi

# Lines read: both files, and the moving file again for the results; each
# read stops at the 10000-line limit.
lines_a=$(wc -l < 4jsv_chainA.pdb)
lines_b=$(wc -l < 4jsv_chainB.pdb)
limit() { echo $(($1 < 10000 ? $1 : 10000)); }
lines_read=$(($(limit "$lines_a") + 2 * $(limit "$lines_b")))
bytes=$(cat 4jsv_chainA.pdb 4jsv_chainB.pdb | wc -c)
echo "4jsv pair: $((lines_a + lines_b)) lines, $bytes bytes; $lines_read lines read in a run"

if command -v valgrind > /dev/null; then
  valgrind --tool=callgrind --callgrind-out-file=callgrind.out "${job[@]}" \
    > /dev/null 2> callgrind.log
  instructions=$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' callgrind.log)
  awk -v i="$instructions" -v l="$lines_read" 'BEGIN {
    printf "instructions  %6.2f M whole job, %d per line read\n", i / 1e6, i / l }'
else
  echo "instructions  (no valgrind)"
fi

# One round: its line, and its two ratios (medians of the wall-clock
# times, mean CPU times) added to ratios.
cat > round.py <<'EOF'
import json, sys
job, cat = json.load(open(sys.argv[1]))["results"]
ms = lambda result: 1000 * result["median"]
cpu = lambda result: 1000 * (result["user"] + result["system"])
wall, work = ms(job) / ms(cat), cpu(job) / cpu(cat)
print(f"time          {wall:4.2f} x cat, CPU {work:4.2f} x cat  round {sys.argv[2]}: medians "
      f"torvex {ms(job):.2f} ms, cat {ms(cat):.2f} ms; CPU per run torvex {cpu(job):.2f} ms, "
      f"cat {cpu(cat):.2f} ms")
print(f"{wall:.4f} {work:.4f}", file=open("ratios", "a"))
EOF
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
echo "load          $(loadavg) (1, 5, 15 min averages, $(nproc) cores) before timing"
for ((round = 1; round <= rounds; ++round)); do
  # -i: status 4 above is no failure.
  # Its notes on outliers are what the load average says already.
  if ! hyperfine -N -i --warmup 5 --runs 100 --style none --export-json "round$round.json" \
       "${job[*]}" "cat 4jsv_chainA.pdb 4jsv_chainB.pdb" > /dev/null 2> hyperfine.log; then
    cat hyperfine.log >&2
    exit 1
  fi
  python3 round.py "round$round.json" "$round"
done
echo "load          $(loadavg) after timing"
median() { sort -n | awk '{v[NR] = $1} END {
  print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf "time          %4.2f x cat, CPU %4.2f x cat: the medians of %d rounds\n" \
  "$(cut -d' ' -f1 ratios | median)" "$(cut -d' ' -f2 ratios | median)" "$rounds"

if [[ -x /usr/bin/time ]]; then
  measure() {  # page faults and peak resident size of one run
    /usr/bin/time -v "$@" 2>&1 > /dev/null | awk -F: '
      /Minor .*page faults/ {minor = $2} /Major .*page faults/ {major = $2}
      /Maximum resident set size/ {rss = $2}
      END {printf "%d page faults, peak resident %d KB", minor + major, rss}'
  }
  echo "memory        torvex $(measure "${job[@]}"); cat $(measure cat 4jsv_chainA.pdb 4jsv_chainB.pdb)"
else
  echo "memory        (no /usr/bin/time)"
fi
