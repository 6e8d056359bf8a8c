#include "platform/machine/memory_sector_device.h"

#include <algorithm>

namespace machine {

MemorySectorDevice::MemorySectorDevice(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  bytes_.resize(bytes_.size() / kSectorSize * kSectorSize);
}

IoStatus MemorySectorDevice::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (const auto error = CheckRange(first, buffer.size()); error != win::ERROR_SUCCESS) return IoError{error};
  std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(first * kSectorSize), buffer.size(), buffer.begin());
  return IoOk();
}

IoStatus MemorySectorDevice::WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) {
  if (const auto error = CheckRange(first, data.size()); error != win::ERROR_SUCCESS) return IoError{error};
  std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(first * kSectorSize));
  return IoOk();
}

}  // namespace machine
