# qx_add_fuzz_target(<name> SOURCES ... LIBS ... CORPUS <dir>)
# With QX_FUZZ the target is a libFuzzer program (make fuzz runs it for a while).
# Without it the same entry point is linked to a replay driver, and CTest runs it once over the seed corpus,
# so every normal build proves the seeds still go through cleanly.
# Every target joins fuzz_targets, which is all the fuzz preset builds: the tree's tests and tools stay out of it.
if(NOT TARGET fuzz_targets)
  add_custom_target(fuzz_targets)
endif()

function(qx_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  add_dependencies(fuzz_targets ${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} qx_warnings)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  if(QX_FUZZ)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    add_test(NAME fuzz_seeds.${name} COMMAND ${name} ${ARG_CORPUS})
    set_tests_properties(fuzz_seeds.${name} PROPERTIES TIMEOUT 300)
  endif()
endfunction()
