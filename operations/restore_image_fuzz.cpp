// Fuzzes the restore's reading of a backup image: the header, then the checks of the body
// against a card of the header's size (raw flash block records, or the used-space walk without
// writing). A used-space body the check accepts is then laid onto a card that takes every write:
// it must be written wholly inside the card, and end as the check said it would.
#include "operations/card_write_run.h"
#include "operations/fmb_image.h"
#include "operations/used_space_volume.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Larger cards are not needed to reach every path, and keep each input quick.
constexpr win::DWORD kMostCardSectors = 1u << 20;

class BoundedSink : public tarnlok::SectorSink {
 public:
  BoundedSink(win::DWORD cardSectors, win::DWORD bytesPerSector)
      : cardSectors_(cardSectors), bytesPerSector_(bytesPerSector) {}
  bool Write(win::DWORD firstSector, std::span<const win::BYTE> data) override {
    if (data.empty() || data.size() % bytesPerSector_ != 0 ||
        std::uint64_t{firstSector} + data.size() / bytesPerSector_ > cardSectors_)
      std::abort();
    return true;
  }

 private:
  win::DWORD cardSectors_;
  win::DWORD bytesPerSector_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const win::BYTE> bytes(data, size);
  const auto header = tarnlok::ReadFmbHeader(bytes);
  if (!header || header->headerSize < tarnlok::kFmbHeaderSize || header->headerSize > size) return 0;
  tarnlok::MemoryImageSource source(bytes.subspan(header->headerSize));
  if (header->deviceKind == tarnlok::kMemoryStick || header->deviceKind == tarnlok::kSmartMedia) {
    tarnlok::CheckFlashBody(source, header->deviceKind == tarnlok::kMemoryStick, header->blockCount,
                            header->sectorsPerBlock, header->mediaSizeCode);
    return 0;
  }
  if (header->backupKind != tarnlok::kBackupUsedSpace) return 0;
  const tarnlok::UsedSpaceImage image{header->fileSystem, header->mbrFlag != 0, header->volumeStart,
                                      header->bytesPerSector, header->usedSectors};
  const win::DWORD cardSectors = std::min(header->blockCount, kMostCardSectors);
  if (tarnlok::RestoreUsedSpaceVolume(source, nullptr, image, cardSectors, {}) != tarnlok::UsedSpaceOutcome::kRestored)
    return 0;
  tarnlok::MemoryImageSource again(bytes.subspan(header->headerSize));
  BoundedSink sink(cardSectors, header->bytesPerSector);
  if (tarnlok::RestoreUsedSpaceVolume(again, &sink, image, cardSectors, {}) != tarnlok::UsedSpaceOutcome::kRestored)
    std::abort();
  return 0;
}
