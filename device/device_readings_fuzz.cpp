// Fuzzes the device layer's readings of what a reader and its card answer, through the simulated
// machine: the input's first 24 bytes become the reader's INQUIRY vendor and product texts, the
// rest the card's sectors (partition table, boot sector and all). The device list is built as
// start-up builds it on XP, then each entry's capacity and file system are read as the
// Information page reads them. Questions the readings ask are answered No.
#include "device/device_list.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/enum_devices_nt.h"
#include "device/file_system_type.h"
#include "device/media_capacity.h"
#include "platform/machine/machine.h"
#include "platform/machine/description/machine_description.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/files/files.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kTextBytes = 24;
constexpr std::size_t kSectorBytes = 512;

// Letters, digits and blanks only, so that the texts stay valid JSON strings.
std::string PrintableText(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += kAlphabet[bytes[i] % (sizeof(kAlphabet) - 1)];
  return text;
}

void ReadEveryEntry() {
  for (tarnlok::DeviceEntry* entry = tarnlok::DeviceListHead; entry != nullptr; entry = entry->next) {
    tarnlok::DriveHandle handle = tarnlok::OpenCardVolume(entry->driveLetter);
    win::DWORD size = 0, blocks = 0, pages = 0, bytesPerSector = 0;
    win::BYTE writeProtected = 0;
    tarnlok::GetMediaCapacity(handle.get(), entry, &size, &blocks, &pages, &writeProtected, &bytesPerSector);
    std::array<win::BYTE, kSectorBytes> sector0{}, boot{};
    win::BYTE notFormatted = 0, isMbr = 0, fileSystem = 0;
    win::DWORD volumeStart = 0;
    tarnlok::GetFileSystemType(handle.get(), entry, kSectorBytes, &notFormatted, sector0.data(), &isMbr, boot.data(),
                               &volumeStart, &fileSystem);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kTextBytes) return 0;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("tarnlok-device-readings-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::size_t sectors = (size - kTextBytes + kSectorBytes - 1) / kSectorBytes + 1;
  {
    std::ofstream image(folder / "card.img", std::ios::binary | std::ios::trunc);
    image.write(reinterpret_cast<const char*>(data + kTextBytes), static_cast<std::streamsize>(size - kTextBytes));
    const std::string rest(sectors * kSectorBytes - (size - kTextBytes), '\0');
    image.write(rest.data(), static_cast<std::streamsize>(rest.size()));
  }
  const std::string json = R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E", "vendor": ")" +
                           PrintableText(data, 8) + R"(", "product": ")" + PrintableText(data + 8, 16) + R"(",
      "card": { "kind": "cf", "image": "card.img", "sectors": )" +
                           std::to_string(sectors) + " } } ] }";
  // The device log goes into the current folder: the input's own, as a Windows path of drive Z:.
  std::string windowsFolder = "Z:" + folder.string();
  for (char& c : windowsFolder) c = c == '/' ? '\\' : c;
  win::SetCurrentDirectoryA(windowsFolder.c_str());
  ui::ScriptedPrompter prompter{[](const std::string&) {}};
  machine::Machine machine(machine::ParseMachineDescription(json, folder));
  machine.Install();
  tarnlok::OsKind = tarnlok::kOsWindowsXp;
  tarnlok::EnumDevicesNt();
  ReadEveryEntry();
  tarnlok::FreeDeviceList();
  return 0;
}
