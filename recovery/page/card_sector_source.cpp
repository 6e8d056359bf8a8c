#include "recovery/page/card_sector_source.h"

#include "device/card_reads.h"

namespace tarnlok {

bool CardSectorSource::Read(std::uint64_t first, std::span<std::uint8_t> buffer) {
  // The identified size may fall short of the volume's own (a floppy's geometry); the card
  // itself tells where it ends.
  const std::uint64_t count = buffer.size() / bytesPerSector_;
  if (first + count > UINT32_MAX) return false;
  return ReadCardSectors(card_, entry_, static_cast<win::DWORD>(first), static_cast<win::DWORD>(count), bytesPerSector_,
                         buffer.data());
}

}  // namespace tarnlok
