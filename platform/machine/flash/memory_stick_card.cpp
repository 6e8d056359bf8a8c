#include "platform/machine/flash/memory_stick_card.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::uint8_t kBootManagement = 0xFB;
constexpr std::uint8_t kBadOverwrite = 0x78;
// The boot block is looked for among the card's first blocks, as the readers do.
constexpr std::uint32_t kBootSearchBlocks = 12;
constexpr std::size_t kMostDisabled = 256;

bool IsBootBlock(const ExtraData& extra) {
  return (extra[0] & kExtraGoodBit) != 0 && (extra[1] & kExtraOrdinaryBit) == 0;
}

}  // namespace

ExtraData LogicalExtra(std::uint16_t logicalBlock) {
  return {0xFF, 0xFF, static_cast<std::uint8_t>(logicalBlock >> 8), static_cast<std::uint8_t>(logicalBlock)};
}

ExtraData BootExtra() { return {0xF8, kBootManagement, 0xFF, 0xFF}; }

// Programmed over whatever the block holds: the overwrite flag loses its good bit.
ExtraData BadExtra() { return {kBadOverwrite, 0xFF, 0xFF, 0xFF}; }

MemoryStickCard::MemoryStickCard(const CardDescription& card, const FlashGeometry& geometry,
                                 const StandardVolume& volume)
    : FlashCard(card, geometry, volume) {}

FlashResult MemoryStickCard::ProgramPages(std::uint32_t block, std::uint32_t pageInBlock,
                                          std::span<const std::uint8_t> data, const ExtraData& extra) {
  const FlashGeometry& geometry = Geometry();
  const std::uint64_t first = std::uint64_t{block} * geometry.pagesPerBlock + pageInBlock;
  if (block >= geometry.blocks || pageInBlock + data.size() / kFlashSectorSize > geometry.pagesPerBlock) {
    return FlashResult::OutOfRange;
  }
  for (std::size_t done = 0; done < data.size(); done += kFlashSectorSize) {
    const auto result = Nand().ProgramPage(first + done / kFlashSectorSize, data.subspan(done, kFlashSectorSize), {});
    if (result != FlashResult::Ok) return result;
  }
  return Nand().ProgramExtra(block, extra);
}

void MemoryStickCard::MarkBad(std::uint32_t block) {
  (void)Nand().ProgramExtra(block, BadExtra());
  ForgetMap();
}

void MemoryStickCard::PrepareMap() {
  disabled_.clear();
  for (std::uint32_t block = 0; block < std::min(kBootSearchBlocks, Geometry().blocks); ++block) {
    ExtraData extra{};
    if (Nand().ReadExtra(block, extra) != FlashResult::Ok || !IsBootBlock(extra)) continue;
    std::vector<std::uint8_t> list(kFlashSectorSize);
    if (Nand().ReadData(FirstPageOf(block, kDisabledListPage), list) != FlashResult::Ok) return;
    for (std::size_t at = 0; at + 2 <= list.size() && disabled_.size() < kMostDisabled; at += 2) {
      const std::uint16_t entry = win::ReadBe16(list, at);
      if (entry == kNoLogicalBlock) break;
      disabled_.push_back(entry);
    }
    return;
  }
}

FlashCard::BlockState MemoryStickCard::ReadBlockState(std::uint32_t block) {
  ExtraData extra{};
  if (Nand().ReadExtra(block, extra) != FlashResult::Ok) return {BlockUse::Reserved, 0};
  const bool disabled = std::find(disabled_.begin(), disabled_.end(), block) != disabled_.end();
  if (disabled || (extra[0] & kExtraGoodBit) == 0 || (extra[1] & kExtraOrdinaryBit) == 0)
    return {BlockUse::Reserved, 0};
  const std::uint16_t logical = win::ReadBe16(extra, 2);
  if (logical == kNoLogicalBlock) return {BlockUse::Free, 0};
  return {BlockUse::Logical, logical};
}

std::pair<std::uint32_t, std::uint32_t> MemoryStickCard::BlocksFor(std::uint32_t) const {
  return {kBootBlocks, Geometry().blocks};
}

FlashResult MemoryStickCard::ProgramSector(std::uint32_t block, std::uint32_t sector,
                                           std::span<const std::uint8_t> data, std::uint32_t logicalBlock) {
  return ProgramPages(block, sector, data, LogicalExtra(static_cast<std::uint16_t>(logicalBlock)));
}

}  // namespace machine
