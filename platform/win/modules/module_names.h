// How a name handed to LoadLibraryA or GetModuleHandleA maps to a module: "X.DLL" is the
// shared object libX.so of the folder named, "X.EXE" (a program loaded for its resources)
// libX.exe.so; a file name without an extension gets ".DLL",
// as Windows adds its default extension; names compare ignoring case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace win {

struct ModuleName {
  // As given, up to and including the last '\' or '/'; empty for a bare name.
  std::string folder;
  // As given, with ".DLL" added when it had no extension.
  std::string fileName;
};

// Splits a module path; nullopt when it names no file ("", "C:\dir\").
std::optional<ModuleName> SplitModuleName(std::string_view path);

// "libX.so" for "X.DLL", "libX.exe.so" for "X.EXE" (any case of the extension); nullopt for any
// other extension.
std::optional<std::string> SharedObjectFileName(std::string_view fileName);

// The file name part of a Windows or host path.
std::string_view FileNamePart(std::string_view path);

}  // namespace win
