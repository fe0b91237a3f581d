# qx_embed_resources(<target> [BASE <folder>] FILES <file>...)
# Puts the files into the binary; at run time fw::FindEmbeddedFile answers them by their path relative to BASE
# (default: the calling folder), and fw::EmbeddedResources parses the ".rc" scripts among them (after the ".h"
# headers, for their #define ids). A static or interface library hands the generated source on to whatever links
# it, so that the registration is never dropped by the linker.
# Cached, so that qx_embed_resources also works in folders outside the one that included this file.
set(QX_EMBED_GENERATOR ${CMAKE_CURRENT_LIST_DIR}/QxEmbedGenerate.cmake CACHE INTERNAL "")

function(qx_embed_resources target)
  cmake_parse_arguments(ARG "" "BASE" "FILES" ${ARGN})
  if(NOT ARG_BASE)
    set(ARG_BASE ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(files)
  foreach(file ${ARG_FILES})
    get_filename_component(abs ${file} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    list(APPEND files ${abs})
  endforeach()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded.cpp)
  string(REPLACE ";" "|" files_arg "${files}")
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DBASE=${ARG_BASE} "-DFILES=${files_arg}" -P ${QX_EMBED_GENERATOR}
    DEPENDS ${files} ${QX_EMBED_GENERATOR}
    COMMENT "Embedding resources of ${target}"
    VERBATIM)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "INTERFACE_LIBRARY")
    target_sources(${target} INTERFACE ${out})
    target_link_libraries(${target} INTERFACE qx_framework)
  else()
    target_sources(${target} PRIVATE ${out})
    target_link_libraries(${target} PRIVATE qx_framework)
  endif()
endfunction()
