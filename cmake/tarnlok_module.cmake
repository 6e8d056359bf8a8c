# tarnlok_module(<target> [EXPORTS_MAP <file>]): a module of the system (a shared library the
# program or an outside program loads). It exports only its extern "C" entry points, so that
# two modules may define the same C++ names; a module with a map of its own names exactly what
# it exports. Symbols of the static libraries it links never leave it. It must resolve every
# symbol at link time (except under clang's sanitizers, whose runtime only the executable carries).
set(TARNLOK_MODULE_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/module_exports.map)

function(tarnlok_module target)
  cmake_parse_arguments(ARG "" "EXPORTS_MAP" "" ${ARGN})
  set(map ${TARNLOK_MODULE_EXPORTS_MAP})
  if(ARG_EXPORTS_MAP)
    set(map ${ARG_EXPORTS_MAP})
  endif()
  target_link_options(${target} PRIVATE "-Wl,--version-script=${map}" -Wl,--exclude-libs,ALL)
  if(NOT TARNLOK_FUZZ)
    target_link_options(${target} PRIVATE -Wl,--no-undefined)
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${map}")
endfunction()
