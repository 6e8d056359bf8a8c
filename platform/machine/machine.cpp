#include "platform/machine/machine.h"

#include "platform/machine/win9x/card_driver_device.h"
#include "platform/machine/nt/card_handle.h"
#include "platform/machine/description/default_cards.h"
#include "platform/machine/cards/factory_format.h"
#include "platform/machine/cards/fresh_card.h"
#include "platform/machine/nt/usb_enum_keys.h"

#include "platform/win/devices/card_drives.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/devices/device_namespace.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry.h"
#include "platform/win/registry/text_case.h"
#include "platform/win/system/windows_version.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace machine {
namespace {

constexpr std::string_view kPhysicalDrive = "physicaldrive";

// The machine whose devices CreateFileA reaches; one at a time.
std::atomic<Machine*> installedMachine{nullptr};

// Device objects of every machine of the process stay apart in the sharing table.
std::uint64_t NextReaderIdentity() {
  static std::atomic<std::uint64_t> next{0};
  return next++;
}
constexpr std::size_t kLongestDriveNumber = 3;

bool IsMemoryStick(CardKind kind) { return kind == CardKind::MemoryStick || kind == CardKind::MemoryStickPro; }

// The card's media; a card whose image does not exist yet is made fresh first.
std::unique_ptr<CardMedia> MediaFor(const CardDescription& card) {
  if (card.kind == CardKind::None) return nullptr;
  MakeFreshCardImage(card, SerialFromClock());
  return std::make_unique<CardMedia>(card);
}

bool SameFile(const std::filesystem::path& one, const std::filesystem::path& other) {
  std::error_code error;
  return std::filesystem::equivalent(one, other, error) || one.lexically_normal() == other.lexically_normal();
}

char Upper(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
         });
}

// "PhysicalDrive12" -> 12; none for anything else.
std::optional<std::uint32_t> PhysicalDriveNumber(std::string_view name) {
  if (!StartsWithIgnoringCase(name, kPhysicalDrive)) return std::nullopt;
  const std::string_view digits = name.substr(kPhysicalDrive.size());
  if (digits.empty() || digits.size() > kLongestDriveNumber) return std::nullopt;
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw MachineDescriptionError("machine description " + path.string() + " cannot be read");
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

CardKind SlotKindOf(const ReaderDescription& reader) {
  if (reader.card.kind != CardKind::None) return reader.card.kind;
  return reader.bus == Bus::Floppy || reader.bus == Bus::Ls120 ? CardKind::Floppy : CardKind::CompactFlash;
}

bool CardFitsReader(const ReaderDescription& reader, CardKind kind) {
  const CardKind slot = SlotKindOf(reader);
  return kind != CardKind::None && (kind == slot || (IsMemoryStick(kind) && IsMemoryStick(slot)));
}

Machine::Machine(MachineDescription description) : description_(std::move(description)) {
  const Road road = win::IsNtFamily(description_.windows) ? Road::Nt : Road::Win9x;
  std::uint32_t nextDriveNumber = 1;  // PhysicalDrive0 is the system's own disk
  for (std::size_t i = 0; i < description_.readers.size(); ++i) {
    const ReaderDescription& reader = description_.readers[i];
    const std::optional<std::uint32_t> number =
        reader.bus == Bus::Floppy ? std::nullopt : std::optional<std::uint32_t>(nextDriveNumber++);
    const bool ataInScsi =
        description_.windows == win::WindowsVersion::Nt4 && (reader.bus == Bus::Ide || reader.bus == Bus::Pcmcia);
    RefuseSharedImage(i);
    auto built = std::make_shared<Reader>(reader, road, number, NextReaderIdentity(), ataInScsi);
    built->InsertCard(MediaFor(reader.card));
    readers_.push_back(std::move(built));
  }
  if (road == Road::Win9x) {
    driverChain_ = std::make_shared<CardDriverChain>(readers_);
    vwin32_ = std::make_shared<Vwin32Device>(readers_, description_.windows);
    aspi_ = std::make_unique<AspiManager>(readers_);
  }
}

Machine::~Machine() { Uninstall(); }

void Machine::RefuseSharedImage(std::size_t index) const {
  const auto& readers = description_.readers;
  if (readers[index].card.kind == CardKind::None) return;
  for (std::size_t earlier = 0; earlier < index; ++earlier) {
    if (readers[earlier].card.kind != CardKind::None &&
        SameFile(readers[earlier].card.image, readers[index].card.image)) {
      throw MachineDescriptionError("machine description: readers[" + std::to_string(index) +
                                    "].card.image: " + readers[index].card.image.filename().string() +
                                    " is the card in reader " + readers[earlier].letter + ": already");
    }
  }
}

std::filesystem::path Machine::DescriptionPath() {
  const char* chosen = std::getenv("TARNLOK_MACHINE");
  if (chosen != nullptr && *chosen != '\0') return chosen;
  return win::DataFolder() / "machine.json";
}

std::unique_ptr<Machine> Machine::Load() {
  const auto path = DescriptionPath();
  try {
    if (!std::filesystem::exists(path)) {
      std::filesystem::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary) << DefaultMachineDescriptionText();
      MakeDefaultCards(ParseMachineDescription(DefaultMachineDescriptionText(), path.parent_path()));
    }
    return std::make_unique<Machine>(ParseMachineDescription(ReadWhole(path), path.parent_path()));
  } catch (const std::filesystem::filesystem_error& error) {
    throw MachineDescriptionError(error.path1().string() + ": " + error.code().message());
  } catch (const MachineDescriptionError& error) {
    // The person reads which file is meant where the description's own words say "machine description".
    constexpr std::string_view kOwnWords = "machine description: ";
    std::string_view reason = error.what();
    if (reason.starts_with(kOwnWords)) reason.remove_prefix(kOwnWords.size());
    throw MachineDescriptionError(path.string() + ": " + std::string(reason));
  }
}

void Machine::Install() {
  if (Machine* previous = installedMachine.load(); previous != nullptr && previous != this) {
    previous->Uninstall();
  }
  win::SetWindowsVersion(description_.windows);
  win::SetDeviceOpener([this](std::string_view name, win::DWORD access, win::DWORD share, win::DWORD& error) {
    return OpenDevice(name, access, share, error);
  });
  win::SetSynthesizedKeyProvider(
      [this](win::RegistryRoot root, std::string_view path) { return UsbEnumerationKey(description_, root, path); });
  for (const auto& reader : readers_) {
    win::SetRemovableDrive(reader->Description().letter, true);
    reader->AttachDrive();
  }
  if (aspi_) aspi_->Install();
  installedMachine = this;
}

void Machine::Uninstall() {
  Machine* self = this;
  if (!installedMachine.compare_exchange_strong(self, nullptr)) return;
  win::SetDeviceOpener(nullptr);
  win::SetSynthesizedKeyProvider({});
  if (aspi_) aspi_->Uninstall();
  for (const auto& reader : readers_) {
    reader->DetachDrive();
    win::SetRemovableDrive(reader->Description().letter, false);
  }
}

std::shared_ptr<Reader> Machine::ReaderAt(char letter) const {
  const auto found = std::find_if(readers_.begin(), readers_.end(), [letter](const auto& reader) {
    return reader->Description().letter == Upper(letter);
  });
  return found == readers_.end() ? nullptr : *found;
}

std::shared_ptr<win::IoObject> Machine::OpenDevice(std::string_view name, win::DWORD desiredAccess,
                                                   win::DWORD shareMode, win::DWORD& error) const {
  if (auto device = OpenWindows9xDevice(name, error); device || error != win::ERROR_SUCCESS) return device;
  std::shared_ptr<Reader> reader;
  DeviceRole role = DeviceRole::Volume;
  if (name.size() == 2 && name[1] == ':') {
    reader = ReaderAt(name[0]);
  } else if (const auto number = PhysicalDriveNumber(name); number && win::IsNtFamily(description_.windows)) {
    role = DeviceRole::PhysicalDrive;
    const auto found = std::find_if(readers_.begin(), readers_.end(),
                                    [number](const auto& candidate) { return candidate->DeviceNumber() == number; });
    if (found != readers_.end()) reader = *found;
  }
  if (!reader) {
    error = win::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  return CardHandle::Open(std::move(reader), role, desiredAccess, shareMode, error);
}

std::shared_ptr<win::IoObject> Machine::OpenWindows9xDevice(std::string_view name, win::DWORD& error) const {
  error = win::ERROR_SUCCESS;
  if (win::EqualsIgnoringCase(name, "vwin32")) {
    if (!vwin32_) error = win::ERROR_FILE_NOT_FOUND;
    return vwin32_;
  }
  if (!win::EqualsIgnoringCase(name, "TARNLOK.VXD")) return nullptr;
  if (!driverChain_ || description_.cardDriver == CardDriverState::Missing) {
    error = win::ERROR_FILE_NOT_FOUND;
    return nullptr;
  }
  return std::make_shared<CardDriverDevice>(driverChain_, description_.cardDriver == CardDriverState::Failing);
}

Reader& Machine::Require(char letter) const {
  const auto reader = ReaderAt(letter);
  if (!reader) throw MachineControlError(std::string("the machine has no reader at ") + Upper(letter) + ":");
  return *reader;
}

void Machine::InsertCard(char letter, const CardDescription& card) {
  Reader& reader = Require(letter);
  if (reader.HoldsCard()) throw MachineControlError(std::string("reader ") + Upper(letter) + ": already holds a card");
  if (!CardFitsReader(reader.Description(), card.kind)) {
    throw MachineControlError(std::string("this card does not fit reader ") + Upper(letter) + ":");
  }
  // One image is one card: in two readers at once, each would write over the other's volume.
  for (const auto& other : readers_) {
    const auto held = other->Held();
    if (held && SameFile(held->description.image, card.image)) {
      throw MachineControlError(card.image.filename().string() + " is the card in reader " +
                                other->Description().letter + ":");
    }
  }
  CardDescription inserted = card;
  // A SmartMedia described by its image alone takes the model of the reader's own card.
  if (inserted.kind == CardKind::SmartMedia && inserted.smartMediaDeviceCode == 0) {
    const CardDescription& own = reader.Description().card;
    inserted.smartMediaDeviceCode =
        own.kind == CardKind::SmartMedia ? own.smartMediaDeviceCode : kDefaultSmartMediaCode;
  }
  try {
    reader.InsertCard(MediaFor(inserted));
  } catch (const MachineDescriptionError& error) {
    throw MachineControlError(error.what());
  }
}

void Machine::RemoveCard(char letter) { Require(letter).TakeCard(); }

void Machine::SwapCards(char first, char second) {
  Reader& one = Require(first);
  Reader& other = Require(second);
  if (&one == &other) return;
  auto fromOne = one.TakeCard();
  auto fromOther = other.TakeCard();
  const auto fits = [](const Reader& reader, const std::unique_ptr<CardMedia>& card) {
    return !card || CardFitsReader(reader.Description(), card->Kind());
  };
  if (!fits(other, fromOne) || !fits(one, fromOther)) {
    one.InsertCard(std::move(fromOne));
    other.InsertCard(std::move(fromOther));
    throw MachineControlError(std::string("the cards of ") + Upper(first) + ": and " + Upper(second) +
                              ": do not fit each other's reader");
  }
  one.InsertCard(std::move(fromOther));
  other.InsertCard(std::move(fromOne));
}

void Machine::SetWriteProtected(char letter, bool writeProtected) {
  Reader& reader = Require(letter);
  if (!reader.SetWriteProtected(writeProtected)) {
    throw MachineControlError(std::string("reader ") + Upper(letter) + ": holds no card");
  }
  const auto held = reader.Held();
  if (held && held->description.writeProtected != writeProtected) {
    throw MachineControlError(held->description.image.filename().string() +
                              " is a read-only file: its card stays write-protected");
  }
}

}  // namespace machine
