#include "operations/card_read_run.h"

#include "device/reader_commands.h"
#include "device/card_reads.h"
#include "operations/fmb_image.h"
#include "device/flash_blocks.h"
#include "device/string_ids.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorBytes = 512;
constexpr win::BYTE kErased = 0xFF;
constexpr std::size_t kSmBlockStatus = 5;

// Where one block's record goes: into its place in a memory image, or onto the end of the file.
class BlockSink {
 public:
  BlockSink(DuplicateImage& image, win::DWORD recordBytes) : image_(image), recordBytes_(recordBytes) {}

  bool Put(win::DWORD block, std::span<const win::BYTE> head, std::span<const win::BYTE> data, bool dataRead) {
    if (!image_.InMemory()) return image_.Append(head) && (!dataRead || image_.Append(data));
    win::BYTE* place = image_.Memory().data() + win::ULONGLONG{block} * recordBytes_;
    std::copy(head.begin(), head.end(), place);
    if (dataRead) {
      std::copy(data.begin(), data.end(), place + head.size());
    } else {
      std::memset(place + head.size(), kErased, data.size());
    }
    return true;
  }

 private:
  DuplicateImage& image_;
  win::DWORD recordBytes_;
};

}  // namespace

win::ULONGLONG MemoryStickImageBytes(win::DWORD blockCount, win::DWORD pagesPerBlock) {
  return win::ULONGLONG{blockCount} * (win::ULONGLONG{pagesPerBlock} * kSectorBytes + kMemoryStickExtraBytes);
}

win::ULONGLONG SmartMediaImageBytes(win::DWORD blockCount, win::DWORD pagesPerBlock, win::DWORD mediaSizeCode) {
  return win::ULONGLONG{blockCount} * (win::ULONGLONG{pagesPerBlock} * kSectorBytes + RedundantAreaSize(mediaSizeCode));
}

RunEnd ReadMemoryStickCard(const FlashCard& card, win::DWORD blockCount, DuplicateImage& image, RunHooks& hooks) {
  const win::DWORD blockBytes = card.pagesPerBlock * kSectorBytes;
  BlockSink sink(image, blockBytes + kMemoryStickExtraBytes);
  std::vector<win::BYTE> data(blockBytes);
  for (win::DWORD block = 0; block < blockCount; ++block) {
    if (!hooks.BeforeBlock(block, win::ULONGLONG{block} * card.pagesPerBlock)) return RunEnd::kStopped;
    std::array<win::BYTE, kFlashReadBuffer> reply{};
    if (!hooks.Step(kStringExtraDataUnreadable, [&] {
          reply.fill(0);
          return ReadExtraData(card.handle, *card.entry, static_cast<win::WORD>(block), reply);
        }))
      return RunEnd::kStopped;
    const auto extra = std::span(reply).first<kMemoryStickExtraBytes>();
    const bool good = !StartsWithNoMediaReply(extra) && (extra[0] & 0x80) != 0;
    const bool withData = MemoryStickBlockHasData(extra);
    if (withData && !hooks.Step(kStringReadFailed, [&] {
          std::fill(data.begin(), data.end(), 0);
          return ReadMemoryStickBlock(card.handle, *card.entry, static_cast<win::WORD>(block), data);
        }))
      return RunEnd::kStopped;
    if (!good && image.InMemory()) extra[0] = 0;
    if (!sink.Put(block, extra, data, withData)) return RunEnd::kWriteFailed;
  }
  return RunEnd::kCompleted;
}

RunEnd ReadSmartMediaCard(const FlashCard& card, win::DWORD blockCount, DuplicateImage& image, RunHooks& hooks) {
  const win::DWORD blockBytes = card.pagesPerBlock * kSectorBytes;
  const win::DWORD redundantBytes = RedundantAreaSize(card.mediaSizeCode);
  std::vector<win::BYTE> reply(std::max<std::size_t>(redundantBytes, kFlashReadBuffer));
  const auto redundant = std::span(reply).first(redundantBytes);
  BlockSink sink(image, blockBytes + redundantBytes);
  std::vector<win::BYTE> data(blockBytes);
  for (win::DWORD block = 0; block < blockCount; ++block) {
    const win::DWORD firstPage = block * card.pagesPerBlock;
    if (!hooks.BeforeBlock(block, firstPage)) return RunEnd::kStopped;
    if (!hooks.Step(kStringRedundantUnreadable, [&] {
          std::fill(reply.begin(), reply.end(), 0);
          return ReadRedundantData(card.handle, *card.entry, firstPage, static_cast<win::WORD>(redundantBytes), reply);
        }))
      return RunEnd::kStopped;
    const bool good = !StartsWithNoMediaReply(redundant) && redundant[kSmBlockStatus] == 0xFF;
    const bool withData = SmartMediaBlockHasData(redundant);
    for (win::DWORD n = 0; withData && n < card.pagesPerBlock; ++n) {
      const auto page = std::span(data).subspan(std::size_t{n} * kSectorBytes, kSectorBytes);
      if (!hooks.Step(kStringReadFailed, [&] {
            std::fill(page.begin(), page.end(), 0);
            return ReadSmartMediaPage(card.handle, *card.entry, firstPage + n, page);
          }))
        return RunEnd::kStopped;
    }
    if (!good && image.InMemory()) redundant[kSmBlockStatus] = 0;
    if (!sink.Put(block, redundant, data, withData)) return RunEnd::kWriteFailed;
  }
  return RunEnd::kCompleted;
}

RunEnd ReadPlainCard(win::HANDLE handle, const DeviceEntry& entry, win::DWORD totalSectors, win::DWORD sectorsPerBlock,
                     win::DWORD bytesPerSector, DuplicateImage& image, RunHooks& hooks) {
  if (image.InMemory() && image.Memory().size() < win::ULONGLONG{totalSectors} * bytesPerSector) {
    return RunEnd::kWriteFailed;
  }
  std::vector<win::BYTE> chunk(image.InMemory() ? 0 : std::size_t{sectorsPerBlock} * bytesPerSector);
  for (win::DWORD sector = 0; sector < totalSectors; sector += sectorsPerBlock) {
    if (!hooks.BeforeBlock(sector / sectorsPerBlock, sector)) return RunEnd::kStopped;
    const win::DWORD sectors = std::min(sectorsPerBlock, totalSectors - sector);
    const std::size_t bytes = std::size_t{sectors} * bytesPerSector;
    // A memory image takes the sectors in place; a file image through the chunk.
    const auto part = image.InMemory() ? image.Memory().subspan(std::size_t{sector} * bytesPerSector, bytes)
                                       : std::span(chunk).first(bytes);
    if (!hooks.Step(kStringReadFailed, [&] {
          std::fill(part.begin(), part.end(), 0);
          return ReadCardSectors(handle, entry, sector, sectors, bytesPerSector, part.data());
        }))
      return RunEnd::kStopped;
    if (!image.InMemory() && !image.Append(part)) return RunEnd::kWriteFailed;
  }
  return RunEnd::kCompleted;
}

}  // namespace tarnlok
