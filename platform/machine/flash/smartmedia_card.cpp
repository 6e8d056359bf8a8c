#include "platform/machine/flash/smartmedia_card.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::uint32_t kZoneBlocks = 1024;
constexpr std::uint32_t kZoneLogicalBlocks = 1000;

}  // namespace

SmartMediaCard::SmartMediaCard(const CardDescription& card, const FlashGeometry& geometry, const StandardVolume& volume)
    : FlashCard(card, geometry, volume),
      deviceCode_(card.smartMediaDeviceCode),
      logicalPerZone_(std::min(geometry.blocks, kZoneBlocks) * kZoneLogicalBlocks / kZoneBlocks) {}

FlashResult SmartMediaCard::ProgramSectors(std::uint64_t page, std::span<const std::uint8_t> data,
                                           std::uint16_t blockAddress) {
  const FlashGeometry& geometry = Geometry();
  if (page % geometry.PagesPerSector() != 0) return FlashResult::OutOfRange;
  for (std::size_t done = 0; done < data.size(); done += kFlashSectorSize) {
    const auto unit = data.subspan(done, kFlashSectorSize);
    const Redundant redundant = RedundantFor(unit, blockAddress);
    for (std::uint32_t part = 0; part < geometry.PagesPerSector(); ++part) {
      const auto result =
          Nand().ProgramPage(page++, unit.subspan(part * geometry.pageSize, geometry.pageSize),
                             std::span(redundant).subspan(part * geometry.pageSpare, geometry.pageSpare));
      if (result != FlashResult::Ok) return result;
    }
  }
  return FlashResult::Ok;
}

void SmartMediaCard::MarkBad(std::uint32_t block) {
  constexpr std::array<std::uint8_t, 1> kMark{kBadStatus};
  // The status byte lies in the spare of each sector's first page.
  for (std::uint32_t sector = 0; sector < Geometry().SectorsPerBlock(); ++sector) {
    (void)Nand().ProgramSpare(FirstPageOf(block, sector), kBlockStatusAt, kMark);
  }
  ForgetMap();
}

FlashCard::BlockState SmartMediaCard::ReadBlockState(std::uint32_t block) {
  Redundant redundant;
  if (Nand().ReadSpare(FirstPageOf(block, 0), redundant) != FlashResult::Ok) return {BlockUse::Reserved, 0};
  if (redundant[kBlockStatusAt] != kGoodStatus || win::ReadBe16(redundant, kBlockAddressAt) == kCisBlockAddress) {
    return {BlockUse::Reserved, 0};
  }
  const auto local = LogicalOfRedundant(redundant);
  if (!local || *local >= logicalPerZone_) return {BlockUse::Free, 0};
  return {BlockUse::Logical, block / kZoneBlocks * logicalPerZone_ + *local};
}

std::pair<std::uint32_t, std::uint32_t> SmartMediaCard::BlocksFor(std::uint32_t logicalBlock) const {
  const std::uint32_t first = logicalBlock / logicalPerZone_ * kZoneBlocks;
  return {first, std::min(first + kZoneBlocks, Geometry().blocks)};
}

FlashResult SmartMediaCard::ProgramSector(std::uint32_t block, std::uint32_t sector, std::span<const std::uint8_t> data,
                                          std::uint32_t logicalBlock) {
  return ProgramSectors(FirstPageOf(block, sector), data, EncodeBlockAddress(logicalBlock % logicalPerZone_));
}

}  // namespace machine
