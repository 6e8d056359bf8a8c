// The simulated machine: built from its description, it sets the Windows version, answers
// CreateFileA on "\\.\E:" and "\\.\PhysicalDriveN" for its readers, shows each card's FAT
// volume on its reader's removable drive letter and answers the registry's USB enumeration
// keys (usb_enum_keys.h). Card images that do not exist yet are made fresh, formatted as from
// the factory. Its control side inserts, removes and swaps cards and flips their write-protect
// switches while the program runs (tests call it; a person uses the panel of platform/panel).
// On Windows 9x it also answers "\\.\vwin32" (vwin32_device.h) and the card driver
// "\\.\TARNLOK.VXD" (card_driver_device.h), and fills WNASPI32.DLL (aspi_manager.h).
#pragma once

#include "platform/machine/win9x/aspi_manager.h"
#include "platform/machine/win9x/card_driver_chain.h"
#include "platform/machine/description/machine_description.h"
#include "platform/machine/reader/reader.h"
#include "platform/machine/win9x/vwin32_device.h"

#include "platform/win/system/io_object.h"

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace machine {

// A control request the machine cannot carry out (no reader at that letter, a card that does
// not fit, a slot that is taken).
class MachineControlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The kind of card a reader's slot takes: the kind it was described with; a reader described
// empty takes CompactFlash, a floppy or LS-120 drive its disks.
CardKind SlotKindOf(const ReaderDescription& reader);
// A card goes only into a slot of its own kind (a Memory Stick slot takes both Memory Sticks).
bool CardFitsReader(const ReaderDescription& reader, CardKind kind);

class Machine {
 public:
  // Opens every described card image; throws MachineDescriptionError naming a missing or
  // mis-sized image and refusing cards it does not simulate yet.
  explicit Machine(MachineDescription description);
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // $TARNLOK_MACHINE when set, else machine.json in the data folder.
  static std::filesystem::path DescriptionPath();
  // Builds the machine from DescriptionPath(), writing the built-in default description there
  // first when the file does not exist.
  static std::unique_ptr<Machine> Load();

  // Makes this the machine the process runs on (in place of one installed before); Uninstall
  // (or destruction) takes it away.
  void Install();
  void Uninstall();

  const MachineDescription& Description() const { return description_; }
  // The reader behind a drive letter (either case); null when there is none.
  std::shared_ptr<Reader> ReaderAt(char letter) const;
  // The device CreateFileA("\\.\name") opens, or null with error set.
  std::shared_ptr<win::IoObject> OpenDevice(std::string_view name, win::DWORD desiredAccess, win::DWORD shareMode,
                                            win::DWORD& error) const;

  // Control. Each throws MachineControlError when it cannot be done.
  void InsertCard(char letter, const CardDescription& card);
  void RemoveCard(char letter);
  // Moves each reader's card into the other reader (either slot may be empty).
  void SwapCards(char first, char second);
  void SetWriteProtected(char letter, bool writeProtected);

 private:
  Reader& Require(char letter) const;
  // Refuses the index-th reader's card image when an earlier reader names the same file: each
  // would write over the other's volume.
  void RefuseSharedImage(std::size_t index) const;
  // The Windows 9x devices ("vwin32", "TARNLOK.VXD"); null for other names.
  std::shared_ptr<win::IoObject> OpenWindows9xDevice(std::string_view name, win::DWORD& error) const;

  MachineDescription description_;
  std::vector<std::shared_ptr<Reader>> readers_;
  std::shared_ptr<CardDriverChain> driverChain_;
  std::shared_ptr<Vwin32Device> vwin32_;
  std::unique_ptr<AspiManager> aspi_;
};

}  // namespace machine
