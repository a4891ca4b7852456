# Runs the example dialogue in a scratch folder and compares the console
# transcript and the results file with examples/expected byte for byte.
# PROGRAM may be a list: a launcher, then the program.
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
file(COPY "${EXAMPLES}/1hpv_chainA.pdb" "${EXAMPLES}/1hpv_chainB.pdb" DESTINATION "${SCRATCH}")
execute_process(
  COMMAND ${PROGRAM}
  WORKING_DIRECTORY "${SCRATCH}"
  INPUT_FILE "${EXAMPLES}/dialogue.txt"
  OUTPUT_FILE "${SCRATCH}/transcript.txt"
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "example run ended with status ${status}: ${errors}")
endif()
foreach(name transcript.txt 1hpv_chainB_mvd.pdb)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E compare_files "${EXAMPLES}/expected/${name}" "${SCRATCH}/${name}"
    RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name} differs from examples/expected/${name}")
  endif()
endforeach()
