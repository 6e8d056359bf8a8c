// The card of a recovery run as the engine reads it: logical sectors from the card's first
// sector, by the road the run opened (READ(10), ATA READ SECTORS, or plain sector input on the
// volume). Raw flash cards are read through their block map instead (flash_map_source.h).
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"
#include "recovery/sector_source.h"

namespace tarnlok {

class CardSectorSource : public recovery::SectorSource {
 public:
  CardSectorSource(win::HANDLE card, const DeviceEntry& entry, std::uint32_t bytesPerSector, std::uint64_t sectorCount)
      : card_(card), entry_(entry), bytesPerSector_(bytesPerSector), sectorCount_(sectorCount) {}

  std::uint32_t BytesPerSector() const override { return bytesPerSector_; }
  std::uint64_t SectorCount() const override { return sectorCount_; }
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override;

 private:
  win::HANDLE card_;
  const DeviceEntry& entry_;
  std::uint32_t bytesPerSector_;
  std::uint64_t sectorCount_;
};

}  // namespace tarnlok
