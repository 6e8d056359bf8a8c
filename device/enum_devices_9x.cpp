#include "device/enum_devices_9x.h"

#include "device/aspi_devices.h"
#include "device/device_list.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/product_keywords.h"
#include "device/string_ids.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/files/files.h"
#include "platform/win/system/system_clock.h"
#include "platform/win/files/volumes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <iterator>

namespace tarnlok {
namespace {

namespace layout = win::card_driver_layout;

char LetterOf(win::BYTE driveNumber) { return static_cast<char>('A' + driveNumber); }

std::string Root(char letter) { return std::string(1, letter) + ":\\"; }

bool IsCdRom(char letter) { return win::GetDriveTypeA(Root(letter).c_str()) == win::DRIVE_CDROM; }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// What the walk keeps of an active disk node: its bus and whether it is a floppy without a port
// driver.
struct ListedNode {
  win::BYTE busKind = 0;
  bool floppyOnly = false;  // a drive-letter-only floppy without a port driver
};

std::optional<ListedNode> ListNode(const DriverNode& node) {
  const win::DWORD flags = node.Flags();
  if (flags == 0 || (flags & layout::kNodeActive) == 0 || (flags & layout::kNodeDisk) == 0) return std::nullopt;
  const auto hardware = node.HardwareText();
  const std::string upperHardware = Upper(hardware.value_or(""));
  ListedNode listed;
  const std::string port = Upper(node.PortDriver());
  if (port.empty() || port[0] < 'A' || port[0] > 'Z') {
    if (upperHardware.find("FLOP") == std::string::npos) return std::nullopt;
    listed.floppyOnly = true;
  }
  if (!hardware) return std::nullopt;
  const auto bus = BusKindFromHardwareText(*hardware);
  if (!bus) return std::nullopt;
  listed.busKind = *bus;
  return listed;
}

void CopyText(char* field, std::size_t capacity, const std::string& text) {
  std::memset(field, 0, capacity);
  std::memcpy(field, text.data(), std::min(capacity - 1, text.size()));
}

void CopyNodeTexts(DeviceEntry& entry, const DriverNode& node) {
  CopyText(entry.vendor, sizeof(entry.vendor), node.Vendor());
  CopyText(entry.product, sizeof(entry.product), node.Product());
  CopyText(entry.revision, sizeof(entry.revision), node.Revision());
}

void SetOtherMakerFlag(DeviceEntry& entry) { entry.otherMakerFlag = IsMakersVendor(entry.vendor) ? 0 : 1; }

// The letter of the first logical drive whose number is not 0.
std::optional<char> FirstLetteredDrive(const DriverNode& node) {
  for (const LogicalDrive& drive : node.LogicalDrives()) {
    if (drive.number != 0) return LetterOf(drive.number);
  }
  return std::nullopt;
}

void GiveLetter(DeviceEntry& entry, char letter) {
  entry.driveLetter = letter;
  FillNextSlot(letter);
}

// A new entry for the node with the ASPI address unknown; null (after message 105) when memory is short.
DeviceEntry* NewNodeEntry(const DriverNode& node, win::BYTE busKind) {
  DeviceEntry* entry = NewDeviceEntry();
  if (entry == nullptr) {
    ShowStringMessage(kStringNotEnoughMemory, ui::MB_ICONERROR);
    return nullptr;
  }
  AppendDeviceEntry(entry);
  entry->deviceReference = node.Address();
  entry->busKind = busKind;
  entry->hostAdapter = entry->target = entry->lun = kNoAspiAddress;
  return entry;
}

enum class Outcome { Listed, Skipped, OutOfMemory };

Outcome ListIdeNode(const DriverNode& node, win::BYTE busKind) {
  win::BYTE kind = 0, readerKind = 0, driveSelect = kAtaMaster;
  std::array<char, 45> model{};
  std::array<char, 17> cardText{};
  if (!IdentifyIdeDevice9x(node, &kind, &readerKind, model.data(), cardText.data(), &driveSelect)) {
    return Outcome::Skipped;
  }
  DeviceEntry* entry = NewNodeEntry(node, busKind);
  if (entry == nullptr) return Outcome::OutOfMemory;
  entry->deviceKind = kind;
  entry->readerKind = readerKind;
  entry->ataDriveSelect = driveSelect;
  CopyText(entry->vendor, sizeof(entry->vendor), std::string(model.data(), 8));
  CopyText(entry->product, sizeof(entry->product), cardText.data());
  SetOtherMakerFlag(*entry);
  if (const auto letter = FirstLetteredDrive(node)) GiveLetter(*entry, *letter);
  return Outcome::Listed;
}

Outcome ListAspiNode(const DriverNode& node, const ListedNode& listed) {
  win::BYTE kind = 0, readerKind = 0;
  win::BYTE host = kNoAspiAddress, target = kNoAspiAddress, lun = kNoAspiAddress;
  const bool found = FindAspiAddress9x(&node, &kind, &host, &target, &lun, &readerKind) != 0;
  if (found && host != kNoAspiAddress && target != kNoAspiAddress && lun != kNoAspiAddress) {
    DeviceEntry* entry = NewNodeEntry(node, listed.busKind);
    if (entry == nullptr) return Outcome::OutOfMemory;
    entry->volumeSectorCount = node.SectorCount();
    entry->deviceKind = kind;
    entry->readerKind = readerKind;
    entry->hostAdapter = host;
    entry->target = target;
    entry->lun = lun;
    CopyNodeTexts(*entry, node);
    SetOtherMakerFlag(*entry);
    if (listed.busKind == kBusLs120) GiveLetter(*entry, LetterOf(node.OwnDrive()));
    // A volume under the drive's own letter takes no second slot: the slots follow the rows, and
    // the rows after this one would otherwise be given its letter.
    if (const auto letter = FirstLetteredDrive(node); letter && *letter != entry->driveLetter)
      GiveLetter(*entry, *letter);
    return Outcome::Listed;
  }
  if (found || !listed.floppyOnly) return Outcome::Skipped;
  const char letter = LetterOf(node.OwnDrive());
  const DriveHandle volume(
      win::CreateFileA(("\\\\.\\" + std::string(1, letter) + ":").c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                       win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::CREATE_NEW, 0, nullptr));
  if (!volume.IsOpen()) return Outcome::Skipped;
  DeviceEntry* entry = NewNodeEntry(node, listed.busKind);
  if (entry == nullptr) return Outcome::OutOfMemory;
  CopyNodeTexts(*entry, node);
  GiveLetter(*entry, letter);
  return Outcome::Listed;
}

int CountRemovableDrives() {
  const win::DWORD drives = win::GetLogicalDrives();
  int count = 0;
  for (int i = 0; i < 26; ++i) {
    if ((drives >> i & 1U) != 0 &&
        win::GetDriveTypeA(Root(LetterOf(static_cast<win::BYTE>(i))).c_str()) == win::DRIVE_REMOVABLE) {
      ++count;
    }
  }
  return count;
}

int FilledSlots() {
  return static_cast<int>(std::find(std::begin(SlotDriveLetters), std::end(SlotDriveLetters), '\0') -
                          std::begin(SlotDriveLetters));
}

}  // namespace

std::optional<win::BYTE> BusKindFromHardwareText(const std::string& hardwareText) {
  const std::string text = Upper(hardwareText);
  const auto has = [&text](const char* word) { return text.find(word) != std::string::npos; };
  if (has("CDROM")) return std::nullopt;
  if (has("PCMCIA")) return kBusPcmcia;
  if (has("ESDI")) return has("USB") ? kBusUsb : kBusIde;
  if (has("USB")) return kBusUsb;
  if (has("FLOP")) return kBusFloppy;
  if (has("LS-120")) return kBusLs120;
  return std::nullopt;
}

int EnumDevices9x() {
  DeviceCount = 0;
  win::Sleep(100);
  const std::vector<DriverNode> nodes = WalkDeviceChain(DriverDeviceChain);
  if (DriverDeviceChain == 0 || nodes.empty()) return 0;
  const int removable = CountRemovableDrives();
  for (const DriverNode& node : nodes) {
    const auto listed = ListNode(node);
    if (!listed) continue;
    const auto drives = node.LogicalDrives();
    if (!drives.empty() && IsCdRom(LetterOf(drives.front().number))) continue;
    const bool ideRoad = OsKindIs9x() && (listed->busKind == kBusIde || listed->busKind == kBusPcmcia);
    const Outcome outcome = ideRoad ? ListIdeNode(node, listed->busKind) : ListAspiNode(node, *listed);
    if (outcome == Outcome::OutOfMemory) {
      DeviceListLast = DeviceListTail;
      return 0;
    }
  }
  if (FilledSlots() != removable) AppendDriveLetterDevices9x(nodes.front().Address(), FilledSlots());
  DeviceListLast = DeviceListTail;
  return 1;
}

int AppendDriveLetterDevices9x(win::DWORD firstNode, int slot) {
  for (win::DWORD address = firstNode, walked = 0; address != 0 && walked < 64; ++walked) {
    const DriverNode node(address);
    if (!node.Valid()) break;
    address = node.Next();
    const auto listed = ListNode(node);
    const auto drives = node.LogicalDrives();
    if (!listed || drives.empty()) continue;
    const char letter = LetterOf(drives.front().number);
    const std::string_view slots(SlotDriveLetters, sizeof(SlotDriveLetters));
    if (IsCdRom(letter) || slots.substr(0, slots.find('\0')).find(letter) != std::string_view::npos) continue;
    DeviceEntry* entry = NewNodeEntry(node, listed->busKind);
    if (entry == nullptr) break;
    entry->volumeSectorCount = node.SectorCount();
    entry->noCommandFlag = 1;
    CopyNodeTexts(*entry, node);
    SetOtherMakerFlag(*entry);
    entry->driveLetter = letter;
    if (slot >= 0 && static_cast<std::size_t>(slot) < sizeof(SlotDriveLetters)) {
      SlotDriveLetters[slot] = letter;
      SlotStates[slot] = 2;
    }
    win::ULARGE_INTEGER available{}, total{}, free{};
    if (win::GetDiskFreeSpaceExA(Root(letter).c_str(), &available, &total, &free)) {
      entry->volumeSectorCount = static_cast<win::DWORD>(total.QuadPart / 512);
    }
    ++slot;
  }
  return 0;
}

}  // namespace tarnlok
