// Names taken from a card are untrusted: they become plain file names inside the output folder,
// never paths, device names or the name of a file already there.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace recovery {

// A file name made of a directory entry's name and extension: blanks trimmed, characters that a
// file name cannot hold (separators, wildcards, control bytes) replaced by '_', a name of dots or
// a device name (CON, NUL, COM1, ...) refused. nullopt when nothing usable is left.
std::optional<std::string> SafeFileName(std::string_view name, std::string_view extension);

// folder + name, or, when that exists, folder + base + n + extension for the first free n.
std::string FreeTargetPath(const std::string& folder, const std::string& name);

// True when path lies on the drive with the given letter, whatever its case or spelling
// ("e:\x", "E:/x", "\\?\E:\x", "\\.\E:").
bool PathIsOnDrive(std::string_view path, char driveLetter);

}  // namespace recovery
