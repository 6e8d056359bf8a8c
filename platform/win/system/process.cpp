#include "platform/win/process.h"

#include "platform/win/paths.h"

namespace win {

const std::filesystem::path& ExecutableFolder() {
  static const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  return folder;
}

void StartProcess() { LinkProgramFolder(ExecutableFolder()); }

}  // namespace win
