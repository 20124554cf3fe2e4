# Helpers shared by every area of the build.

# furlpane_test(<name> LABEL <area> SOURCES <files...> [LIBS <targets...>])
# One GoogleTest executable per area; each case becomes a ctest test carrying the
# area as its label, so `ctest -L <area>` runs one area. Tests see their own
# configuration folder inside the build tree, so that nothing a test stores in the
# program's standard defaults ever reaches the user's own.
function(furlpane_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_LABEL)
    message(FATAL_ERROR "furlpane_test(${name}) needs a LABEL")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  # In the sanitized trees the tests' own code is built without optimisation: it is half
  # of what those trees compile and little of what their runs spend (that is the
  # libraries', still optimised); the sanitizers check it all the same.
  if(FURLPANE_SANITIZE OR FURLPANE_TSAN)
    target_compile_options(${name} PRIVATE -O0)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
               ENVIRONMENT "XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config")
endfunction()

# furlpane_bench(<name> SOURCES <files...> [LIBS <targets...>])
function(furlpane_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()
