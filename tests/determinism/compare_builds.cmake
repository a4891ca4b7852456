# Run with cmake -P. Builds the torvex target again, in build directories of
# its own under WORK_DIR, with
#   - the same compiler and the other build type (Debug is -O0), and
#   - the other compiler (clang++ beside GCC, g++ beside Clang) in Release,
#     when that compiler is installed; without it that build is skipped,
# then runs the reference program and every other build on each dialogue
# (*.in beside this script) in a scratch directory holding the test
# structures, and compares the exit status, stdout, stderr and every file the
# run leaves byte for byte. The build directories are kept between runs, so
# a later run only rebuilds what changed.
cmake_minimum_required(VERSION 3.25)

foreach(name SOURCE_DIR DATA_DIR DIALOGUE_DIR WORK_DIR REFERENCE GENERATOR COMPILER
             COMPILER_ID OTHER_BUILD_TYPE)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "compare_builds.cmake needs -D${name}=...")
  endif()
endforeach()

# What the dialogues open.
set(STRUCTURES 1adz_model1.pdb 1adz_model2.pdb 1FV9_A.pdb 1OWD_A.pdb 1hpv_chainA.pdb
               1hpv_chainB.pdb)

# Configures and builds one variant; sets <out_var> to its program.
function(build_variant out_var name build_type compiler)
  set(dir "${WORK_DIR}/${name}")
  message(STATUS "building ${name}: ${build_type} with ${compiler}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${dir}" -G "${GENERATOR}"
            "-DCMAKE_BUILD_TYPE=${build_type}" "-DCMAKE_CXX_COMPILER=${compiler}"
            "-DCMAKE_CXX_FLAGS_DEBUG=-g -O0"
            -DTORVEX_BUILD_TESTS=OFF -DTORVEX_WERROR=OFF
    RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "configuring ${name} failed:\n${log}")
  endif()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" --build "${dir}" --target torvex --parallel 2
    RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "building ${name} failed:\n${log}")
  endif()
  if(EXISTS "${dir}/torvex")
    set(${out_var} "${dir}/torvex" PARENT_SCOPE)
  else()
    file(GLOB_RECURSE found "${dir}/*/torvex")
    list(LENGTH found count)
    if(NOT count EQUAL 1)
      message(FATAL_ERROR "cannot find the program built in ${dir}")
    endif()
    set(${out_var} "${found}" PARENT_SCOPE)
  endif()
endfunction()

# Runs `program` on `dialogue` in a fresh <run_dir> holding the structures.
# Leaves stdout, stderr and status in files named run.* beside it.
function(run_dialogue program dialogue run_dir)
  file(REMOVE_RECURSE "${run_dir}")
  file(MAKE_DIRECTORY "${run_dir}/files")
  foreach(structure IN LISTS STRUCTURES)
    file(COPY "${DATA_DIR}/${structure}" DESTINATION "${run_dir}/files")
  endforeach()
  execute_process(
    COMMAND "${program}"
    WORKING_DIRECTORY "${run_dir}/files"
    INPUT_FILE "${dialogue}"
    OUTPUT_FILE "${run_dir}/run.stdout"
    ERROR_FILE "${run_dir}/run.stderr"
    RESULT_VARIABLE status
    TIMEOUT 120)
  file(WRITE "${run_dir}/run.status" "${status}\n")
endfunction()

# The first line where two text files part, for the report.
function(first_difference out_var left right)
  file(STRINGS "${left}" left_lines)
  file(STRINGS "${right}" right_lines)
  list(LENGTH left_lines left_count)
  list(LENGTH right_lines right_count)
  set(line 0)
  while(line LESS left_count AND line LESS right_count)
    list(GET left_lines ${line} a)
    list(GET right_lines ${line} b)
    if(NOT a STREQUAL b)
      math(EXPR number "${line} + 1")
      set(${out_var} "line ${number}:\n  <${a}>\n  <${b}>" PARENT_SCOPE)
      return()
    endif()
    math(EXPR line "${line} + 1")
  endwhile()
  set(${out_var} "lengths ${left_count} and ${right_count} lines (or line ends)" PARENT_SCOPE)
endfunction()

# Compares one run directory with the reference's; appends to `failures`.
function(compare_runs reference_dir other_dir label)
  set(problems "")
  foreach(name run.status run.stdout run.stderr)
    execute_process(
      COMMAND "${CMAKE_COMMAND}" -E compare_files "${reference_dir}/${name}" "${other_dir}/${name}"
      RESULT_VARIABLE differs)
    if(differs)
      first_difference(where "${reference_dir}/${name}" "${other_dir}/${name}")
      string(APPEND problems "  ${name} differs at ${where}\n")
    endif()
  endforeach()
  file(GLOB_RECURSE reference_files RELATIVE "${reference_dir}/files" "${reference_dir}/files/*")
  file(GLOB_RECURSE other_files RELATIVE "${other_dir}/files" "${other_dir}/files/*")
  list(SORT reference_files)
  list(SORT other_files)
  if(NOT reference_files STREQUAL other_files)
    string(APPEND problems "  files left: ${reference_files} against ${other_files}\n")
  endif()
  foreach(name IN LISTS reference_files)
    if(EXISTS "${other_dir}/files/${name}")
      execute_process(
        COMMAND "${CMAKE_COMMAND}" -E compare_files
                "${reference_dir}/files/${name}" "${other_dir}/files/${name}"
        RESULT_VARIABLE differs)
      if(differs)
        first_difference(where "${reference_dir}/files/${name}" "${other_dir}/files/${name}")
        string(APPEND problems "  ${name} differs at ${where}\n")
      endif()
    endif()
  endforeach()
  if(problems)
    set(failures "${failures}${label}:\n${problems}" PARENT_SCOPE)
  else()
    message(STATUS "${label}: identical")
  endif()
endfunction()

# The variants.
set(variants "")
build_variant(program "other-type" "${OTHER_BUILD_TYPE}" "${COMPILER}")
list(APPEND variants "other-type=${program}")

if(COMPILER_ID STREQUAL "Clang")
  find_program(OTHER_COMPILER NAMES g++)
else()
  find_program(OTHER_COMPILER NAMES clang++)
endif()
if(OTHER_COMPILER)
  build_variant(program "other-compiler" Release "${OTHER_COMPILER}")
  list(APPEND variants "other-compiler=${program}")
else()
  message(STATUS "no second compiler installed: that comparison is skipped")
endif()

file(GLOB dialogues "${DIALOGUE_DIR}/*.in")
if(NOT dialogues)
  message(FATAL_ERROR "no dialogues in ${DIALOGUE_DIR}")
endif()
set(failures "")
foreach(dialogue IN LISTS dialogues)
  get_filename_component(stem "${dialogue}" NAME_WE)
  set(reference_dir "${WORK_DIR}/runs/${stem}/reference")
  run_dialogue("${REFERENCE}" "${dialogue}" "${reference_dir}")
  # A run that stopped early would compare equal with little to compare.
  file(READ "${reference_dir}/run.status" status)
  file(GLOB results "${reference_dir}/files/*_mvd.pdb")
  if(NOT status STREQUAL "0\n" OR NOT results)
    message(FATAL_ERROR "${stem}: the reference run ended with status ${status}"
                        " and results files [${results}]")
  endif()
  foreach(variant IN LISTS variants)
    string(REGEX REPLACE "=.*" "" name "${variant}")
    string(REGEX REPLACE "^[^=]*=" "" program "${variant}")
    set(other_dir "${WORK_DIR}/runs/${stem}/${name}")
    run_dialogue("${program}" "${dialogue}" "${other_dir}")
    compare_runs("${reference_dir}" "${other_dir}" "${stem}, ${name}")
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "builds disagree:\n${failures}")
endif()
