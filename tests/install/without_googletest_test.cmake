# Script of install.without-googletest (cmake -P): configures the sources in
# a scratch folder as a machine without GoogleTest would.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}" -G "${GENERATOR}"
          "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}" -DCMAKE_BUILD_TYPE=Release
          -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "configuring without GoogleTest failed (${status}):\n${out}\n${err}")
endif()
string(REGEX REPLACE "[ \n]+" " " said "${err}")
if(NOT said MATCHES "GoogleTest \\(libgtest-dev\\) not found: the tests are not built")
  message(FATAL_ERROR "configuring without GoogleTest did not say so:\n${err}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK_DIR}" --target help
                OUTPUT_VARIABLE targets RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT targets MATCHES "torvex" OR EXISTS "${WORK_DIR}/tests"
   OR EXISTS "${WORK_DIR}/CTestTestfile.cmake")
  message(FATAL_ERROR "without GoogleTest: want the program and no test; targets:\n${targets}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
