include(GoogleTest)

# tarnlok_add_test(name SOURCES ... LIBS ...): one GoogleTest executable, each case its
# own ctest entry (listed when ctest runs, under its environment), so that every case runs
# in a fresh process with its own data folder.
function(tarnlok_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE tarnlok_test_support ${ARG_LIBS} GTest::gtest GTest::gmock tarnlok_warnings)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TARNLOK_BIN_DIR=${TARNLOK_OUTPUT_DIR}"
    ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen")
endfunction()
