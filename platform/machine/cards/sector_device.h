// A block device of 512-byte sectors: what the FAT driver reads and writes a volume through.
// Sector numbers count from the device's own first sector; a partition's start is the concern
// of whoever makes the device (see SectorWindow).
#pragma once

#include "platform/machine/io_result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace machine {

class SectorDevice {
 public:
  // Card volumes use 512-byte sectors; the driver supports no other size.
  static constexpr std::size_t kSectorSize = 512;

  virtual ~SectorDevice() = default;

  // The number of sectors the device holds.
  virtual std::uint64_t SectorCount() const = 0;
  // Reads buffer.size() / 512 sectors from `first`; ERROR_SECTOR_NOT_FOUND past the end.
  virtual IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) = 0;
  // Writes data.size() / 512 sectors at `first`; ERROR_WRITE_PROTECT on a protected device.
  virtual IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) = 0;

 protected:
  // ERROR_SUCCESS when `bytes` is a whole number of sectors from `first` inside the device,
  // ERROR_INVALID_PARAMETER or ERROR_SECTOR_NOT_FOUND otherwise.
  win::DWORD CheckRange(std::uint64_t first, std::size_t bytes) const;
};

// The sectors [first, first + count) of another device, seen as a device of their own: a
// partition of a card.
class SectorWindow final : public SectorDevice {
 public:
  SectorWindow(SectorDevice& base, std::uint64_t first, std::uint64_t count);

  std::uint64_t SectorCount() const override { return count_; }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override;
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override;

 private:
  SectorDevice& base_;
  std::uint64_t first_;
  std::uint64_t count_;
};

}  // namespace machine
