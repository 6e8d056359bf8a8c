// Where a restore or a duplicate takes its image bytes from: a backup image or temporary file
// read through the file services, or an image held in memory. Reads are exact: a source that
// ends before the bytes asked for answers false, so a short image is never taken as zeros.
#pragma once

#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

class ImageSource {
 public:
  virtual ~ImageSource() = default;
  // Fills bytes wholly from the current position; false (position undefined) when the image ends first.
  virtual bool Read(std::span<win::BYTE> bytes) = 0;
  // Passes over bytes; false when the image ends first.
  virtual bool Skip(win::ULONGLONG bytes) = 0;
  // Bytes from the current position to the end.
  virtual win::ULONGLONG Remaining() const = 0;
};

// An open file handle from its current position (the caller keeps the handle).
class FileImageSource : public ImageSource {
 public:
  explicit FileImageSource(win::HANDLE file);
  bool Read(std::span<win::BYTE> bytes) override;
  bool Skip(win::ULONGLONG bytes) override;
  win::ULONGLONG Remaining() const override;

 private:
  win::HANDLE file_;
  win::ULONGLONG position_ = 0;
  win::ULONGLONG size_ = 0;
};

// Bytes in memory (the caller keeps them).
class MemoryImageSource : public ImageSource {
 public:
  explicit MemoryImageSource(std::span<const win::BYTE> bytes) : bytes_(bytes) {}
  bool Read(std::span<win::BYTE> bytes) override;
  bool Skip(win::ULONGLONG bytes) override;
  win::ULONGLONG Remaining() const override { return bytes_.size() - position_; }

 private:
  std::span<const win::BYTE> bytes_;
  std::size_t position_ = 0;
};

// Where a restore writes whole sectors of the card, counted from the card's first sector.
class SectorSink {
 public:
  virtual ~SectorSink() = default;
  // data holds whole sectors; false when the card refused any of them.
  virtual bool Write(win::DWORD firstSector, std::span<const win::BYTE> data) = 0;
};

}  // namespace tarnlok
