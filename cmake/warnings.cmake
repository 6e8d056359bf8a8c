# Warnings are errors for every target of ours.
add_library(tarnlok_warnings INTERFACE)
target_compile_options(tarnlok_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Werror)
