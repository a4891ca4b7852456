# Script of install.without-structure-run (cmake -P): the README's first
# command as on a machine without gemmi. The release preset with the
# structure run left out builds the program (warnings are errors there), the
# bundled example matches examples/expected, and a structure run is refused
# in one line with status 2, no file written. Configuring where gemmi cannot
# be found warns, naming what is left out and the packages that bring it.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
set(build "${WORK_DIR}/build")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --preset release -B "${build}" -G "${GENERATOR}"
          "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" -DTORVEX_STRUCTURE_RUN=OFF
          -DTORVEX_BUILD_TESTS=OFF -DTORVEX_PYTHON=OFF
  WORKING_DIRECTORY "${SOURCE_DIR}"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring without the structure run failed (${status}):\n${out}\n${err}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${build}" --target torvex -j2
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "building without the structure run failed (${status}):\n${out}\n${err}")
endif()

set(PROGRAM "${build}/torvex")
set(EXAMPLES "${SOURCE_DIR}/examples")
set(SCRATCH "${WORK_DIR}/example")
include("${SOURCE_DIR}/tests/app/example_matches.cmake")

set(refused "torvex: this build has no structure run (PDBx/mmCIF, gzip-compressed files and its options): it was built without gemmi\n")
set(modern "${SOURCE_DIR}/tests/data_modern")
set(scratch "${WORK_DIR}/refused")
foreach(run "-q;${modern}/1k6p.cif;${modern}/1k6p.cif"
            "${modern}/d1yeb__.pdb.gz;${modern}/d2pcbb_.pdb.gz"
            "--atoms=ca;1hpv_chainA.pdb;1hpv_chainB.pdb")
  file(REMOVE_RECURSE "${scratch}")
  file(MAKE_DIRECTORY "${scratch}")
  file(COPY "${EXAMPLES}/1hpv_chainA.pdb" "${EXAMPLES}/1hpv_chainB.pdb" DESTINATION "${scratch}")
  execute_process(COMMAND "${PROGRAM}" ${run} WORKING_DIRECTORY "${scratch}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(GLOB left RELATIVE "${scratch}" "${scratch}/*")
  if(NOT status EQUAL 2 OR NOT out STREQUAL "" OR NOT err STREQUAL refused
     OR NOT left STREQUAL "1hpv_chainA.pdb;1hpv_chainB.pdb")
    message(FATAL_ERROR "torvex ${run}: status ${status}, stdout '${out}', stderr '${err}', "
                        "files ${left}")
  endif()
endforeach()

execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/unfound" -G "${GENERATOR}"
          "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" -DTORVEX_BUILD_TESTS=OFF -DTORVEX_PYTHON=OFF
          "-DCMAKE_IGNORE_PATH=/usr/include;/usr/local/include"
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REGEX REPLACE "[ \n]+" " " said "${err}")
if(NOT status EQUAL 0 OR NOT said MATCHES "gemmi not found: the program is built without the structure run .*gemmi-dev, tao-pegtl-dev and libstb-dev")
  message(FATAL_ERROR "configuring where gemmi is missing did not warn (${status}):\n${err}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
