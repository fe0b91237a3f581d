include(GoogleTest)

# qx_add_test(<name> SOURCES ... LIBS ... [ENV VAR=value ...])
# One GoogleTest program per folder of tests; every TEST becomes its own CTest entry so ctest -j spreads them.
function(qx_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main qx_warnings)
  target_compile_definitions(${name} PRIVATE QX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QX_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # A main window made with the offline subsystem asks for updates as it opens; under test it asks a closed port.
  if(qx_offline IN_LIST ARG_LIBS OR qx_program_commands IN_LIST ARG_LIBS)
    target_link_libraries(${name} PRIVATE qx_closed_update_port)
  endif()
  # The environment travels as a launcher rather than the ENVIRONMENT property: that property is a list, which
  # the discovery step would split into property names, and this way discovery sees the same environment.
  if(ARG_ENV)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${ARG_ENV})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()
