#include "recovery/flash_block_map.h"

#include "device/card_reads.h"
#include "device/flash_blocks.h"

#include <algorithm>

namespace recovery {
namespace {

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kZoneBlocks = 1024;
constexpr std::uint32_t kZoneLogicalBlocks = 1000;
// Media size codes whose pages hold 256 data bytes.
constexpr std::uint32_t kLastSmallPageCode = 2;
// The redundant data of the block's first 512 data bytes, which names its logical block.
constexpr std::size_t kSmartMediaRedundantUnit = 16;

std::uint32_t SmartMediaLogicalPerZone(std::uint32_t blocks) {
  return std::min(blocks, kZoneBlocks) * kZoneLogicalBlocks / kZoneBlocks;
}

}  // namespace

std::uint32_t FlashLayout::LogicalBlocks() const {
  if (medium == FlashMedium::MemoryStick) return blocks;
  const std::uint32_t zones = (blocks + kZoneBlocks - 1) / kZoneBlocks;
  return zones * SmartMediaLogicalPerZone(blocks);
}

FlashLayout SmartMediaLayout(const tarnlok::FlashGeometry& geometry) {
  return {FlashMedium::SmartMedia, geometry.code, geometry.pagesPerBlock,
          geometry.code <= kLastSmallPageCode ? 256u : kSectorBytes, geometry.blocks};
}

FlashLayout MemoryStickLayout(std::uint32_t blocks, std::uint32_t pagesPerBlock) {
  return {FlashMedium::MemoryStick, tarnlok::MemoryStickSizeCode(blocks * pagesPerBlock).value_or(0), pagesPerBlock,
          kSectorBytes, blocks};
}

bool CardFlashReads::ReadManagement(std::uint32_t block, std::span<std::uint8_t> out) {
  std::fill(out.begin(), out.end(), 0);
  if (layout_.medium == FlashMedium::MemoryStick) {
    return tarnlok::ReadExtraData(handle_, entry_, static_cast<win::WORD>(block), out);
  }
  const auto length = static_cast<win::WORD>(tarnlok::RedundantAreaSize(layout_.mediaSizeCode));
  return tarnlok::ReadRedundantData(handle_, entry_, block * layout_.pagesPerBlock, length, out);
}

bool CardFlashReads::ReadPages(std::uint32_t block, std::uint32_t page, std::span<std::uint8_t> out) {
  if (layout_.medium == FlashMedium::MemoryStick) {
    return tarnlok::ReadMemoryStickPages(handle_, entry_, static_cast<win::WORD>(block), static_cast<win::BYTE>(page),
                                         out);
  }
  return tarnlok::ReadSmartMediaPage(handle_, entry_, block * layout_.pagesPerBlock + page, out);
}

FlashBlockMap::FlashBlockMap(const FlashLayout& layout) : layout_(layout), physicalOf_(layout.LogicalBlocks(), kNone) {}

std::optional<std::uint32_t> FlashBlockMap::LogicalBlockOf(std::uint32_t physical,
                                                           std::span<const std::uint8_t> management) const {
  std::optional<std::uint32_t> logical;
  if (layout_.medium == FlashMedium::MemoryStick) {
    if (management.size() < tarnlok::kMemoryStickExtraBytes || tarnlok::StartsWithNoMediaReply(management)) {
      return std::nullopt;
    }
    const auto block = tarnlok::ClassifyMemoryStickBlock(management.first<tarnlok::kMemoryStickExtraBytes>());
    if (block.role == tarnlok::FlashBlockRole::kUsed) logical = block.logical;
  } else {
    if (management.size() < kSmartMediaRedundantUnit) return std::nullopt;
    const auto block = tarnlok::ClassifySmartMediaBlock(management);
    const std::uint32_t perZone = SmartMediaLogicalPerZone(layout_.blocks);
    // Addresses count within the block's zone.
    if (block.role == tarnlok::FlashBlockRole::kUsed && block.logical < perZone) {
      logical = physical / kZoneBlocks * perZone + block.logical;
    }
  }
  if (logical && *logical >= physicalOf_.size()) return std::nullopt;
  return logical;
}

BlockMapEnd FlashBlockMap::Build(FlashReads& reads, BlockMapObserver& observer) {
  std::fill(physicalOf_.begin(), physicalOf_.end(), kNone);
  unreadable_.clear();
  mapped_ = 0;
  observer.OnStart(layout_.blocks);
  std::vector<std::uint8_t> management(kSectorBytes);
  bool ask = true;
  for (std::uint32_t block = 0; block < layout_.blocks; ++block) {
    if (!observer.Continue(block)) return BlockMapEnd::Cancelled;
    bool read = reads.ReadManagement(block, management);
    while (!read && ask) {
      const ReadFailureAnswer answer = observer.OnUnreadableBlock(block);
      if (answer == ReadFailureAnswer::Abort) return BlockMapEnd::Aborted;
      if (answer != ReadFailureAnswer::Retry) {
        ask = answer != ReadFailureAnswer::IgnoreAll;
        break;
      }
      read = reads.ReadManagement(block, management);
    }
    if (read) {
      // Two blocks that claim one logical block: the first one found keeps it.
      if (const auto logical = LogicalBlockOf(block, management); logical && physicalOf_[*logical] == kNone) {
        physicalOf_[*logical] = block;
        ++mapped_;
      }
    } else {
      unreadable_.push_back(block);
    }
    observer.OnBlockDone(block);
  }
  return BlockMapEnd::Completed;
}

std::optional<std::uint32_t> FlashBlockMap::PhysicalOf(std::uint32_t logical) const {
  if (logical >= physicalOf_.size() || physicalOf_[logical] == kNone) return std::nullopt;
  return physicalOf_[logical];
}

std::uint64_t FlashSectorSource::SectorCount() const {
  return std::uint64_t{map_.Layout().LogicalBlocks()} * map_.Layout().SectorsPerBlock();
}

bool FlashSectorSource::Read(std::uint64_t first, std::span<std::uint8_t> buffer) {
  const std::uint64_t count = buffer.size() / kSectorBytes;
  if (first > SectorCount() || count > SectorCount() - first) return false;
  const std::uint32_t perBlock = map_.Layout().SectorsPerBlock();
  bool ok = true;
  for (std::uint64_t done = 0; done < count;) {
    const std::uint64_t sector = first + done;
    const auto inBlock = static_cast<std::uint32_t>(sector % perBlock);
    const std::uint64_t part = std::min<std::uint64_t>(perBlock - inBlock, count - done);
    const auto out = buffer.subspan(done * kSectorBytes, part * kSectorBytes);
    ok = ReadInBlock(static_cast<std::uint32_t>(sector / perBlock), inBlock, out) && ok;
    done += part;
  }
  return ok;
}

bool FlashSectorSource::ReadInBlock(std::uint32_t logical, std::uint32_t sector, std::span<std::uint8_t> out) {
  const auto physical = map_.PhysicalOf(logical);
  if (!physical) {
    // No block holds it: erased flash, as the reader shows such a sector.
    std::fill(out.begin(), out.end(), 0xFF);
    return true;
  }
  return reads_.ReadPages(*physical, sector * map_.Layout().PagesPerSector(), out);
}

}  // namespace recovery
