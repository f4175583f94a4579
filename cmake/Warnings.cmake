# Warnings are errors on every compiler the project builds with.
# COM interfaces have no virtual destructor by design (objects free themselves in Release), so
# -Wnon-virtual-dtor is not used.
add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wcast-align -Wunused
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
