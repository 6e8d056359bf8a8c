// A host file behind a handle: positional I/O on a POSIX descriptor, Windows sharing through
// the in-process share table, delete on close, and the injected free space of the host drives.
// Not provided: overlapped I/O, byte-range locks, alternate data streams.
#pragma once

#include "platform/win/devices/card_volume.h"
#include "platform/win/host/host_share_table.h"

#include <filesystem>
#include <memory>

namespace win {

class HostFile final : public IoObject {
 public:
  // Opens the file as the request says; null with error set when it cannot. Sharing is
  // checked before the file is truncated, so a refused open leaves the file as it was.
  static std::shared_ptr<HostFile> Open(const std::filesystem::path& path, const OpenRequest& request, DWORD& error);

  HostFile(int descriptor, FileIdentity identity, ShareTicket ticket, DWORD desiredAccess);
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;
  // Closes; the last close of a delete-pending file removes it.
  ~HostFile() override;

  BOOL Read(std::span<BYTE> buffer, DWORD& bytesRead) override;
  BOOL Write(std::span<const BYTE> data, DWORD& bytesWritten) override;
  BOOL Seek(LONGLONG distance, DWORD method, ULONGLONG& newPosition) override;
  BOOL Flush() override;
  std::optional<ULONGLONG> Size() override;
  BOOL SetEnd() override;

 private:
  int descriptor_;
  FileIdentity identity_;
  ShareTicket ticket_;
  bool canRead_;
  bool canWrite_;
  ULONGLONG position_ = 0;
};

}  // namespace win
