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

# The library, its package configuration and every header of the four
# subsystems under its folder name; the program's own app/ stays out.
foreach(name IN ITEMS "${LIBDIR}/libtorvex_core.a"
                      "${LIBDIR}/cmake/torvex/torvexConfig.cmake"
                      "${LIBDIR}/cmake/torvex/torvexConfigVersion.cmake"
                      "${LIBDIR}/cmake/torvex/torvexTargets.cmake")
  if(NOT EXISTS "${prefix}/${name}")
    message(FATAL_ERROR "not installed: ${prefix}/${name}")
  endif()
endforeach()
set(header_count 0)
foreach(folder IN ITEMS formatted_io structure fit output)
  file(GLOB headers RELATIVE "${SOURCE_DIR}/src" "${SOURCE_DIR}/src/${folder}/*.hpp")
  foreach(header IN LISTS headers)
    expect_same_file("${prefix}/${INCLUDEDIR}/torvex/${header}" "${SOURCE_DIR}/src/${header}")
    math(EXPR header_count "${header_count} + 1")
  endforeach()
endforeach()
if(header_count EQUAL 0)
  message(FATAL_ERROR "no headers found under ${SOURCE_DIR}/src")
endif()
file(GLOB_RECURSE stray RELATIVE "${prefix}/${INCLUDEDIR}/torvex"
     "${prefix}/${INCLUDEDIR}/torvex/*")
list(FILTER stray INCLUDE REGEX "^app/|\\.cpp$")
if(stray)
  message(FATAL_ERROR "installed but not public: ${stray}")
endif()

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

# The installed program on the bundled example, and the consumer on the same
# pair, each in a folder of its own.
set(examples "${SOURCE_DIR}/examples")
foreach(run_dir IN ITEMS program consumer)
  file(MAKE_DIRECTORY "${WORK_DIR}/${run_dir}")
  file(COPY "${examples}/1hpv_chainA.pdb" "${examples}/1hpv_chainB.pdb"
       DESTINATION "${WORK_DIR}/${run_dir}")
endforeach()
set(run_options WORKING_DIRECTORY "${WORK_DIR}/program"
                INPUT_FILE "${examples}/dialogue.txt")
run("the installed program" "${prefix}/${BINDIR}/torvex")
set(run_options WORKING_DIRECTORY "${WORK_DIR}/consumer" INPUT_FILE /dev/null)
run("the consumer" "${consumer_build}/consumer")

set(expected_file "${examples}/expected/1hpv_chainB_mvd.pdb")
expect_same_file("${WORK_DIR}/program/1hpv_chainB_mvd.pdb" "${expected_file}")

# The consumer wrote the header alone: 18 whole records, the same bytes as
# the start of the program's results file. Compared as hex, since CMake
# strings do not keep carriage returns.
set(consumer_file "${WORK_DIR}/consumer/1hpv_chainB_mvd.pdb")
file(STRINGS "${consumer_file}" records)
list(LENGTH records record_count)
file(READ "${consumer_file}" consumer_hex HEX)
string(LENGTH "${consumer_hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
file(READ "${expected_file}" expected_hex HEX LIMIT ${byte_count})
if(NOT record_count EQUAL 18 OR NOT consumer_hex MATCHES "0d0a$"
   OR NOT consumer_hex STREQUAL expected_hex)
  message(FATAL_ERROR "the consumer's results file is not the 18 header records that "
                      "start ${expected_file} (${record_count} records, ${byte_count} bytes)")
endif()
