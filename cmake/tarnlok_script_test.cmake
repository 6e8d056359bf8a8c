# tarnlok_add_script_test(name SCRIPT file [MACHINE json] [EXIT status] [OUTPUT text...] [ERROR text...])
#
# One ctest entry that runs the real program on a script (TARNLOK_SCRIPT, docs/scripting.md),
# offscreen, in a fresh data folder: build/<preset>/<folder>/script-runs/<name>/. The script
# and the machine description are copied there first with @RUN_DIR@ (that folder) and
# @SOURCE_DIR@ (the repository) filled in. Without MACHINE the program makes the default
# machine. The test passes when the program exits with EXIT (default 0), its standard output
# holds each OUTPUT text and its standard error each ERROR text, in order (texts
# without ";"); a run expected to
# succeed must not report a failed step.
function(tarnlok_add_script_test name)
  cmake_parse_arguments(ARG "" "SCRIPT;MACHINE;EXIT" "OUTPUT;ERROR" ${ARGN})
  if(NOT ARG_SCRIPT)
    message(FATAL_ERROR "tarnlok_add_script_test(${name}): SCRIPT is required")
  endif()
  if(NOT DEFINED ARG_EXIT)
    set(ARG_EXIT 0)
  endif()
  get_filename_component(script "${ARG_SCRIPT}" ABSOLUTE)
  set(machine "")
  if(ARG_MACHINE)
    get_filename_component(machine "${ARG_MACHINE}" ABSOLUTE)
  endif()
  # The expected texts travel to the runner in a file of their own, each as it was written.
  set(expectations "${CMAKE_CURRENT_BINARY_DIR}/script-runs/${name}.expected.cmake")
  set(content "set(EXPECTED_EXIT ${ARG_EXIT})\nset(EXPECTED_OUTPUT)\nset(EXPECTED_ERROR)\n")
  foreach(text IN LISTS ARG_OUTPUT)
    string(APPEND content "list(APPEND EXPECTED_OUTPUT [==[${text}]==])\n")
  endforeach()
  foreach(text IN LISTS ARG_ERROR)
    string(APPEND content "list(APPEND EXPECTED_ERROR [==[${text}]==])\n")
  endforeach()
  file(WRITE "${expectations}" "${content}")
  add_test(NAME script.${name}
    COMMAND ${CMAKE_COMMAND}
      -DPROGRAM=$<TARGET_FILE:Tarnlok>
      -DSCRIPT=${script}
      -DMACHINE=${machine}
      -DRUN_DIR=${CMAKE_CURRENT_BINARY_DIR}/script-runs/${name}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DEXPECTATIONS=${expectations}
      -P ${PROJECT_SOURCE_DIR}/cmake/run_script_test.cmake)
  # No timeout of its own: the test preset's applies, longer under the sanitizers. Each run is a
  # whole program with its threads: two processors keep parallel runs from starving each other.
  set_tests_properties(script.${name} PROPERTIES PROCESSORS 2 LABELS script)
endfunction()
