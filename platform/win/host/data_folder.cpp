#include "platform/win/data_folder.h"

#include <cstdlib>
#include <stdexcept>

namespace win {
namespace {

std::filesystem::path ChooseDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg == '/') {
    return std::filesystem::path(xdg) / "tarnlok";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') throw std::runtime_error("neither XDG_DATA_HOME nor HOME is set");
  return std::filesystem::path(home) / ".local" / "share" / "tarnlok";
}

}  // namespace

const std::filesystem::path& DataFolder() {
  static const std::filesystem::path folder = [] {
    auto chosen = ChooseDataFolder();
    std::filesystem::create_directories(chosen);
    return chosen;
  }();
  return folder;
}

std::filesystem::path DriveCFolder() { return DataFolder() / "drive_c"; }

}  // namespace win
