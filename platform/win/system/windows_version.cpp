#include "platform/win/windows_version.h"

#include <atomic>

namespace win {
namespace {

// Windows XP until the machine says otherwise.
std::atomic<WindowsVersion> currentVersion{WindowsVersion::Xp};

}  // namespace

WindowsVersion CurrentWindowsVersion() { return currentVersion.load(); }

void SetWindowsVersion(WindowsVersion version) { currentVersion.store(version); }

}  // namespace win
