#!/usr/bin/env bash
# Peak resident size and heap allocations of whole runs on inputs of very
# different sizes: a 100-line pair, a 10000-line pair, and a target made of a
# single line of 100 MB. The run holds fixed buffers only, so neither figure
# may grow with the input. The inputs are generated in a scratch folder.
#
#   bench/memory.sh [BINARY]      default build/bench/torvex, else build/release/torvex
#
# Peak resident size comes from /usr/bin/time -v when it is there, else from a
# small wrapper around getrusage. Heap allocations come from valgrind's
# "total heap usage" line and are left out when valgrind is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-}
if [[ -z $binary ]]; then
  binary=$root/build/bench/torvex
  [[ -x $binary ]] || binary=$root/build/release/torvex
fi
binary=$(realpath "$binary")
[[ -x $binary ]] || { echo "no program at $binary (build it first)" >&2; exit 2; }

scratch=$(mktemp -d -t torvex-memory.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# An atom line of 80 columns; atom k of a structure, slightly moved in the
# second of a pair so that the fit has something to do.
atoms() {  # count shift
  awk -v n="$1" -v s="$2" 'BEGIN {
    split("N CA C O CB", names, " ")
    for (k = 1; k <= n; ++k) {
      x = (k % 37) * 1.1 + s; y = (k % 23) * 0.7 - s; z = (k % 11) * 1.3 + s * 0.5
      printf "ATOM  %5d  %-3s ALA A%4d    %8.3f%8.3f%8.3f  1.00 20.00           %s  \n",
             k % 100000, names[(k - 1) % 5 + 1], (k - 1) / 5 + 1, x, y, z, substr(names[(k - 1) % 5 + 1], 1, 1)
    }
  }'
}
atoms 100 0 > small_t.pdb
atoms 100 0.25 > small_m.pdb
atoms 10000 0 > large_t.pdb
atoms 10000 0.25 > large_m.pdb
# One line of 100 MB: an atom record whose line goes on and on. The moving
# structure is that same first atom, moved.
{ atoms 1 0 | tr -d '\n'; head -c $((100 * 1024 * 1024 - 81)) /dev/zero | tr '\0' 'x'; echo; } \
  > huge_t.pdb
atoms 1 0.25 > huge_m.pdb

if [[ ! -x /usr/bin/time ]]; then
  cat > peak.c <<'C'
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
/* Runs argv[1..] and prints the child's peak resident size in kB. */
int main(int argc, char **argv) {
  (void)argc;
  pid_t pid = fork();
  if (pid == 0) { execv(argv[1], argv + 1); _exit(127); }
  int status;
  waitpid(pid, &status, 0);
  struct rusage usage;
  getrusage(RUSAGE_CHILDREN, &usage);
  fprintf(stderr, "Maximum resident set size (kbytes): %ld\n", usage.ru_maxrss);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
C
  cc -O2 -o peak peak.c
fi

peak_kb() {  # dialogue
  if [[ -x /usr/bin/time ]]; then
    /usr/bin/time -v "$binary" < "$1" 2>&1 > /dev/null | awk -F': ' '/Maximum resident/ {print $2}'
  else
    ./peak "$binary" < "$1" 2>&1 > /dev/null | awk -F': ' '/Maximum resident/ {print $2}'
  fi
}

heap() {  # dialogue
  if command -v valgrind > /dev/null; then
    valgrind --tool=memcheck "$binary" < "$1" 2>&1 > /dev/null |
      sed -n 's/.*total heap usage: \([0-9,]*\) allocs, \([0-9,]*\) frees, \([0-9,]*\) bytes allocated.*/\1 allocs, \3 bytes/p'
  else
    echo "valgrind missing"
  fi
}

printf '%-24s %12s %10s  %s\n' input "input bytes" "peak kB" "heap (valgrind)"
for name in small large huge; do
  printf '%s_t\n%s_m\nn\n' "$name" "$name" > "$name.dialogue"
  "$binary" < "$name.dialogue" > "$name.transcript" 2>&1 || true
  if ! grep -q 'terminated normally' "$name.transcript"; then
    echo "$name: the run does not end normally:" >&2
    tail -5 "$name.transcript" >&2
    exit 1
  fi
  size=$(($(stat -c %s "${name}_t.pdb") + $(stat -c %s "${name}_m.pdb")))
  case $name in
    small) label="100-line pair" ;;
    large) label="10000-line pair" ;;
    huge) label="one 100 MB line" ;;
  esac
  printf '%-24s %12d %10s  %s\n' "$label" "$size" "$(peak_kb "$name.dialogue")" \
    "$(heap "$name.dialogue")"
done
