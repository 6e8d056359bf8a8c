// The simulated machine as its JSON description states it: the Windows version and the
// readers with their cards. Every field has a default by bus and maker; a bad
// description is refused with a message that names the key.
#pragma once

#include "platform/win/system/windows_version.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace machine {

constexpr int kMachineDescriptionVersion = 1;

enum class Bus { Usb, Ide, Pcmcia, Floppy, Ls120 };
// The command forms a maker's reader accepts; other makers' readers have none.
enum class Firmware { None, Older, Newer, Wide };
enum class CardKind { None, CompactFlash, SmartMedia, MemoryStick, MemoryStickPro, MmcSd, Floppy };
// ReadSpare: the reader's command that reads a raw flash block's redundant (SmartMedia) or extra
// (Memory Stick) data; the firmware's own look at them, which maps the card, never fails.
enum class FaultOperation { Read, Write, Erase, ReadSpare };

// A failing read, write or erase at a sector (plain cards) or a block (raw flash).
struct Fault {
  FaultOperation operation = FaultOperation::Read;
  std::optional<std::uint32_t> sector;
  std::optional<std::uint32_t> block;
  std::uint32_t times = 1;  // 0: always
};

constexpr std::uint8_t kDefaultSmartMediaCode = 0x75;  // 32 MB

struct CardDescription {
  CardKind kind = CardKind::None;
  std::filesystem::path image;  // absolute; relative names are taken from the description's folder
  std::uint64_t sectors = 0;  // plain cards: 512-byte sectors
  bool writeProtected = false;
  // SmartMedia: the ID byte that sets its geometry; 0 when a card inserted while the program runs
  // takes its reader's.
  std::uint8_t smartMediaDeviceCode = 0;
  std::uint32_t blocks = 0;  // Memory Stick: physical blocks
  std::uint32_t pagesPerBlock = 0;  // Memory Stick: 512-byte pages per block
  std::vector<std::uint32_t> factoryBadBlocks;  // marked bad when the card was made
  std::vector<std::uint32_t> failingBlocks;  // fail to erase or program
  std::vector<Fault> faults;
  std::optional<std::uint32_t> pulledAfterCommands;  // the card leaves the reader after N commands
  bool geometryHidden = false;  // Memory Stick: the reader's geometry command tells 0xFFFF blocks of 0 pages
};

// How the reader shows in the USB enumeration keys of the registry.
struct UsbIdentity {
  std::string vendorId;  // four hex digits
  std::string productId;
  std::string instance;
  std::string parentIdPrefix;
};

struct ReaderDescription {
  Bus bus = Bus::Usb;
  bool maker = false;  // one of our maker's readers, with its vendor command set
  Firmware firmware = Firmware::None;
  std::string vendor;  // INQUIRY vendor identification, 8 characters
  std::string product;  // INQUIRY product identification, 16 characters
  std::string revision;  // INQUIRY revision level, 4 characters
  char letter = 0;
  UsbIdentity usb;
  // BusType of the storage device descriptor; none where the drive does not answer the query.
  std::optional<std::uint8_t> storageBusType;
  CardDescription card;
};

// The Windows 9x card driver "\\.\TARNLOK.VXD": installed, not installed, or installed with a
// device chain request (request 1) that fails.
enum class CardDriverState { Installed, Missing, Failing };

struct MachineDescription {
  int version = kMachineDescriptionVersion;
  win::WindowsVersion windows = win::WindowsVersion::Xp;
  CardDriverState cardDriver = CardDriverState::Installed;  // Windows 9x only
  std::vector<ReaderDescription> readers;
};

class MachineDescriptionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses and validates a description; image paths are made absolute against folder.
// Throws MachineDescriptionError naming the offending key ("readers[1].card.kind: ...").
MachineDescription ParseMachineDescription(std::string_view jsonText, const std::filesystem::path& folder);

// The machine a person starts on when no description exists yet.
std::string DefaultMachineDescriptionText();

}  // namespace machine
