#!/usr/bin/env bash
# The README's batch figures: RUNS fits of the bundled 1hpv pair from the
# command line, each with its own results file, started by xargs (no shell
# per run) one at a time and then two at a time (-P2):
#   pairs/s     runs over the wall-clock time of the batch;
#   CPU per run the batch's user and system time (the kernel's count for
#               every child) over the runs;
#   start       the same for `torvex --version`, a process that starts, writes
#               one line and ends: what every run costs before any work.
# The load average is printed before and after: other work on the machine
# slows the wall-clock figures and leaves the CPU figures nearly alone.
#
#   bench/batch.sh [BINARY] [RUNS]
#     BINARY  default build/release/torvex
#     RUNS    default 1000
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build/release/torvex}")
runs=${2:-1000}
[[ -x $binary ]] || { echo "no program at $binary (build it first)" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "batch: needs /usr/bin/time (Debian package time)" >&2; exit 2; }

scratch=$(mktemp -d -t torvex-batch.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cp "$root/examples/1hpv_chainA.pdb" "$root/examples/1hpv_chainB.pdb" "$scratch/"
cd "$scratch"
mkdir out

loadavg() { cut -d' ' -f1-3 /proc/loadavg; }
# batch LABEL XARGS-OPTION COMMAND...: times RUNS runs of COMMAND, {} the run's number.
batch() {
  local label=$1 parallel=$2
  shift 2
  seq "$runs" | /usr/bin/time -f '%e %U %S' -o times xargs "$parallel" -I{} "$@" > /dev/null
  read -r wall user system < times
  awk -v l="$label" -v n="$runs" -v w="$wall" -v u="$user" -v s="$system" 'BEGIN {
    printf "%-22s %6.0f runs/s  CPU per run %5.2f ms (user %.2f, system %.2f)\n",
           l, n / w, 1000 * (u + s) / n, 1000 * u / n, 1000 * s / n }'
}

echo "load      $(loadavg) (1, 5, 15 min averages, $(nproc) cores) before"
"$binary" -y -q -o out/0.pdb 1hpv_chainA.pdb 1hpv_chainB.pdb  # warm the page cache
batch "fit, one at a time" -P1 "$binary" -y -q -o out/{}.pdb 1hpv_chainA.pdb 1hpv_chainB.pdb
batch "fit, xargs -P2" -P2 "$binary" -y -q -o out/{}.pdb 1hpv_chainA.pdb 1hpv_chainB.pdb
batch "start: torvex -V" -P1 "$binary" --version
echo "load      $(loadavg) after"
