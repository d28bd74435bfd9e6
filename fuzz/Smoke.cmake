# The number fuzzer's smoke run for the default test run: builds the fuzzer with clang when needed
# and runs it for a few seconds from the seed corpus. A long run is a separate, manual step.
#
# This file serves twice: included from the top-level CMakeLists.txt it registers the test; run
# with `cmake -P` it is the test (SOURCE_DIR, BINARY_DIR, CXX and SECONDS are passed with -D).

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT CXX)
    message(FATAL_ERROR "clang++ not found: the fuzzer needs clang and libclang-rt-14-dev "
                        "(./dravik.sh test installs them)")
  endif()
  if(NOT EXISTS "${BINARY_DIR}/CMakeCache.txt")
    execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${BINARY_DIR}"
                            -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=RelWithDebInfo
                    RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
      file(REMOVE "${BINARY_DIR}/CMakeCache.txt")
      message(FATAL_ERROR "Configuring the fuzzer failed")
    endif()
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BINARY_DIR}" RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "Building the fuzzer failed")
  endif()
  # New inputs go to a scratch folder, never into the seeds in the source tree.
  set(_scratch "${BINARY_DIR}/smoke-corpus")
  file(REMOVE_RECURSE "${_scratch}")
  file(MAKE_DIRECTORY "${_scratch}")
  execute_process(COMMAND "${BINARY_DIR}/number_fuzz" -max_total_time=${SECONDS}
                          -artifact_prefix=${BINARY_DIR}/ "${_scratch}" "${SOURCE_DIR}/corpus"
                  RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "The fuzzer found a fault (exit ${_rc}); the input is in ${BINARY_DIR}")
  endif()
  return()
endif()

find_program(DRAVIK_FUZZ_CXX NAMES clang++-14 clang++ DOC "clang for the number fuzzer")
if(NOT DRAVIK_FUZZ_CXX)
  set(DRAVIK_FUZZ_CXX "")
endif()
add_test(NAME fuzz_number_smoke
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_CURRENT_LIST_DIR}
                 -DBINARY_DIR=${CMAKE_BINARY_DIR}/fuzz -DCXX=${DRAVIK_FUZZ_CXX} -DSECONDS=5
                 -P ${CMAKE_CURRENT_LIST_FILE})
# The first run builds the fuzzer, which takes a minute on a small machine.
set_tests_properties(fuzz_number_smoke PROPERTIES LABELS unit TIMEOUT 600)
