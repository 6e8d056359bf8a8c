// A handle on a reader's volume (\\.\E:) or physical drive (\\.\PhysicalDriveN): ReadFile,
// WriteFile and SetFilePointer in whole sectors, and the control codes the system answers on
// such handles: SCSI pass-through, IDE pass-through and SMART (to the ATA device of IDE and
// PCMCIA readers, ata_pass_through.h), the storage property query and device number, the drive
// geometry, the partition information, and the volume lock, unlock and dismount. Each code
// needs the access its value states (pass-through needs read and write).
#pragma once

#include "platform/machine/reader.h"

#include "platform/win/io_object.h"

#include <memory>

namespace machine {

class CardHandle final : public win::IoObject {
 public:
  // Opens a handle; null with error set when the reader refuses it.
  static std::shared_ptr<CardHandle> Open(std::shared_ptr<Reader> reader, DeviceRole role, win::DWORD desiredAccess,
                                          win::DWORD shareMode, win::DWORD& error);
  CardHandle(std::shared_ptr<Reader> reader, DeviceRole role, HandleId id, win::DWORD desiredAccess);
  CardHandle(const CardHandle&) = delete;
  CardHandle& operator=(const CardHandle&) = delete;
  ~CardHandle() override;

  win::BOOL Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) override;
  win::BOOL Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) override;
  win::BOOL Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) override;
  win::BOOL Flush() override;
  std::optional<win::ULONGLONG> Size() override;
  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& bytesReturned) override;

  Reader& Device() const { return *reader_; }
  DeviceRole Role() const { return role_; }
  HandleId Id() const { return id_; }
  bool CanRead() const { return canRead_; }
  bool CanWrite() const { return canWrite_; }

 private:
  std::shared_ptr<Reader> reader_;
  DeviceRole role_;
  HandleId id_;
  bool canRead_;
  bool canWrite_;
  win::ULONGLONG position_ = 0;
};

}  // namespace machine
