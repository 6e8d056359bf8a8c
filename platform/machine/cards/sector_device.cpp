#include "platform/machine/cards/sector_device.h"

#include <algorithm>

namespace machine {

win::DWORD SectorDevice::CheckRange(std::uint64_t first, std::size_t bytes) const {
  if (bytes % kSectorSize != 0) return win::ERROR_INVALID_PARAMETER;
  const std::uint64_t count = bytes / kSectorSize;
  const std::uint64_t total = SectorCount();
  if (first > total || count > total - first) return win::ERROR_SECTOR_NOT_FOUND;
  return win::ERROR_SUCCESS;
}

SectorWindow::SectorWindow(SectorDevice& base, std::uint64_t first, std::uint64_t count)
    : base_(base), first_(std::min(first, base.SectorCount())), count_(std::min(count, base.SectorCount() - first_)) {}

IoStatus SectorWindow::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (const auto error = CheckRange(first, buffer.size()); error != win::ERROR_SUCCESS) return IoError{error};
  return base_.ReadSectors(first_ + first, buffer);
}

IoStatus SectorWindow::WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) {
  if (const auto error = CheckRange(first, data.size()); error != win::ERROR_SUCCESS) return IoError{error};
  return base_.WriteSectors(first_ + first, data);
}

}  // namespace machine
