# The program resolves its data files against its working directory. Everything such a directory needs is staged
# into ${CMAKE_BINARY_DIR}/workdir by the `workdir` target; `make run` copies it to build/run and tests copy what
# they need into their own temporary folders.
set(QX_WORKDIR ${CMAKE_BINARY_DIR}/workdir)
add_custom_target(workdir ALL)

# qx_workdir_files(<name> DEST <subfolder or .> FILES <file>... [DEPENDS <target>...])
function(qx_workdir_files name)
  cmake_parse_arguments(ARG "" "DEST" "FILES;DEPENDS" ${ARGN})
  set(outputs)
  foreach(file ${ARG_FILES})
    get_filename_component(base ${file} NAME)
    set(out ${QX_WORKDIR}/${ARG_DEST}/${base})
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QX_WORKDIR}/${ARG_DEST}
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${out}
      DEPENDS ${file} ${ARG_DEPENDS}
      VERBATIM)
    list(APPEND outputs ${out})
  endforeach()
  add_custom_target(workdir_${name} DEPENDS ${outputs})
  add_dependencies(workdir workdir_${name})
endfunction()
