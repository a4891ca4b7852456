#!/usr/bin/env bash
# Same bytes from every compiler and machine. The program is built five
# ways and the end-to-end runner (tests/e2e/e2e_test.cpp, e2e_tests) runs
# every case on each build, as CTest runs it: arguments, folder, terminal,
# input files. Each build must give every case's expected bytes, and each
# run is kept: standard output, standard error, exit status and every file
# the run leaves (its whole folder tree, symlinks by target) must then be
# identical across the builds. The first difference fails the check and
# names the case, the file, the two builds and the first differing byte.
#
#   gcc-O0      host g++, no optimisation
#   gcc-O3      host g++, full optimisation
#   clang-O2    clang++
#   aarch64-O2  g++-aarch64-linux-gnu, run under qemu-aarch64
#   windows-O2  MinGW-w64 g++, torvex.exe run under Wine; it leaves out the
#               cases listed in tests/e2e/windows_excluded
#
# The cases: every end-to-end case under tests/e2e/cases that the runner
# runs for the build (the Windows program leaves out the terminal cases and
# those listed in tests/e2e/windows_excluded), so that a new case is
# compared here without a change to this file; then the real structure
# pairs with a scripted dialogue (complete fits, a pairing check answered
# yes, a further structure moved) and structure runs on the real mmCIF and
# gzip files of tests/data_modern with their pairs tables, which have no
# expected bytes and are compared across the builds only. Pairs whose files
# are not in tests/data are looked for in TORVEX_PDB_DIR, when set, and
# otherwise left out.
#
# Every build keeps -ffp-contract=off (and no -ffast-math or -march): a fused
# multiply-add would change the last bit of a coordinate, and so its text.
# The g++ builds also keep -fno-tree-slp-vectorize (CMakeLists.txt says why).
#
#   bash .ci/cross_check.sh          work folder: build/cross (CROSS_CHECK_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=${CROSS_CHECK_DIR:-$root/build/cross}
sysroot=/usr/aarch64-linux-gnu
started=$SECONDS

# Tools, installed when missing.
source .ci/tools.sh
want cmake cmake
want g++ g++
want clang++ clang
want aarch64-linux-gnu-g++ g++-aarch64-linux-gnu
want qemu-aarch64 qemu-user
want_file "$sysroot/lib/ld-linux-aarch64.so.1" libc6-arm64-cross
# The cross toolchain comes without zlib: Debian's arm64 package, multiarch.
want_foreign arm64 /usr/lib/aarch64-linux-gnu/libz.a zlib1g-dev:arm64
want x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
want wine wine wine64
install_wanted cross-check

builds=(gcc-O0 gcc-O3 clang-O2 aarch64-O2 windows-O2)

# ELF machine numbers (e_machine, bytes 18-19), so that a cross build that
# quietly produced a host program is caught; the Windows program is checked
# by its PE header instead.
declare -A machine=([gcc-O0]=62 [gcc-O3]=62 [clang-O2]=62 [aarch64-O2]=183)
declare -A program_name=([windows-O2]=torvex.exe)

# The build whose tests are built too: its e2e_tests runs every build.
runner_build=gcc-O3

# Sets `args` to the configure arguments of a build.
set_configure_args() {
  args=(-DCMAKE_BUILD_TYPE= -DTORVEX_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
  [ "$1" = "$runner_build" ] || args+=(-DTORVEX_BUILD_TESTS=OFF)
  case $1 in
    gcc-O0) args+=(-DCMAKE_CXX_COMPILER=g++ "-DCMAKE_CXX_FLAGS=-O0 -ffp-contract=off") ;;
    gcc-O3) args+=(-DCMAKE_CXX_COMPILER=g++ "-DCMAKE_CXX_FLAGS=-O3 -ffp-contract=off") ;;
    clang-O2) args+=(-DCMAKE_CXX_COMPILER=clang++ "-DCMAKE_CXX_FLAGS=-O2 -ffp-contract=off") ;;
    aarch64-O2)
      args+=(-DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64
             -DCMAKE_CXX_COMPILER=aarch64-linux-gnu-g++ "-DCMAKE_FIND_ROOT_PATH=$sysroot"
             -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER "-DCMAKE_CXX_FLAGS=-O2 -ffp-contract=off"
             # Fully static: this machine's qemu-aarch64 (7.2) never ends a
             # dynamically linked program that starts a thread, static ones
             # run. zlib is Debian's arm64 archive; its headers are the
             # host's, which serve every architecture.
             -DTORVEX_FULLY_STATIC=ON
             -DZLIB_LIBRARY=/usr/lib/aarch64-linux-gnu/libz.a -DZLIB_INCLUDE_DIR=/usr/include) ;;
    windows-O2)
      args+=("-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake" -DTORVEX_FULLY_STATIC=ON
             "-DCMAKE_CXX_FLAGS=-O2 -ffp-contract=off") ;;
  esac
}

# Sets `launch` to the runner's options for a build's program on this
# machine (qemu finds the aarch64 libraries through QEMU_LD_PREFIX).
set_launch() {
  case $1 in
    aarch64-*) launch=(--runner=qemu-aarch64) ;;
    windows-*) launch=(--runner=wine --windows) ;;
    *) launch=() ;;
  esac
}
export QEMU_LD_PREFIX=$sysroot

fail() {
  echo "cross-check: $*" >&2
  echo "cross-check: $compared passed, 1 failed"
  exit 1
}

compared=0

# Build.
mkdir -p "$work/logs"
for build in "${builds[@]}"; do
  dir=$work/build/$build
  echo "cross-check: building $build"
  set_configure_args "$build"
  cmake -S "$root" -B "$dir" "${args[@]}" >"$work/logs/$build.configure.log" 2>&1 ||
    { cat "$work/logs/$build.configure.log"; fail "$build: configure failed"; }
  # Without zlib a build reads no gzip files, and its gzip cases differ.
  ! grep -q 'zlib not found' "$work/logs/$build.configure.log" ||
    fail "$build: configured without zlib"
  targets=(torvex)
  [ "$build" != "$runner_build" ] || targets+=(e2e_tests)
  cmake --build "$dir" --target "${targets[@]}" -j2 >"$work/logs/$build.build.log" 2>&1 ||
    { tail -50 "$work/logs/$build.build.log"; fail "$build: build failed"; }
  # Every compile line keeps the flag and adds nothing that reorders arithmetic.
  commands=$dir/compile_commands.json
  total=$(grep -c '"command"' "$commands" || true)
  kept=$(grep '"command"' "$commands" | grep -c -- '-ffp-contract=off' || true)
  if [ "$total" -eq 0 ] || [ "$kept" -ne "$total" ]; then
    fail "$build: -ffp-contract=off missing from $((total - kept)) of $total compile lines"
  fi
  if grep '"command"' "$commands" | grep -q -e '-ffast-math' -e '-Ofast' -e '-march='; then
    fail "$build: a compile line allows reordered or machine-specific arithmetic"
  fi
  # g++ builds keep their basic-block vectorizer off: it can drop a rounding.
  if [[ $build != clang-* ]]; then
    slp=$(grep '"command"' "$commands" | grep -c -- '-fno-tree-slp-vectorize' || true)
    [ "$slp" -eq "$total" ] ||
      fail "$build: -fno-tree-slp-vectorize missing from $((total - slp)) of $total compile lines"
  fi
  if [ -n "${machine[$build]:-}" ]; then
    got=$(od -An -tu2 -j18 -N2 "$dir/torvex" | tr -d ' ')
    [ "$got" = "${machine[$build]}" ] || fail "$build: ELF machine $got, expected ${machine[$build]}"
  else
    x86_64-w64-mingw32-objdump -f "$dir/torvex.exe" | grep -q 'file format pei-x86-64' ||
      fail "$build: torvex.exe is no x86-64 Windows program"
  fi
done

# Wine in a prefix of its own, its server up until the check ends.
source tests/e2e/wine_env.sh "$work/wine-prefix"
wine_ready >/dev/null 2>&1
trap wine_stop EXIT

# The real pairs, one case folder each under $work/cases, as the runner reads
# them: stdin and input/.
rm -rf "$work/cases" "$work/runs"
mkdir -p "$work/cases"
pairs=0
# A structure file: the project's copy first, then TORVEX_PDB_DIR's.
find_structure() {
  local file
  for file in "$root/tests/data/$1.pdb" ${TORVEX_PDB_DIR:+"$TORVEX_PDB_DIR/$1.pdb"}; do
    if [ -f "$file" ]; then
      echo "$file"
      return
    fi
  done
}
add_pair() {
  local name=$1 dialogue=$2 file path
  shift 2
  local dir=$work/cases/pair-$name
  mkdir -p "$dir/input"
  for file in "$@"; do
    path=$(find_structure "$file")
    if [ -z "$path" ]; then
      echo "cross-check: no $file.pdb; pair $name left out"
      rm -rf "$dir"
      return
    fi
    cp "$path" "$dir/input/$file.pdb"
  done
  printf '%b' "$dialogue" >"$dir/stdin"
  pairs=$((pairs + 1))
}
# Moved onto each other, then the target moved again as a further structure.
add_pair 1hpv '1hpv_chainA\n1hpv_chainB\ny\n1hpv_chainA\n' 1hpv_chainA 1hpv_chainB
add_pair 1adz '1adz_model1\n1adz_model2\nn\n' 1adz_model1 1adz_model2
# One residue check mismatch, answered with an empty line (yes).
add_pair 1fv9-1owd '1FV9_A\n1OWD_A\n\ny\n1FV9_A\n' 1FV9_A 1OWD_A
# Past the 10000-line reading limit.
add_pair 4jsv '4jsv_chainA\n4jsv_chainB\nn\n' 4jsv_chainA 4jsv_chainB

# Structure runs on the real files of tests/data_modern, compared across the
# builds only, each with its pairs table: every pair's displacement and
# distance, so that a last-bit difference in any atom shows.
structure_runs=0
add_structure_run() {
  local dir=$work/cases/run-$1 arg
  shift
  mkdir -p "$dir/input"
  for arg in "$@"; do
    [ ! -f "$root/tests/data_modern/$arg" ] || cp "$root/tests/data_modern/$arg" "$dir/input/"
  done
  printf '%s\n' "$@" >"$dir/args"
  structure_runs=$((structure_runs + 1))
}
# The input folder of a structure run: files from tests/data_modern.
copy_inputs() {
  local dir=$work/cases/run-$1/input file
  shift
  for file in "$@"; do cp "$root/tests/data_modern/$file" "$dir/"; done
}
# Homologues from gzip PDB, aligned by sequence, trimmed; the JSON summary.
add_structure_run cytc-sequence-trim --match sequence --atoms ca --trim 2 \
  --pairs pairs.tsv --json run.json d1yeb__.pdb.gz d2pcbb_.pdb.gz
# Two chains of one mmCIF entry, every heavy atom, trimmed for all five cycles.
add_structure_run 1k6p-heavy-trim --target-select /1/A --moving-select /1/B --atoms heavy \
  --trim 2 --pairs pairs.tsv --json run.json 1k6p.cif 1k6p.cif
# Converted mmCIF in file order, the JSON summary on standard output.
add_structure_run 1tii-order --match order --pairs pairs.tsv --json - \
  conv_1tii_chainD.cif conv_1tii_chainE.cif
# One model of an NMR ensemble (gzip PDB, then mmCIF with hydrogens), its
# two halves paired in order (the first n).
add_structure_run 1adz-model-halves --model 7 --match order --atoms heavy \
  --target-select '//*/1-35' --moving-select '//*/37-71' -y --pairs pairs.tsv 1adz.pdb.gz 1adz.pdb.gz
add_structure_run 1l2y-model-hydrogens --model 20 --match order --target-select //A/1-10 \
  --moving-select //A/11-20 -y --pairs pairs.tsv 1l2y.cif 1l2y.cif
# Many structures in one run, on three threads: the output is written in
# member or list order whatever thread fitted a pair. The models of a gzip
# NMR ensemble (the matrix without a rotation), those of an mmCIF one fitted
# in full and trimmed, and a list of pairs with a results file named.
add_structure_run 1adz-all-vs-all --all-vs-all --models --atoms ca -j 3 --matrix matrix.tsv \
  1adz.pdb.gz
add_structure_run 1l2y-all-vs-all-trim --all-vs-all --models --atoms heavy --trim 2 -j 3 \
  --matrix matrix.tsv --json pairs.jsonl 1l2y.cif
add_structure_run pairs-from --pairs-from list.tsv --atoms ca --trim 2 -j 3 --json fits.jsonl
copy_inputs pairs-from d1yeb__.pdb.gz d2pcbb_.pdb.gz 1k6p.cif.gz conv_1tii_chainD.cif \
  conv_1tii_chainE.cif
{
  printf '%s\t%s\n' d1yeb__.pdb.gz d2pcbb_.pdb.gz 1k6p.cif.gz 1k6p.cif.gz \
    conv_1tii_chainD.cif conv_1tii_chainE.cif
  printf '%s\t%s\t%s\n' d2pcbb_.pdb.gz d1yeb__.pdb.gz d1yeb_on_d2pcbb.pdb.gz
} >"$work/cases/run-pairs-from/input/list.tsv"

# Every case on every build, each run kept under $work/runs/<build>/<case>.
runner=$work/build/$runner_build/tests/e2e/e2e_tests
for build in "${builds[@]}"; do
  echo "cross-check: running the cases on $build"
  program=$work/build/$build/${program_name[$build]:-torvex}
  set_launch "$build"
  log=$work/logs/$build.cases.log
  status=0
  "$runner" "--program=$program" "${launch[@]}" "--output=$work/runs/$build" >"$log" 2>&1 ||
    status=$?
  if [ "$status" -eq 0 ]; then
    "$runner" "--program=$program" "${launch[@]}" "--cases=$work/cases" \
      "--output=$work/runs/$build" >>"$log" 2>&1 || status=$?
  fi
  if [ "$status" -ne 0 ]; then
    grep -E '^\[  FAILED  \]|SKIPPED' "$log" | sort -u | head -20 >&2 || true
    fail "$build: the runs differ from the expected bytes ($log)"
  fi
done

# The first difference from the first build, case by case.
show_difference() {
  local a=$1 b=$2 at
  # cmp fails when the files differ, which is the case here.
  at=$(cmp "$a" "$b" 2>&1 | sed -n 's/.*differ: byte \([0-9]*\).*/\1/p' || true)
  if [ -z "$at" ]; then
    # One file is a prefix of the other ("EOF on ...").
    { cmp "$a" "$b" 2>&1 || true; } | sed 's/^/    /' >&2
    return
  fi
  local from=$((at > 33 ? at - 33 : 0))
  echo "    first difference at byte $at (sizes $(stat -c %s "$a") and $(stat -c %s "$b"))" >&2
  echo "    ${a#"$work"/runs/}:" >&2
  od -An -c -j "$from" -N 64 "$a" | sed 's/^/      /' >&2
  echo "    ${b#"$work"/runs/}:" >&2
  od -An -c -j "$from" -N 64 "$b" | sed 's/^/      /' >&2
}

# Entries of a run folder, NUL-separated: kind, path and symlink target.
tree_listing() {
  (cd "$1" && find . -mindepth 1 -printf '%y %p -> %l\0' | sort -z)
}

# A case the reference ran and another build did not must be one the
# Windows program leaves out; a case only the Windows program ran (Windows
# file names) has nothing to be compared with.
left_out_on_windows() {
  local dir=$root/tests/e2e/cases/$1
  [ -e "$dir/terminal" ] || [ -e "$dir/canonical" ] ||
    grep -q "^$1[[:space:]]" "$root/tests/e2e/windows_excluded"
}
reference=${builds[0]}
left_out=0
for ref in "$work/runs/$reference"/*/; do
  ref=${ref%/}
  name=$(basename "$ref")
  for build in "${builds[@]:1}"; do
    other=$work/runs/$build/$name
    if [ ! -d "$other" ]; then
      [[ $build == windows-* ]] && left_out_on_windows "$name" ||
        fail "case $name: $build did not run it"
      left_out=$((left_out + 1))
      continue
    fi
    for file in status stdout stderr; do
      if ! cmp -s "$ref/$file" "$other/$file"; then
        echo "cross-check: case $name: $file differs between $reference and $build" >&2
        show_difference "$ref/$file" "$other/$file"
        fail "case $name, $file: $build differs from $reference"
      fi
    done
    if ! cmp -s <(tree_listing "$ref/files") <(tree_listing "$other/files"); then
      echo "cross-check: case $name: the files left differ between $reference and $build" >&2
      diff <(tree_listing "$ref/files" | tr '\0' '\n') <(tree_listing "$other/files" | tr '\0' '\n') \
        | sed 's/^/    /' >&2 || true
      fail "case $name, file list: $build differs from $reference"
    fi
    while IFS= read -r -d '' path; do
      if ! cmp -s "$ref/files/$path" "$other/files/$path"; then
        echo "cross-check: case $name: file $path differs between $reference and $build" >&2
        show_difference "$ref/files/$path" "$other/files/$path"
        fail "case $name, file $path: $build differs from $reference"
      fi
    done < <(cd "$ref/files" && find . -type f -printf '%P\0' | sort -z)
  done
  compared=$((compared + 1))
done
[ "$compared" -gt 0 ] || fail "no cases"

echo "cross-check: $compared cases ($pairs legacy pairs, $structure_runs structure runs), identical on ${builds[*]} ($((SECONDS - started)) s)"
echo "cross-check: windows-O2 leaves out $left_out (terminal cases, tests/e2e/windows_excluded)"
echo "cross-check: $compared passed, 0 failed"
