#include "platform/machine/card_sectors.h"

#include "platform/machine/reader.h"

#include <algorithm>
#include <array>

namespace machine {

win::DWORD ErrorOfMedia(MediaResult result) {
  constexpr std::array<std::pair<MediaResult, win::DWORD>, 6> kErrors{{
      {MediaResult::Ok, win::ERROR_SUCCESS},
      {MediaResult::NoMedium, win::ERROR_NOT_READY},
      {MediaResult::OutOfRange, win::ERROR_SECTOR_NOT_FOUND},
      {MediaResult::ReadFault, win::ERROR_CRC},
      {MediaResult::WriteFault, win::ERROR_WRITE_FAULT},
      {MediaResult::WriteProtected, win::ERROR_WRITE_PROTECT},
  }};
  return std::find_if(kErrors.begin(), kErrors.end(), [result](const auto& entry) { return entry.first == result; })
      ->second;
}

IoStatus CardMediaDevice::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (const auto error = CheckRange(first, buffer.size()); error != win::ERROR_SUCCESS) return IoError{error};
  return StatusOf(ErrorOfMedia(card_.Read(first, buffer)));
}

IoStatus CardMediaDevice::WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) {
  if (const auto error = CheckRange(first, data.size()); error != win::ERROR_SUCCESS) return IoError{error};
  return StatusOf(ErrorOfMedia(card_.Write(first, data)));
}

IoStatus ReaderCardDevice::ReadSectors(std::uint64_t first, std::span<std::uint8_t> buffer) {
  if (const auto error = CheckRange(first, buffer.size()); error != win::ERROR_SUCCESS) return IoError{error};
  const auto reader = reader_.lock();
  if (!reader) return IoError{win::ERROR_NOT_READY};
  return StatusOf(reader->ReadCard(first_ + first, buffer));
}

IoStatus ReaderCardDevice::WriteSectors(std::uint64_t first, std::span<const std::uint8_t> data) {
  if (const auto error = CheckRange(first, data.size()); error != win::ERROR_SUCCESS) return IoError{error};
  const auto reader = reader_.lock();
  if (!reader) return IoError{win::ERROR_NOT_READY};
  return StatusOf(reader->WriteCard(first_ + first, data));
}

}  // namespace machine
