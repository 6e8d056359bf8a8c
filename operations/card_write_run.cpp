#include "operations/card_write_run.h"

#include "device/reader_commands.h"
#include "operations/card_reads.h"
#include "operations/card_sector_road.h"
#include "operations/flash_blocks.h"
#include "operations/fmb_image.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
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
  std::vector<win::BYTE> readBack(std::max<std::size_t>(redundantBytes, kFlashReadBuffer));
  std::vector<win::BYTE> data(blockBytes);
  std::vector<win::BYTE> packed;
  const win::DWORD pageBytes = SmartMediaPageBytes(card.mediaSizeCode);
  std::array<win::BYTE, kSectorBytes> firstPage{};
  for (win::DWORD block = 0; block < blockCount; ++block) {
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
    if (!hooks.Step(kStringEraseFailed, [&] { return EraseSmartMediaBlock(card, page); })) return RunEnd::kStopped;
    if (bad && !hooks.Step(kStringWriteFailed, [&] { return MarkSmartMediaBlockBad(card, page); }))
      return RunEnd::kStopped;
    if (role.role == FlashBlockRole::kBad || role.role == FlashBlockRole::kUnused || !hasData) {
      if (!SkipData(image, hasData, blockBytes)) return RunEnd::kTruncatedImage;
      continue;
    }
    if (!hooks.BeforeWrite()) return RunEnd::kStopped;
    if (!image.Read(data)) return RunEnd::kTruncatedImage;
    const auto blockData = SmartMediaBlockData(data, pageBytes, packed);
    if (!hooks.Step(kStringWriteFailed,
                    [&] { return WriteSmartMediaBlock(card, page, role.logical, infoBlock, blockData); }))
      return RunEnd::kStopped;
    // Read back: a block whose address did not take is marked bad, so the card never maps it.
    if (!hooks.Step(kStringRedundantUnreadable, [&] {
          std::fill(readBack.begin(), readBack.end(), 0);
          return ReadRedundantData(card.handle, *card.entry, page, static_cast<win::WORD>(redundantBytes), readBack);
        }))
      return RunEnd::kStopped;
    ReadSmartMediaPage(card.handle, *card.entry, page, firstPage);
    if (win::ReadBe16(readBack, kSmAddressWord) != win::ReadBe16(redundant, kSmAddressWord) &&
        !hooks.Step(kStringWriteFailed, [&] { return MarkSmartMediaBlockBad(card, page); }))
      return RunEnd::kStopped;
  }
  return RunEnd::kCompleted;
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
