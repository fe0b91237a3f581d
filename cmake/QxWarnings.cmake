# One warning policy for every target of ours; third-party headers come in as SYSTEM includes.
add_library(qx_warnings INTERFACE)
target_compile_options(qx_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wimplicit-fallthrough -Wformat=2)
if(QX_WARNINGS_AS_ERRORS)
  target_compile_options(qx_warnings INTERFACE -Werror)
endif()
