# A run started with arguments must be the dialogue's run: the same standard
# output, standard error and files, byte for byte, as the dialogue fed the
# equivalent answers on standard input. The status differs in two places
# only: a pairing check answered no stops the dialogue with 0, the command
# line (without -y) with 3; and a complete fit not to be trusted ends the
# command line with 4 and its reasons on standard error, one line each.
#
# Each case: name | structure files (under the source folder) | answers, one
# line each | arguments | status of the command line. Lists are comma-separated.
set(cases
  "example|examples/1hpv_chainA.pdb,examples/1hpv_chainB.pdb|1hpv_chainA,1hpv_chainB,n|1hpv_chainA.pdb,1hpv_chainB.pdb|0"
  "reverse-and-further|tests/data/1hpv_chainA.pdb,tests/data/1hpv_chainB.pdb|1hpv_chainB,1hpv_chainA,y,1hpv_chainB|1hpv_chainB,1hpv_chainA.pdb,1hpv_chainB|0"
  "nmr-models|tests/data/1adz_model1.pdb,tests/data/1adz_model2.pdb|1adz_model2,1adz_model1,n|1adz_model2.pdb,1adz_model1|0"
  "residues-yes|tests/data/1FV9_A.pdb,tests/data/1OWD_A.pdb|1FV9_A,1OWD_A,y,n|-y,1FV9_A,1OWD_A|0"
  "residues-no|tests/data/1FV9_A.pdb,tests/data/1OWD_A.pdb|1FV9_A,1OWD_A,n|1FV9_A.pdb,1OWD_A.pdb|3"
  "every-check|tests/data/1hpv_chainA.pdb,tests/data/1OWD_A.pdb,tests/data/1adz_model1.pdb|1hpv_chainA,1OWD_A,y,y,y,y,1adz_model1|--yes,1hpv_chainA,1OWD_A,1adz_model1.pdb|0"
  "counts-no|tests/data/1OWD_A.pdb,tests/data/1adz_model1.pdb|1OWD_A,1adz_model1,no|1OWD_A,1adz_model1|3"
  "line-limit|tests/e2e/cases/read-10000-line-limit/input/m.pdb,tests/e2e/cases/read-10000-line-limit/input/ref.pdb|m,ref,y,y,n|-y,m,ref|4"
)

function(run_in folder out_status out_error)
  execute_process(COMMAND "${PROGRAM}" ${ARGN}
    WORKING_DIRECTORY "${folder}"
    INPUT_FILE "${folder}/../answers"
    OUTPUT_FILE "${folder}/../stdout-${out_status}"
    ERROR_VARIABLE error
    RESULT_VARIABLE status)
  set(${out_status} "${status}" PARENT_SCOPE)
  set(${out_error} "${error}" PARENT_SCOPE)
endfunction()

set(failures "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 files)
  list(GET parts 2 answers)
  list(GET parts 3 arguments)
  list(GET parts 4 expected_status)
  string(REPLACE "," ";" files "${files}")
  string(REPLACE "," "\n" answers "${answers}")
  string(REPLACE "," ";" arguments "${arguments}")

  set(root "${SCRATCH}/${name}")
  file(REMOVE_RECURSE "${root}")
  file(MAKE_DIRECTORY "${root}/dialogue" "${root}/command")
  file(WRITE "${root}/answers" "${answers}\n")
  foreach(file IN LISTS files)
    file(COPY "${SOURCE_DIR}/${file}" DESTINATION "${root}/dialogue")
    file(COPY "${SOURCE_DIR}/${file}" DESTINATION "${root}/command")
  endforeach()

  run_in("${root}/dialogue" dialogue_status dialogue_error)
  # The command line never reads standard input: the answers there change nothing.
  run_in("${root}/command" command_status command_error ${arguments})

  if(NOT command_status STREQUAL expected_status)
    string(APPEND failures "${name}: command line status ${command_status}, expected ${expected_status}\n")
  endif()
  if(NOT (dialogue_status EQUAL 0 OR dialogue_status STREQUAL expected_status))
    string(APPEND failures "${name}: dialogue status ${dialogue_status}\n")
  endif()
  if(expected_status STREQUAL "4")
    string(REGEX REPLACE "(torvex: [^\n]*\n)+" "" unexplained "${command_error}")
    if(command_error STREQUAL "" OR NOT unexplained STREQUAL "" OR NOT dialogue_error STREQUAL "")
      string(APPEND failures "${name}: standard error is not the reasons for status 4\n")
    endif()
  elseif(NOT dialogue_error STREQUAL command_error)
    string(APPEND failures "${name}: standard error differs\n")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
    "${root}/stdout-dialogue_status" "${root}/stdout-command_status" RESULT_VARIABLE different)
  if(different)
    string(APPEND failures "${name}: standard output differs\n")
  endif()
  file(GLOB dialogue_files RELATIVE "${root}/dialogue" "${root}/dialogue/*")
  file(GLOB command_files RELATIVE "${root}/command" "${root}/command/*")
  if(NOT dialogue_files STREQUAL command_files)
    string(APPEND failures "${name}: files ${command_files}, the dialogue left ${dialogue_files}\n")
  endif()
  foreach(file IN LISTS dialogue_files)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
      "${root}/dialogue/${file}" "${root}/command/${file}" RESULT_VARIABLE different)
    if(different)
      string(APPEND failures "${name}: ${file} differs\n")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "the command line differs from the dialogue:\n${failures}")
endif()
