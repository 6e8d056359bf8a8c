// The per-user data folder that holds drive C:, the registry, named objects and the
// machine description: $XDG_DATA_HOME/tarnlok, else ~/.local/share/tarnlok.
#pragma once

#include <filesystem>

namespace win {

// The folder, created on first use.
const std::filesystem::path& DataFolder();

// Host folder of drive C: inside the data folder.
std::filesystem::path DriveCFolder();

}  // namespace win
