// Start of a process of the system: the program or a test. Finds the executable's real
// folder and links its deliverables into the program folder.
#pragma once

#include <filesystem>

namespace win {

void StartProcess();

// The folder that holds the running executable on the host.
const std::filesystem::path& ExecutableFolder();

}  // namespace win
