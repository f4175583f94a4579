# The warnings every target is built with. The presets make them errors
# (CMAKE_COMPILE_WARNING_AS_ERROR), so that a build outside them with a newer compiler still works.
# COM interfaces have no virtual destructor by design (objects free themselves in Release), so
# -Wnon-virtual-dtor is not used.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wcast-align -Wunused
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
