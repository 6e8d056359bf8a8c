#include "recovery/page/flash_map_source.h"

#include "recovery/page/flash_block_analysis.h"
#include "recovery/flash_block_map.h"

namespace tarnlok {
namespace {

// The card's raw reads and its block map, kept as long as the run reads through them.
class MappedFlashSource : public recovery::SectorSource {
 public:
  MappedFlashSource(win::HANDLE card, const DeviceEntry& entry, const recovery::FlashLayout& layout)
      : reads_(card, entry, layout), map_(layout), source_(map_, reads_) {}

  bool Analyse(ui::CWnd* owner, recovery::RecoveryObserver& asker) {
    return recovery::AnalyseFlashBlocks(map_, reads_, owner, &asker) == recovery::BlockMapEnd::Completed;
  }
  std::uint32_t BytesPerSector() const override { return source_.BytesPerSector(); }
  std::uint64_t SectorCount() const override { return source_.SectorCount(); }
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override { return source_.Read(first, buffer); }

 private:
  recovery::CardFlashReads reads_;
  recovery::FlashBlockMap map_;
  recovery::FlashSectorSource source_;
};

}  // namespace

std::unique_ptr<recovery::SectorSource> OpenFlashMapSource(win::HANDLE card, const DeviceEntry& entry,
                                                           const FlashCardShape& shape, ui::CWnd* owner,
                                                           recovery::RecoveryObserver& asker) {
  const recovery::FlashLayout layout =
      shape.memoryStick ? recovery::MemoryStickLayout(shape.blockCount, shape.pagesPerBlock)
                        : recovery::SmartMediaLayout({shape.mediaSizeCode, shape.pagesPerBlock, shape.blockCount});
  auto source = std::make_unique<MappedFlashSource>(card, entry, layout);
  if (!source->Analyse(owner, asker)) return nullptr;
  return source;
}

}  // namespace tarnlok
