# Runs the program on one script for tarnlok_add_script_test (tarnlok_script_test.cmake).
include("${EXPECTATIONS}")
file(REMOVE_RECURSE "${RUN_DIR}")
file(MAKE_DIRECTORY "${RUN_DIR}/data" "${RUN_DIR}/runtime")
file(CHMOD "${RUN_DIR}/runtime" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
configure_file("${SCRIPT}" "${RUN_DIR}/script.txt" @ONLY)

set(machine_setting --unset=TARNLOK_MACHINE)
if(MACHINE)
  configure_file("${MACHINE}" "${RUN_DIR}/machine.json" @ONLY)
  set(machine_setting "TARNLOK_MACHINE=${RUN_DIR}/machine.json")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${machine_setting}
    "XDG_DATA_HOME=${RUN_DIR}/data" "XDG_RUNTIME_DIR=${RUN_DIR}/runtime" QT_QPA_PLATFORM=offscreen
    "TARNLOK_SCRIPT=${RUN_DIR}/script.txt" "${PROGRAM}"
  WORKING_DIRECTORY "${RUN_DIR}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE output
  ERROR_VARIABLE error)

set(faults "")
if(NOT "${status}" STREQUAL "${EXPECTED_EXIT}")
  string(APPEND faults "exit status ${status}, expected ${EXPECTED_EXIT}\n")
endif()

# Each expected text must appear in the stream, after the one before it.
function(expect_in stream_name stream expected)
  set(rest "${stream}")
  foreach(text IN LISTS expected)
    string(FIND "${rest}" "${text}" at)
    if(at EQUAL -1)
      string(APPEND faults "${stream_name} lacks (in order): ${text}\n")
    else()
      string(LENGTH "${text}" length)
      math(EXPR after "${at} + ${length}")
      string(SUBSTRING "${rest}" ${after} -1 rest)
    endif()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()
expect_in("standard output" "${output}" "${EXPECTED_OUTPUT}")
expect_in("standard error" "${error}" "${EXPECTED_ERROR}")
if(EXPECTED_EXIT EQUAL 0 AND error MATCHES "script: line")
  string(APPEND faults "a step failed\n")
endif()

if(faults)
  message(FATAL_ERROR "${faults}--- standard output:\n${output}--- standard error:\n${error}")
endif()
