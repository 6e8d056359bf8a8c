// A sector device held in memory: for fuzzing, for tests that build volumes byte by byte, and
// for cards the machine keeps without an image file.
#pragma once

#include "platform/machine/sector_device.h"

#include <vector>

namespace machine {

class MemorySectorDevice final : public SectorDevice {
 public:
  // A device of the given bytes; a partial last sector is dropped.
  explicit MemorySectorDevice(std::vector<std::uint8_t> bytes);

  std::uint64_t SectorCount() const override { return bytes_.size() / kSectorSize; }
  IoStatus ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) override;
  IoStatus WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) override;

  // The device's bytes as they are now.
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace machine
