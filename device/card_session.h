// The card a Backup, Restore or Duplicate run works on: opened as the run's device (the volume on
// the NT family, the card driver or vwin32 on Windows 9x), identified again whenever the run
// asks, switched to its physical drive where only plain sector access works, locked while the run
// lasts and given back, with every handle closed, when the session ends.
#pragma once

#include "device/device_entry.h"
#include "device/drive_handle.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// What the identification of the card answered.
struct CardGeometry {
  win::DWORD sizeValue = 0;  // media size code or megabytes
  win::DWORD blocksOrSectors = 0;  // physical blocks (raw flash) or the card's sectors
  win::DWORD sectorsPerBlock = 0;  // pages per block (raw flash) or sectors per transfer
  win::DWORD bytesPerSector = 0;
};

// The message of a card's drive letter that has gone: kStringDriveGone with the letter.
std::string DriveGoneText(char letter);

class CardSession {
 public:
  CardSession() = default;
  ~CardSession() { Release(); }
  CardSession(const CardSession&) = delete;
  CardSession& operator=(const CardSession&) = delete;

  // Opens the entry's card; a failure shows kStringOpenFailed (NT family) or
  // kStringDriverMissing (the card driver).
  bool Open(DeviceEntry& entry);
  // GetCardType (IDE and PCMCIA readers) or GetMediaCapacity; false when no card answers.
  bool Identify(CardGeometry& geometry, bool& writeProtected);
  // Whether a card still answers the identification.
  bool StillThere();
  // Where only plain sector access works: refused on Windows 9x (kStringNot9x), the physical
  // drive on the NT family (kStringOpenFailed when it cannot be opened).
  bool SwitchToPhysicalDrive();
  // Floppy drives and plain sector access: the file-system write test, which may find the card
  // write protected and leave its message in PromptText.
  void TestWritable(bool& writeProtected);
  // A run that writes leaves a card reached by plain sector input unlocked; the backup, which
  // reads such a card through its volume, takes the lock all the same.
  enum class PlainSectorCard { kLeaveUnlocked, kLock };
  void Lock(PlainSectorCard plainSectorCard = PlainSectorCard::kLeaveUnlocked);
  // Gives the locks back and closes every handle; the session can be opened again.
  void Release();

  win::HANDLE Handle() const { return card_.get(); }
  DeviceEntry* Entry() const { return entry_; }

 private:
  DeviceEntry* entry_ = nullptr;
  DriveHandle card_;
  win::HANDLE vwin32_ = win::INVALID_HANDLE_VALUE;
  bool locked9x_[2] = {false, false};
  win::BYTE volumeLocked_ = 0;
  win::BYTE secondLock_ = 0;
  win::BYTE readerLocked_ = 0;
  bool lockTaken_ = false;
};

}  // namespace tarnlok
