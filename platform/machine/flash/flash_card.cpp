#include "platform/machine/flash/flash_card.h"

#include "platform/machine/flash/memory_stick_card.h"
#include "platform/machine/flash/smartmedia_card.h"

#include <algorithm>

namespace machine {
namespace {

MediaResult ReadResult(FlashResult result) {
  if (result == FlashResult::Ok) return MediaResult::Ok;
  return result == FlashResult::OutOfRange ? MediaResult::OutOfRange : MediaResult::ReadFault;
}

[[noreturn]] void NoLayout(const CardDescription& card, const std::string& why) {
  throw MachineDescriptionError("card image " + card.image.string() + ": " + why);
}

}  // namespace

bool IsRawFlash(CardKind kind) { return kind == CardKind::SmartMedia || kind == CardKind::MemoryStick; }

FlashGeometry FlashGeometryOf(const CardDescription& card) {
  if (card.kind == CardKind::SmartMedia) {
    const auto geometry = SmartMediaGeometry(card.smartMediaDeviceCode);
    if (!geometry) NoLayout(card, "no SmartMedia has the device code " + std::to_string(card.smartMediaDeviceCode));
    return *geometry;
  }
  return MemoryStickGeometry(card.blocks, card.pagesPerBlock);
}

StandardVolume StandardVolumeOf(const CardDescription& card) {
  const FlashGeometry geometry = FlashGeometryOf(card);
  const auto code = card.kind == CardKind::SmartMedia ? SmartMediaSizeCode(card.smartMediaDeviceCode)
                                                      : MemoryStickSizeCode(geometry.Pages());
  const auto volume = code ? StandardVolumeFor(*code) : std::nullopt;
  if (!volume) NoLayout(card, "no standard Memory Stick holds " + std::to_string(geometry.Pages()) + " pages");
  // Two boot blocks, and every logical block somewhere to live.
  const std::uint64_t needed = (volume->LogicalSectors() + geometry.SectorsPerBlock() - 1) / geometry.SectorsPerBlock();
  if (needed + 2 > geometry.blocks) NoLayout(card, "the card's blocks cannot hold its standard volume");
  return *volume;
}

std::unique_ptr<FlashCard> OpenFlashCard(const CardDescription& card) {
  const FlashGeometry geometry = FlashGeometryOf(card);
  const StandardVolume volume = StandardVolumeOf(card);
  if (card.kind == CardKind::SmartMedia) return std::make_unique<SmartMediaCard>(card, geometry, volume);
  return std::make_unique<MemoryStickCard>(card, geometry, volume);
}

FlashCard::FlashCard(const CardDescription& card, const FlashGeometry& geometry, const StandardVolume& volume)
    : nand_(card, geometry), volume_(volume) {}

std::uint64_t FlashCard::FirstPageOf(std::uint32_t block, std::uint32_t sector) const {
  return std::uint64_t{block} * Geometry().pagesPerBlock + std::uint64_t{sector} * Geometry().PagesPerSector();
}

void FlashCard::EnsureMap() {
  if (mapped_) return;
  const std::uint32_t perBlock = Geometry().SectorsPerBlock();
  physicalOf_.assign((LogicalSectors() + perBlock - 1) / perBlock, std::nullopt);
  uses_.assign(Geometry().blocks, BlockUse::Free);
  PrepareMap();
  for (std::uint32_t block = 0; block < Geometry().blocks; ++block) {
    const BlockState state = ReadBlockState(block);
    const bool known = state.use == BlockUse::Logical && state.logical < physicalOf_.size();
    // A second copy of a logical block (a copy cut short) stays free; the first one found counts.
    if (known && !physicalOf_[state.logical]) {
      physicalOf_[state.logical] = block;
      uses_[block] = BlockUse::Logical;
    } else if (state.use == BlockUse::Reserved) {
      uses_[block] = BlockUse::Reserved;
    }
  }
  mapped_ = true;
}

std::optional<std::uint32_t> FlashCard::PhysicalOf(std::uint32_t logicalBlock) {
  EnsureMap();
  return logicalBlock < physicalOf_.size() ? physicalOf_[logicalBlock] : std::nullopt;
}

MediaResult FlashCard::ReadLogical(std::uint64_t firstSector, std::span<std::uint8_t> data) {
  const std::uint32_t perBlock = Geometry().SectorsPerBlock();
  for (std::size_t done = 0; done < data.size(); done += kFlashSectorSize) {
    const std::uint64_t sector = firstSector + done / kFlashSectorSize;
    const auto out = data.subspan(done, kFlashSectorSize);
    const auto block = PhysicalOf(static_cast<std::uint32_t>(sector / perBlock));
    if (!block) {
      std::fill(out.begin(), out.end(), std::uint8_t{0xFF});
      continue;
    }
    const auto result = nand_.ReadData(FirstPageOf(*block, static_cast<std::uint32_t>(sector % perBlock)), out);
    if (result != FlashResult::Ok) return ReadResult(result);
  }
  return MediaResult::Ok;
}

MediaResult FlashCard::WriteLogical(std::uint64_t firstSector, std::span<const std::uint8_t> data) {
  const std::uint32_t perBlock = Geometry().SectorsPerBlock();
  std::size_t done = 0;
  while (done < data.size()) {
    const std::uint64_t sector = firstSector + done / kFlashSectorSize;
    const auto inBlock = static_cast<std::uint32_t>(sector % perBlock);
    const std::size_t bytes =
        std::min<std::size_t>(data.size() - done, std::size_t{perBlock - inBlock} * kFlashSectorSize);
    const auto result = WriteBlock(static_cast<std::uint32_t>(sector / perBlock), inBlock, data.subspan(done, bytes));
    if (result != MediaResult::Ok) return result;
    done += bytes;
  }
  return MediaResult::Ok;
}

bool FlashCard::SectorsErased(std::uint32_t block, std::uint32_t firstSector, std::uint32_t count) {
  const std::uint64_t first = FirstPageOf(block, firstSector);
  const std::uint64_t pages = std::uint64_t{count} * Geometry().PagesPerSector();
  for (std::uint64_t page = first; page < first + pages; ++page) {
    if (!nand_.PageErased(page)) return false;
  }
  return true;
}

MediaResult FlashCard::WriteBlock(std::uint32_t logicalBlock, std::uint32_t firstSector,
                                  std::span<const std::uint8_t> data) {
  const auto old = PhysicalOf(logicalBlock);
  const auto count = static_cast<std::uint32_t>(data.size() / kFlashSectorSize);
  if (old && SectorsErased(*old, firstSector, count)) {
    bool programmed = true;
    for (std::uint32_t i = 0; i < count && programmed; ++i) {
      programmed =
          ProgramSector(*old, firstSector + i, data.subspan(std::size_t{i} * kFlashSectorSize, kFlashSectorSize),
                        logicalBlock) == FlashResult::Ok;
    }
    if (programmed) return MediaResult::Ok;
  }
  std::vector<std::uint8_t> content;
  std::vector<bool> used;
  Merge(old, firstSector, data, content, used);
  const auto [first, end] = BlocksFor(logicalBlock);
  for (std::uint32_t block = first; block < end; ++block) {
    if (uses_[block] != BlockUse::Free || (old && block == *old)) continue;
    if (nand_.Erase(block) != FlashResult::Ok || !ProgramCopy(block, logicalBlock, content, used)) {
      Retire(block);
      continue;
    }
    physicalOf_[logicalBlock] = block;
    uses_[block] = BlockUse::Logical;
    if (old && nand_.Erase(*old) == FlashResult::Ok) {
      uses_[*old] = BlockUse::Free;
    } else if (old) {
      Retire(*old);
    }
    return MediaResult::Ok;
  }
  return MediaResult::WriteFault;
}

void FlashCard::Merge(std::optional<std::uint32_t> old, std::uint32_t firstSector, std::span<const std::uint8_t> data,
                      std::vector<std::uint8_t>& content, std::vector<bool>& used) {
  const std::uint32_t perBlock = Geometry().SectorsPerBlock();
  content.assign(std::size_t{perBlock} * kFlashSectorSize, 0xFF);
  used.assign(perBlock, false);
  used[0] = true;  // the first page always carries the block's label
  for (std::uint32_t sector = 0; old && sector < perBlock; ++sector) {
    if (SectorsErased(*old, sector, 1)) continue;
    used[sector] = true;
    // A sector that cannot be read is copied as it came, as the readers do.
    (void)nand_.ReadData(FirstPageOf(*old, sector),
                         std::span(content).subspan(std::size_t{sector} * kFlashSectorSize, kFlashSectorSize));
  }
  std::copy(data.begin(), data.end(), content.begin() + static_cast<std::ptrdiff_t>(firstSector * kFlashSectorSize));
  std::fill_n(used.begin() + firstSector, data.size() / kFlashSectorSize, true);
}

bool FlashCard::ProgramCopy(std::uint32_t block, std::uint32_t logicalBlock, std::span<const std::uint8_t> content,
                            const std::vector<bool>& used) {
  for (std::uint32_t sector = 0; sector < used.size(); ++sector) {
    if (!used[sector]) continue;
    const auto bytes = content.subspan(std::size_t{sector} * kFlashSectorSize, kFlashSectorSize);
    if (ProgramSector(block, sector, bytes, logicalBlock) != FlashResult::Ok) return false;
  }
  return true;
}

void FlashCard::Retire(std::uint32_t block) {
  MarkBad(block);
  uses_[block] = BlockUse::Reserved;
}

}  // namespace machine
