# Warnings are errors for every target of ours. The class-related warnings mean nothing to a C
# compiler, which would warn about the options themselves.
add_library(tarnlok_warnings INTERFACE)
target_compile_options(tarnlok_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor> -Wcast-align
  $<$<COMPILE_LANGUAGE:CXX>:-Woverloaded-virtual> -Wnull-dereference -Wformat=2 -Werror)
