#include "operations/card_write_run.h"

#include "device/reader_commands.h"
#include "device/card_reads.h"
#include "device/card_sector_road.h"
#include "device/flash_blocks.h"
#include "operations/fmb_image.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <deque>
#include <vector>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorBytes = 512;
constexpr std::size_t kSmAddressWord = 6;

// Passes over a block's data the card does not get; false when the image ends first.
bool SkipData(ImageSource& image, bool hasData, win::DWORD bytes) { return !hasData || image.Skip(bytes); }

// An image holds a 512-byte read of every page of a block. On cards of 256-byte pages such a
// read is the page and the one after it, so the block's own data is the first half of each
// read: written whole, the block would run over into the next one.
std::span<const win::BYTE> SmartMediaBlockData(std::span<const win::BYTE> reads, win::DWORD pageBytes,
                                               std::vector<win::BYTE>& packed) {
  if (pageBytes == kSectorBytes) return reads;
  const std::size_t pages = reads.size() / kSectorBytes;
  packed.resize(pages * pageBytes);
  for (std::size_t page = 0; page < pages; ++page) {
    const auto read = reads.subspan(page * kSectorBytes, pageBytes);
    std::copy(read.begin(), read.end(), packed.begin() + static_cast<std::ptrdiff_t>(page * pageBytes));
  }
  return packed;
}

// SmartMedia zones: 1024 physical blocks each (a smaller card is one zone); a logical block's
// address counts within its zone.
constexpr win::DWORD kBlocksPerZone = 1024;

// One logical block of the image on its way to a physical block of the new card.
struct BlockToPlace {
  win::WORD logical = 0;
  bool infoBlock = false;
  win::WORD addressWord = 0;  // the image's address field, which the card must give back
  std::span<const win::BYTE> data;
};

// A block's data kept until the run reaches a good free block of its zone.
struct HeldBlock {
  win::WORD logical = 0;
  bool infoBlock = false;
  win::WORD addressWord = 0;
  std::vector<win::BYTE> data;

  static HeldBlock Of(const BlockToPlace& block) {
    return {block.logical, block.infoBlock, block.addressWord, {block.data.begin(), block.data.end()}};
  }
  BlockToPlace View() const { return {logical, infoBlock, addressWord, data}; }
};

enum class Placed { kYes, kNo, kStopped };

// Writes a block into an erased physical block and reads its address back; a block whose write
// or address did not take is marked bad, so the card never maps it, and the data stay unplaced.
class SmartMediaPlacer {
 public:
  SmartMediaPlacer(const FlashCard& card, RunHooks& hooks, win::DWORD redundantBytes)
      : card_(card),
        hooks_(hooks),
        redundantBytes_(redundantBytes),
        readBack_(std::max<std::size_t>(redundantBytes, kFlashReadBuffer)) {}

  Placed Place(win::DWORD page, const BlockToPlace& block) {
    bool written = false;
    if (!hooks_.Step(kStringWriteFailed, [&] {
          return written = WriteSmartMediaBlock(card_, page, block.logical, block.infoBlock, block.data);
        }))
      return Placed::kStopped;
    if (!hooks_.Step(kStringRedundantUnreadable, [&] {
          std::fill(readBack_.begin(), readBack_.end(), 0);
          return ReadRedundantData(card_.handle, *card_.entry, page, static_cast<win::WORD>(redundantBytes_),
                                   readBack_);
        }))
      return Placed::kStopped;
    ReadSmartMediaPage(card_.handle, *card_.entry, page, firstPage_);
    if (written && win::ReadBe16(readBack_, kSmAddressWord) == block.addressWord) return Placed::kYes;
    if (!hooks_.Step(kStringWriteFailed, [&] { return MarkSmartMediaBlockBad(card_, page); })) return Placed::kStopped;
    return Placed::kNo;
  }

 private:
  const FlashCard& card_;
  RunHooks& hooks_;
  win::DWORD redundantBytes_;
  std::vector<win::BYTE> readBack_;
  std::array<win::BYTE, kSectorBytes> firstPage_{};
};

}  // namespace

RunEnd WriteMemoryStickImage(ImageSource& image, FlashImageLayout layout, const FlashCard& card, win::DWORD blockCount,
                             RunHooks& hooks) {
  const win::DWORD blockBytes = card.pagesPerBlock * kSectorBytes;
  std::vector<win::BYTE> data(blockBytes);
  for (win::DWORD block = 0; block < blockCount; ++block) {
    if (!hooks.BeforeBlock(block, win::ULONGLONG{block} * card.pagesPerBlock)) return RunEnd::kStopped;
    std::array<win::BYTE, kMemoryStickExtraBytes> extra{};
    if (!image.Read(extra)) return RunEnd::kTruncatedImage;
    const bool hasData = layout == FlashImageLayout::kEveryBlockInFull || MemoryStickBlockHasData(extra);
    const FlashBlock role = ClassifyMemoryStickBlock(extra);
    if (role.role == FlashBlockRole::kSystem) {
      // The new card keeps its own boot blocks; the reader is only asked about them.
      std::array<win::BYTE, kFlashReadBuffer> cardExtra{};
      if (!hooks.Step(kStringExtraDataUnreadable, [&] {
            cardExtra.fill(0);
            return ReadExtraData(card.handle, *card.entry, static_cast<win::WORD>(block), cardExtra);
          }))
        return RunEnd::kStopped;
      if (!SkipData(image, hasData, blockBytes)) return RunEnd::kTruncatedImage;
      continue;
    }
    const bool used = role.role == FlashBlockRole::kUsed;
    if (!hooks.Step(kStringEraseFailed,
                    [&] { return EraseMemoryStickBlock(card, block, role.logical, used ? kEraseUsedBlock : 0); }))
      return RunEnd::kStopped;
    if (!used || !hasData) {
      if (!SkipData(image, hasData, blockBytes)) return RunEnd::kTruncatedImage;
      continue;
    }
    if (!hooks.BeforeWrite()) return RunEnd::kStopped;
    if (!image.Read(data)) return RunEnd::kTruncatedImage;
    if (!hooks.Step(kStringWriteFailed, [&] { return WriteMemoryStickBlock(card, block, role.logical, data); }))
      return RunEnd::kStopped;
  }
  return RunEnd::kCompleted;
}

RunEnd WriteSmartMediaImage(ImageSource& image, FlashImageLayout layout, const FlashCard& card, win::DWORD blockCount,
                            RunHooks& hooks) {
  const win::DWORD blockBytes = card.pagesPerBlock * kSectorBytes;
  const win::DWORD redundantBytes = RedundantAreaSize(card.mediaSizeCode);
  std::vector<win::BYTE> redundant(redundantBytes);
  SmartMediaPlacer placer(card, hooks, redundantBytes);
  std::vector<win::BYTE> data(blockBytes);
  std::vector<win::BYTE> packed;
  const win::DWORD pageBytes = SmartMediaPageBytes(card.mediaSizeCode);
  // Blocks whose data the new card did not take where the image has them, in image order.
  std::deque<HeldBlock> held;
  for (win::DWORD block = 0; block < blockCount; ++block) {
    // A zone's logical blocks live only in that zone: what is still held has nowhere to go.
    if (block % kBlocksPerZone == 0 && !held.empty()) return RunEnd::kWriteFailed;
    const win::DWORD page = block * card.pagesPerBlock;
    if (!hooks.BeforeBlock(block, page)) return RunEnd::kStopped;
    if (!image.Read(redundant)) return RunEnd::kTruncatedImage;
    const bool hasData = layout == FlashImageLayout::kEveryBlockInFull || SmartMediaBlockHasData(redundant);
    const FlashBlock role = ClassifySmartMediaBlock(redundant);
    const bool infoBlock = role.role == FlashBlockRole::kSystem;
    const bool bad = role.role == FlashBlockRole::kBad;
    // The ATA form writes no information block and leaves bad blocks alone.
    if (card.ataRoad && (infoBlock || bad)) {
      if (!SkipData(image, hasData, blockBytes)) return RunEnd::kTruncatedImage;
      continue;
    }
    bool erased = false;
    if (!hooks.Step(kStringEraseFailed, [&] { return erased = EraseSmartMediaBlock(card, page); }))
      return RunEnd::kStopped;
    // A block that would not erase keeps what it held: marked bad, the card never maps it.
    if ((bad || !erased) && !hooks.Step(kStringWriteFailed, [&] { return MarkSmartMediaBlockBad(card, page); }))
      return RunEnd::kStopped;
    if (bad || role.role == FlashBlockRole::kUnused || !hasData) {
      if (!SkipData(image, hasData, blockBytes)) return RunEnd::kTruncatedImage;
      if (erased && !bad && !held.empty()) {
        const Placed placed = placer.Place(page, held.front().View());
        if (placed == Placed::kStopped) return RunEnd::kStopped;
        if (placed == Placed::kYes) held.pop_front();
      }
      continue;
    }
    if (!hooks.BeforeWrite()) return RunEnd::kStopped;
    if (!image.Read(data)) return RunEnd::kTruncatedImage;
    const BlockToPlace here{role.logical, infoBlock, win::ReadBe16(redundant, kSmAddressWord),
                            SmartMediaBlockData(data, pageBytes, packed)};
    const Placed placed = erased ? placer.Place(page, here) : Placed::kNo;
    if (placed == Placed::kStopped) return RunEnd::kStopped;
    if (placed == Placed::kYes) continue;
    // The information block belongs in the first good block: moved behind the volume's blocks
    // no reader would find it.
    if (infoBlock) return RunEnd::kWriteFailed;
    held.push_back(HeldBlock::Of(here));
  }
  return held.empty() ? RunEnd::kCompleted : RunEnd::kWriteFailed;
}

FlashBodyFit CheckFlashBody(ImageSource& image, bool memoryStick, win::DWORD blockCount, win::DWORD pagesPerBlock,
                            win::DWORD mediaSizeCode) {
  const win::DWORD blockBytes = pagesPerBlock * kSectorBytes;
  std::vector<win::BYTE> head(memoryStick ? kMemoryStickExtraBytes : RedundantAreaSize(mediaSizeCode));
  for (win::DWORD block = 0; block < blockCount; ++block) {
    if (!image.Read(head)) return FlashBodyFit::kShort;
    const bool hasData = memoryStick ? MemoryStickBlockHasData(head) : SmartMediaBlockHasData(head);
    if (!SkipData(image, hasData, blockBytes)) return FlashBodyFit::kShort;
  }
  return image.Remaining() == 0 ? FlashBodyFit::kExact : FlashBodyFit::kLong;
}

RunEnd WritePlainImage(ImageSource& image, win::HANDLE handle, const DeviceEntry& entry, win::DWORD totalSectors,
                       win::DWORD sectorsPerBlock, win::DWORD bytesPerSector, RunHooks& hooks) {
  std::vector<win::BYTE> chunk(std::size_t{sectorsPerBlock} * bytesPerSector);
  for (win::DWORD sector = 0; sector < totalSectors; sector += sectorsPerBlock) {
    if (!hooks.BeforeBlock(sector / sectorsPerBlock, sector)) return RunEnd::kStopped;
    const win::DWORD sectors = std::min(sectorsPerBlock, totalSectors - sector);
    const auto part = std::span(chunk).first(std::size_t{sectors} * bytesPerSector);
    if (!image.Read(part)) return RunEnd::kTruncatedImage;
    if (entry.busKind == kBusFloppy) {
      if (!WriteCardSectors(handle, entry, sector, part)) return RunEnd::kWriteFailed;
      continue;
    }
    if (!hooks.Step(kStringWriteFailed, [&] { return WriteCardSectors(handle, entry, sector, part); }))
      return RunEnd::kStopped;
  }
  return RunEnd::kCompleted;
}

}  // namespace tarnlok
