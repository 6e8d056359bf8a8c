// The card's volume "\\.\X:" as the exports open it: read and write access, at most four tries
// with the share modes read-and-write, read, read-and-write, read. Windows 9x opens no volumes:
// there the handle is "\\.\vwin32", whose DOS services lock the volume and move its sectors
// (SCSI commands go through ASPI, aspi_command.h). A handle the library opened is closed when the
// owner ends; one passed in by the caller is never closed.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

// INVALID_HANDLE_VALUE when all four tries fail.
win::HANDLE OpenVolume(std::uint8_t driveIndex);

class OwnedVolume {
 public:
  explicit OwnedVolume(win::HANDLE handle) : handle_(handle) {}
  ~OwnedVolume();
  OwnedVolume(const OwnedVolume&) = delete;
  OwnedVolume& operator=(const OwnedVolume&) = delete;
  win::HANDLE Get() const { return handle_; }
  bool IsOpen() const;

 private:
  win::HANDLE handle_;
};

}  // namespace pradvik
