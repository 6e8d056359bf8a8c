#include "operations/system_files.h"

#include "device/device_entry.h"
#include "platform/win/files/files.h"
#include "platform/win/registry/profile.h"

#include <array>
#include <string>

namespace tarnlok {
namespace {

constexpr std::array<const char*, 3> kFromDriveC{"IO.SYS", "DRVSPACE.BIN", "COMMAND.COM"};
constexpr std::array<const char*, 4> kFromVendorFolder{"COMMAND.COM", "KERNEL.SYS", "CONFIG.SYS", "AUTOEXEC.BAT"};

void CopyOnto(const std::string& source, char cardLetter, const char* name) {
  const std::string target = std::string(1, cardLetter) + ":\\" + name;
  win::CopyFileA(source.c_str(), target.c_str(), win::FALSE);
}

}  // namespace

void CopySystemFiles(win::BYTE osKind, win::BYTE busKind, char cardLetter) {
  if (osKind >= 1 && osKind <= 3) {
    for (const char* name : kFromDriveC) CopyOnto(std::string("C:\\") + name, cardLetter, name);
    return;
  }
  if (busKind != kBusIde && busKind != kBusUsb) return;
  char folder[260] = {};
  win::GetPrivateProfileStringA("Vendor", "DefDir", "", folder, sizeof folder, "DUD.INI");
  for (const char* name : kFromVendorFolder) CopyOnto(std::string(folder) + "\\" + name, cardLetter, name);
}

}  // namespace tarnlok
