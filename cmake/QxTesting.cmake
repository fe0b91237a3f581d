include(GoogleTest)

# qx_add_test(<name> SOURCES ... LIBS ... [ENV VAR=value ...])
# One GoogleTest program per folder of tests; every TEST becomes its own CTest entry so ctest -j spreads them.
function(qx_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main qx_warnings)
  target_compile_definitions(${name} PRIVATE QX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${ARG_ENV}" TIMEOUT 300)
endfunction()
