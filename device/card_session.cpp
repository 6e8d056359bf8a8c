#include "device/card_session.h"

#include "device/card_type.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/media_capacity.h"
#include "device/storage_layouts.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <array>
#include <string>

namespace tarnlok {
namespace {

constexpr win::DWORD kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;
constexpr win::DWORD kShareBoth = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

bool OnAtaReader(const DeviceEntry& entry) { return entry.busKind == kBusIde || entry.busKind == kBusPcmcia; }

}  // namespace

std::string DriveGoneText(char letter) {
  std::string text = LoadProgramString(kStringDriveGone);
  if (const std::size_t mark = text.find("%S"); mark != std::string::npos)
    text.replace(mark, 2, std::string(1, letter));
  return text;
}

bool CardSession::Open(DeviceEntry& entry) {
  entry_ = &entry;
  if (OsKindIsNt()) {
    card_ = OpenCardVolume(entry.driveLetter);
    if (!card_.IsOpen()) ShowStringMessage(kStringOpenFailed, ui::MB_ICONERROR);
    return card_.IsOpen();
  }
  if (OnAtaReader(entry)) {
    card_ = DriveHandle(win::CreateFileA("\\\\.\\TARNLOK.VXD", kReadWrite, kShareBoth, nullptr, win::OPEN_EXISTING,
                                         win::FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!card_.IsOpen()) ShowStringMessage(kStringDriverMissing, ui::MB_ICONERROR);
    return card_.IsOpen();
  }
  vwin32_ = win::CreateFileA("\\\\.\\vwin32", kReadWrite, kShareBoth, nullptr, win::OPEN_EXISTING,
                             win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (vwin32_ == win::INVALID_HANDLE_VALUE) {
    vwin32_ = win::CreateFileA("\\\\.\\vwin32", kReadWrite, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING,
                               win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  }
  Vwin32Handle = vwin32_;
  return true;
}

bool CardSession::Identify(CardGeometry& geometry, bool& writeProtected) {
  win::BYTE protectedFlag = 0;
  bool found = false;
  if (OnAtaReader(*entry_)) {
    geometry.sizeValue = GetCardType(card_.get(), entry_, &geometry.blocksOrSectors, &geometry.sectorsPerBlock,
                                     &protectedFlag, &geometry.bytesPerSector);
    found = geometry.sizeValue != 0;
  } else {
    found = GetMediaCapacity(card_.get(), entry_, &geometry.sizeValue, &geometry.blocksOrSectors,
                             &geometry.sectorsPerBlock, &protectedFlag, &geometry.bytesPerSector) == 1;
  }
  writeProtected = protectedFlag != 0;
  return found;
}

bool CardSession::StillThere() {
  CardGeometry again;
  bool writeProtected = false;
  return Identify(again, writeProtected);
}

bool CardSession::SwitchToPhysicalDrive() {
  if (UsePlainSectorIo == 0) return true;
  if (OsKindIs9x()) {
    ShowStringMessage(kStringNot9x, ui::MB_ICONERROR);
    return false;
  }
  std::array<win::BYTE, 12> number{};
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(card_.get(), win::IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, number.data(),
                            static_cast<win::DWORD>(number.size()), &returned, nullptr)) {
    return true;
  }
  const std::string drive =
      "\\\\.\\PhysicalDrive" + std::to_string(win::ReadLe32(number, device_number::kDeviceNumber));
  card_ = DriveHandle(win::CreateFileA(drive.c_str(), kReadWrite, kShareBoth, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!card_.IsOpen()) ShowStringMessage(kStringOpenFailed, ui::MB_ICONERROR);
  return card_.IsOpen();
}

void CardSession::TestWritable(bool& writeProtected) {
  if (entry_->busKind != kBusFloppy && UsePlainSectorIo == 0) return;
  win::BYTE stop = writeProtected ? 1 : 0;
  TestMediaWritable(entry_, &stop, &PromptText);
  writeProtected = stop != 0;
}

void CardSession::Lock(PlainSectorCard plainSectorCard) {
  lockTaken_ = true;
  if (entry_->busKind == kBusIde && OsKindIs9x()) {
    vwin32_ =
        win::CreateFileA("\\\\.\\vwin32", 0, 0, nullptr, win::OPEN_EXISTING, win::FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (vwin32_ != win::INVALID_HANDLE_VALUE) {
      const auto drive = static_cast<win::BYTE>(entry_->driveLetter - 64);
      locked9x_[0] = LockVolume9x(vwin32_, drive, 0, 2);
      locked9x_[1] = LockVolume9x(vwin32_, drive, 0, 4);
    }
    return;
  }
  if (entry_->busKind == kBusPcmcia) return;
  if (UsePlainSectorIo != 0 && plainSectorCard == PlainSectorCard::kLeaveUnlocked) return;
  LockMediaVolume(card_.get(), vwin32_, entry_, 1, &volumeLocked_, &secondLock_, &readerLocked_);
}

void CardSession::Release() {
  if (lockTaken_ && entry_ != nullptr) {
    if (entry_->busKind == kBusIde && OsKindIs9x()) {
      const auto drive = static_cast<win::BYTE>(entry_->driveLetter - 64);
      for (const bool locked : locked9x_) {
        if (locked) UnlockVolume9x(vwin32_, drive);
      }
    } else if (entry_->busKind != kBusPcmcia) {
      LockMediaVolume(card_.get(), vwin32_, entry_, 0, &volumeLocked_, &secondLock_, &readerLocked_);
    }
  }
  lockTaken_ = false;
  locked9x_[0] = locked9x_[1] = false;
  if (vwin32_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(vwin32_);
  if (Vwin32Handle == vwin32_) Vwin32Handle = win::INVALID_HANDLE_VALUE;
  vwin32_ = win::INVALID_HANDLE_VALUE;
  card_.Close();
}

}  // namespace tarnlok
