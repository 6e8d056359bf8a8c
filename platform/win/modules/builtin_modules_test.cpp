#include "platform/win/modules/builtin_modules.h"

#include "platform/win/system/last_error.h"
#include "platform/win/modules/modules.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xDEADBEEF;

void StandIn() {}

struct VersionCase {
  WindowsVersion version;
  bool is9x;
  bool from2000;
};

constexpr std::array kVersions{
    VersionCase{WindowsVersion::Win95, true, false}, VersionCase{WindowsVersion::Win95Osr2, true, false},
    VersionCase{WindowsVersion::Win98, true, false}, VersionCase{WindowsVersion::WinMe, true, false},
    VersionCase{WindowsVersion::Nt4, false, false},  VersionCase{WindowsVersion::Win2000, false, true},
    VersionCase{WindowsVersion::Xp, false, true},
};

TEST(BuiltinModules, AspiManagerExistsOnWindows9xOnly) {
  SetBuiltinProcedure("WNASPI32.DLL", "SendASPI32Command", StandIn);
  for (const auto& c : kVersions) {
    SetWindowsVersion(c.version);
    SetLastError(kSentinel);
    const HMODULE aspi = LoadLibraryA("WNASPI32.DLL");
    EXPECT_EQ(aspi != nullptr, c.is9x) << static_cast<int>(c.version);
    if (aspi == nullptr) {
      EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
      continue;
    }
    EXPECT_EQ(GetProcAddress(aspi, "SendASPI32Command"), StandIn);
    SetLastError(kSentinel);
    EXPECT_EQ(GetProcAddress(aspi, "GetASPI32SupportInfo"), nullptr) << "an empty slot";
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_EQ(FreeLibrary(aspi), TRUE);
    EXPECT_EQ(GetModuleHandleA("WNASPI32.DLL"), nullptr);
  }
}

TEST(BuiltinModules, AspiManagerLoadsFromTheSystemFolderAndCountsReferences) {
  SetWindowsVersion(WindowsVersion::Win98);
  const HMODULE aspi = LoadLibraryA("C:\\WINDOWS\\SYSTEM\\WNASPI32.DLL");
  ASSERT_NE(aspi, nullptr);
  EXPECT_EQ(LoadLibraryA("wnaspi32"), aspi);
  std::array<char, MAX_PATH> path{};
  GetModuleFileNameA(aspi, path.data(), MAX_PATH);
  EXPECT_EQ(std::string(path.data()), "C:\\Windows\\SYSTEM\\WNASPI32.DLL");
  FreeLibrary(aspi);
  EXPECT_EQ(GetModuleHandleA("WNASPI32.DLL"), aspi);
  FreeLibrary(aspi);
  EXPECT_EQ(GetModuleHandleA("WNASPI32.DLL"), nullptr);
  // Only the system folder holds it.
  EXPECT_EQ(LoadLibraryA("C:\\Program Files\\Tarnlok\\WNASPI32.DLL"), nullptr);
}

TEST(BuiltinModules, LayeredWindowsExistFromWindows2000On) {
  SetBuiltinProcedure("USER32.DLL", "SetLayeredWindowAttributes", StandIn);
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  ASSERT_NE(user32, nullptr) << "USER32 is loaded from the start";
  for (const auto& c : kVersions) {
    SetWindowsVersion(c.version);
    EXPECT_EQ(LoadLibraryA("USER32.DLL"), user32);
    EXPECT_EQ(GetProcAddress(user32, "SetLayeredWindowAttributes") != nullptr, c.from2000)
        << static_cast<int>(c.version);
    EXPECT_EQ(FreeLibrary(user32), TRUE);
  }
  FreeLibrary(user32);
  EXPECT_EQ(GetModuleHandleA("USER32.DLL"), user32) << "USER32 is never unloaded";
}

TEST(BuiltinModules, OnlyBuiltInProceduresCanBeFilled) {
  EXPECT_THROW(SetBuiltinProcedure("USER32.DLL", "MessageBoxA", StandIn), std::invalid_argument);
  EXPECT_THROW(SetBuiltinProcedure("KERNEL32.DLL", "SendASPI32Command", StandIn), std::invalid_argument);
  EXPECT_EQ(FindBuiltinModule("kernel32.dll"), nullptr);
}

}  // namespace
}  // namespace win
