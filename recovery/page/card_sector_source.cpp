#include "recovery/page/card_sector_source.h"

#include "operations/card_reads.h"

namespace tarnlok {

bool CardSectorSource::Read(std::uint64_t first, std::span<std::uint8_t> buffer) {
  const std::uint64_t count = buffer.size() / bytesPerSector_;
  if (first > sectorCount_ || count > sectorCount_ - first || first + count > UINT32_MAX) return false;
  return ReadCardSectors(card_, entry_, static_cast<win::DWORD>(first), static_cast<win::DWORD>(count), bytesPerSector_,
                         buffer.data());
}

}  // namespace tarnlok
