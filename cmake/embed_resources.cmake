# Writes OUTPUT, a C++ source that holds every file of the resource folder FOLDER as bytes and
# registers them with the platform while its module loads. Run by tarnlok_add_resources:
#   cmake -DFOLDER=<folder> -DOUTPUT=<file.cpp> -P embed_resources.cmake
file(GLOB_RECURSE files RELATIVE "${FOLDER}" "${FOLDER}/*")
list(SORT files)

set(arrays "")
set(entries "")
set(index 0)
foreach(file IN LISTS files)
  # help/ and boot/ hold files the program opens as files (the help file, the system files of a
  # bootable card), not module resources.
  if(file MATCHES "(^|/)README\\.md$" OR file MATCHES "^(help|boot)/")
    continue()
  endif()
  # The shapes the platform reads; checked here too, so that a stray file fails the build.
  if(NOT file MATCHES "^(strings\\.txt|[a-z]+/[0-9]+\\.[A-Za-z0-9]+)$")
    message(FATAL_ERROR "${FOLDER}/${file}: a resource is strings.txt or <type>/<id>.<extension>")
  endif()
  file(READ "${FOLDER}/${file}" hex HEX)
  if(hex STREQUAL "")
    string(APPEND entries "    {\"${file}\", nullptr, 0},\n")
  else()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(APPEND arrays "constexpr unsigned char kResource${index}[] = {${bytes}};\n")
    string(APPEND entries "    {\"${file}\", kResource${index}, sizeof kResource${index}},\n")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

if(entries STREQUAL "")
  set(registration "const win::ModuleRegistration registration{std::span<const win::ResourceFile>{}};\n")
else()
  set(registration "constexpr win::ResourceFile kResources[] = {\n${entries}};\n\nconst win::ModuleRegistration registration{kResources};\n")
endif()

set(source "// Generated from ${FOLDER} by tarnlok_add_resources; edit the folder, not this file.
#include \"platform/win/modules/module_registration.h\"

namespace {

${arrays}
${registration}
}  // namespace
")

# Unchanged output keeps its time stamp, so the module is not linked again for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL source)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${source}")
