# tarnlok_add_fuzzer(name SOURCES ... LIBS ... CORPUS dir): a libFuzzer target in the fuzz
# preset; in the other presets the same harness replays its corpus (seeds and every crash
# kept as a regression input) as a ctest entry.
function(tarnlok_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tarnlok_warnings)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TARNLOK_OUTPUT_DIR}/fuzz)
  if(TARNLOK_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    file(APPEND ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${name} ${ARG_CORPUS}\n")
  else()
    target_link_libraries(${name} PRIVATE tarnlok_fuzz_replay)
    add_test(NAME ${name}.corpus COMMAND ${name} ${ARG_CORPUS})
  endif()
endfunction()
