# tarnlok_add_resources(<target> <folder>): embeds the resource folder of a module (the program,
# a library) into it, so that its module handle answers LoadStringA and FindModuleResource from
# these files. The folder holds strings.txt and <type>/<id>.<extension> files (README.md files
# are left out); the generated source is rebuilt when a file changes, appears or goes.
set(TARNLOK_EMBED_RESOURCES_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_resources.cmake)

function(tarnlok_add_resources target folder)
  get_filename_component(folder "${folder}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  file(GLOB_RECURSE files CONFIGURE_DEPENDS "${folder}/*")
  set(output "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} "-DFOLDER=${folder}" "-DOUTPUT=${output}" -P "${TARNLOK_EMBED_RESOURCES_SCRIPT}"
    DEPENDS ${files} "${TARNLOK_EMBED_RESOURCES_SCRIPT}"
    COMMENT "Embedding the resources of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${output}")
endfunction()
