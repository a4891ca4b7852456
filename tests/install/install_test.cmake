# Script of the install test (cmake -P); the variables come from
# tests/install/CMakeLists.txt. Stops at the first fault with a message that
# names the file or the step.
cmake_minimum_required(VERSION 3.25)

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# Runs a command; on failure stops with its output.
function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err ${run_options})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${step} failed (${status}):\n${out}\n${err}")
  endif()
endfunction()

function(expect_same_file actual expected)
  if(NOT EXISTS "${actual}")
    message(FATAL_ERROR "not installed: ${actual}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${actual}" "${expected}"
                  RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "${actual} differs from ${expected}")
  endif()
endfunction()

run("cmake --install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")

# The program and its page.
if(NOT EXISTS "${prefix}/${BINDIR}/torvex" OR IS_DIRECTORY "${prefix}/${BINDIR}/torvex")
  message(FATAL_ERROR "not installed: ${prefix}/${BINDIR}/torvex")
endif()
expect_same_file("${prefix}/${MANDIR}/man1/torvex.1" "${BUILD_DIR}/docs/torvex.1")

# The library, its package configuration and the public headers, nothing
# else: the engine's headers stay in the source tree.
foreach(name IN ITEMS "${LIBDIR}/libtorvex_core.a"
                      "${LIBDIR}/cmake/torvex/torvexConfig.cmake"
                      "${LIBDIR}/cmake/torvex/torvexConfigVersion.cmake"
                      "${LIBDIR}/cmake/torvex/torvexTargets.cmake")
  if(NOT EXISTS "${prefix}/${name}")
    message(FATAL_ERROR "not installed: ${prefix}/${name}")
  endif()
endforeach()
file(GLOB public RELATIVE "${SOURCE_DIR}/include" "${SOURCE_DIR}/include/torvex/*.hpp")
file(GLOB_RECURSE installed RELATIVE "${prefix}/${INCLUDEDIR}" "${prefix}/${INCLUDEDIR}/*")
list(SORT public)
list(SORT installed)
if(NOT public OR NOT installed STREQUAL public)
  message(FATAL_ERROR "installed headers [${installed}], public headers [${public}]")
endif()
foreach(header IN LISTS public)
  expect_same_file("${prefix}/${INCLUDEDIR}/${header}" "${SOURCE_DIR}/include/${header}")
endforeach()

# A separate project finds the package and links the library.
set(consumer_build "${WORK_DIR}/consumer-build")
set(generator_options -G "${GENERATOR}")
if(MAKE_PROGRAM)
  list(APPEND generator_options "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()
run("configuring the consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${consumer_build}"
    ${generator_options}
    "-DCMAKE_PREFIX_PATH=${prefix}"
    "-DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON"
    "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
    "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}")
run("building the consumer" "${CMAKE_COMMAND}" --build "${consumer_build}")

# The installed program on the bundled example, and the example consumer on
# the same pair, each in a folder of its own: the same results file, and on
# the consumer's standard output its one line, no console report.
set(examples "${SOURCE_DIR}/examples")
foreach(run_dir IN ITEMS program consumer)
  file(MAKE_DIRECTORY "${WORK_DIR}/${run_dir}")
  file(COPY "${examples}/1hpv_chainA.pdb" "${examples}/1hpv_chainB.pdb"
       DESTINATION "${WORK_DIR}/${run_dir}")
endforeach()
set(run_options WORKING_DIRECTORY "${WORK_DIR}/program"
                INPUT_FILE "${examples}/dialogue.txt")
run("the installed program" "${prefix}/${BINDIR}/torvex")
set(expected_file "${examples}/expected/1hpv_chainB_mvd.pdb")
expect_same_file("${WORK_DIR}/program/1hpv_chainB_mvd.pdb" "${expected_file}")

set(consumer "${consumer_build}/torvex_fit")
execute_process(COMMAND "${consumer}" 1hpv_chainA.pdb 1hpv_chainB.pdb 1hpv_chainB_mvd.pdb
                WORKING_DIRECTORY "${WORK_DIR}/consumer" INPUT_FILE /dev/null
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT out STREQUAL "758 pairs, r.m.s. deviation 0.9627\n" OR err)
  message(FATAL_ERROR "the consumer: status ${status}, stdout [${out}], stderr [${err}]")
endif()
expect_same_file("${WORK_DIR}/consumer/1hpv_chainB_mvd.pdb" "${expected_file}")

# A missing file comes back to the consumer as an error it reports itself.
execute_process(COMMAND "${consumer}" 1hpv_chainA.pdb missing.pdb missing_mvd.pdb
                WORKING_DIRECTORY "${WORK_DIR}/consumer" INPUT_FILE /dev/null
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 1 OR out OR NOT err STREQUAL "torvex_fit: cannot open structure file missing.pdb\n"
   OR EXISTS "${WORK_DIR}/consumer/missing_mvd.pdb")
  message(FATAL_ERROR "the consumer on a missing file: status ${status}, stdout [${out}], "
                      "stderr [${err}]")
endif()
