#include "formatlib/testing/flash_machine.h"

#include "platform/machine/description/machine_description.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/system/handle_table.h"
#include "tests/support/test_data_folder.h"

#include <array>
#include <fstream>
#include <span>
#include <iterator>

namespace pradvik::test_support {

InstalledMachine::InstalledMachine(const std::string& json)
    : machine_(std::make_unique<machine::Machine>(
          machine::ParseMachineDescription(json, tarnlok::test_support::TestDataHome()))) {
  machine_->Install();
}

InstalledMachine::~InstalledMachine() { machine_->Uninstall(); }

std::filesystem::path ImagePath(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

std::vector<std::uint8_t> ReadImage(const std::string& name) {
  std::ifstream file(ImagePath(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::uint32_t CardDriverNode(char letter) {
  namespace layout = win::card_driver_layout;
  const win::HANDLE driver =
      win::CreateFileA("\\\\.\\TARNLOK.VXD", win::GENERIC_READ | win::GENERIC_WRITE,
                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
  if (driver == win::INVALID_HANDLE_VALUE) return 0;
  std::array<win::BYTE, 4> anchor{};
  win::DWORD returned = 0;
  const bool answered =
      win::DeviceIoControl(driver, 1, nullptr, 0, anchor.data(), anchor.size(), &returned, nullptr) != win::FALSE;
  win::CloseHandle(driver);
  if (!answered) return 0;
  const auto* first =
      static_cast<const win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(anchor, 0), layout::kAnchorFirstNode, 4));
  std::uint32_t node = first == nullptr ? 0 : win::ReadLe32(std::span(first, 4), 0);
  while (node != 0) {
    const auto* bytes = static_cast<const win::BYTE*>(win::ResolveAddressToken(node, layout::kNodeSize));
    if (bytes == nullptr) return 0;
    if (bytes[layout::kNodeOwnDrive] == letter - 'A') return node;
    node = win::ReadLe32(std::span(bytes, layout::kNodeSize), layout::kNodeNext);
  }
  return 0;
}

LoadedLibrary::LoadedLibrary() : module_(win::LoadLibraryA("Pradvik2k.DLL")) {}

LoadedLibrary::~LoadedLibrary() {
  if (module_ != nullptr) win::FreeLibrary(module_);
}

}  // namespace pradvik::test_support
