# tarnlok_module(<target>): a module of the system (a shared library the program loads with
# LoadLibraryA). It exports only its extern "C" entry points, so that two modules may define the
# same C++ names, and it must resolve every symbol at link time.
set(TARNLOK_MODULE_EXPORTS_MAP ${CMAKE_CURRENT_LIST_DIR}/module_exports.map)

function(tarnlok_module target)
  target_link_options(${target} PRIVATE -Wl,--no-undefined "-Wl,--version-script=${TARNLOK_MODULE_EXPORTS_MAP}")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${TARNLOK_MODULE_EXPORTS_MAP}")
endfunction()
