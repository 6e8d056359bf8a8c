// An open file of a card volume behind a handle: ReadFile, WriteFile, SetFilePointer,
// SetEndOfFile and GetFileSize, each going to the FAT driver at once (FlushFileBuffers has
// nothing to write back).
#pragma once

#include "platform/machine/fat_card_volume.h"

namespace machine {

class FatCardFile final : public win::IoObject {
 public:
  FatCardFile(std::shared_ptr<FatCardVolume> volume, std::uint64_t id, win::ShareTicket ticket,
              win::DWORD desiredAccess);
  FatCardFile(const FatCardFile&) = delete;
  FatCardFile& operator=(const FatCardFile&) = delete;
  ~FatCardFile() override;

  win::BOOL Read(std::span<win::BYTE> buffer, win::DWORD& bytesRead) override;
  win::BOOL Write(std::span<const win::BYTE> data, win::DWORD& bytesWritten) override;
  win::BOOL Seek(win::LONGLONG distance, win::DWORD method, win::ULONGLONG& newPosition) override;
  win::BOOL Flush() override;
  std::optional<win::ULONGLONG> Size() override;
  win::BOOL SetEnd() override;

 private:
  std::shared_ptr<FatCardVolume> volume_;
  std::uint64_t id_;
  win::ShareTicket ticket_;
  bool canRead_;
  bool canWrite_;
  win::ULONGLONG position_ = 0;
};

}  // namespace machine
