# Robustness and speed tooling, both off by default.
#
# TORVEX_FUZZ builds the libFuzzer targets under fuzz/ (use the `fuzz` preset:
# clang++, the library instrumented with fuzzer-no-link, address and undefined
# sanitizers). CTest then runs each target for a few seconds on its seed
# corpus; new inputs go to the build tree, never into the sources.
#
# TORVEX_AFL builds torvex_afl, the whole program behind an input splitter for
# a fork-server fuzzer (use the `afl` or `afl-sanitize` preset; see
# fuzz/README.md for the long runs).
#
# TORVEX_BENCH builds the field benchmarks under bench/ (use the `bench`
# preset); the shell scripts there time and measure the whole program.
#
#   cmake --preset fuzz && cmake --build --preset fuzz -j2 && ctest --preset fuzz
#   build/fuzz/fuzz_get_fixed -max_total_time=900 build/fuzz/fuzz/corpus/get_fixed fuzz/corpus/get_fixed
#   cmake --preset bench && cmake --build --preset bench -j2 && build/bench/fields_bench
option(TORVEX_FUZZ "Build the libFuzzer targets (clang++ only)" OFF)
option(TORVEX_AFL "Build the whole-program fuzzing harness" OFF)
option(TORVEX_BENCH "Build the benchmarks (needs Google Benchmark)" OFF)

if(TORVEX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TORVEX_FUZZ needs clang++ (libFuzzer); use the fuzz preset")
  endif()
  enable_testing()
  set(TORVEX_FUZZ_SECONDS 5 CACHE STRING "Seconds each fuzz target runs under CTest")
  set(fuzz_work ${CMAKE_BINARY_DIR}/fuzz)
  foreach(name get_fixed field_writers structure_reader)
    add_executable(fuzz_${name} fuzz/${name}_fuzz.cpp)
    target_link_libraries(fuzz_${name} PRIVATE torvex_core)
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    # The first directory receives what the run finds; the seeds stay as they are.
    file(MAKE_DIRECTORY ${fuzz_work}/corpus/${name} ${fuzz_work}/artifacts)
    add_test(NAME fuzz.${name}
             COMMAND fuzz_${name} -max_total_time=${TORVEX_FUZZ_SECONDS} -timeout=10
                     -rss_limit_mb=2048 -print_final_stats=1
                     -artifact_prefix=${fuzz_work}/artifacts/${name}-
                     ${fuzz_work}/corpus/${name} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name}
             WORKING_DIRECTORY ${fuzz_work})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
  endforeach()
endif()

if(TORVEX_AFL)
  # The program's own parts but its entry, which the harness replaces.
  add_executable(torvex_afl fuzz/afl_harness.cpp)
  target_link_libraries(torvex_afl PRIVATE torvex_app)
  # The harness replaces the system call: fuzzed text never reaches a shell.
  target_link_options(torvex_afl PRIVATE -Wl,--wrap=system)
endif()

if(TORVEX_BENCH)
  find_package(benchmark REQUIRED)
  add_executable(fields_bench bench/fields_bench.cpp)
  target_link_libraries(fields_bench PRIVATE torvex_core benchmark::benchmark)
endif()
