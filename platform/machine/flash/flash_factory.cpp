#include "platform/machine/flash/flash_factory.h"

#include "platform/machine/cards/card_sectors.h"
#include "platform/machine/cards/factory_format.h"
#include "platform/machine/cards/file_io.h"
#include "platform/machine/flash/flash_card.h"
#include "platform/machine/flash/memory_stick_card.h"
#include "platform/machine/flash/smartmedia_card.h"

#include "platform/win/layouts/byte_order.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace machine {
namespace {

constexpr std::size_t kCisLength = 0x70;
constexpr std::size_t kCisCopyAt = 0x100;
constexpr std::size_t kEraseChunk = 1 << 20;

// The SSFDC card information structure: device, JEDEC, manufacturer, function and
// configuration tuples, a version tuple with blank texts, and the end of the chain.
constexpr std::array<std::uint8_t, kCisLength> kCisTuples{
    0x01, 0x03, 0xD9, 0x01, 0xFF, 0x18, 0x02, 0xDF, 0x01, 0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x21, 0x02, 0x04, 0x01,
    0x22, 0x02, 0x01, 0x01, 0x22, 0x03, 0x02, 0x04, 0x07, 0x1A, 0x05, 0x01, 0x03, 0x00, 0x02, 0x0F, 0x1B, 0x08, 0xC0,
    0xC0, 0xA1, 0x01, 0x55, 0x08, 0x00, 0x20, 0x1B, 0x0A, 0xC1, 0x41, 0x99, 0x01, 0x55, 0x64, 0xF0, 0xFF, 0xFF, 0x20,
    0x1B, 0x0C, 0x82, 0x41, 0x18, 0xEA, 0x61, 0xF0, 0x01, 0x07, 0xF6, 0x03, 0x01, 0xEE, 0x1B, 0x0C, 0x83, 0x41, 0x18,
    0xEA, 0x61, 0x70, 0x01, 0x07, 0x76, 0x03, 0x01, 0xEE, 0x15, 0x14, 0x05, 0x00, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20,
    0x20, 0x00, 0x20, 0x20, 0x20, 0x20, 0x00, 0x30, 0x2E, 0x30, 0x00, 0xFF, 0x14, 0x00, 0xFF, 0x00, 0x00,
};

// Memory Stick boot block header: block identifier, format version, and in the attribute area
// the block size in kilobytes, the block count and the usable block count.
constexpr std::uint16_t kBootBlockId = 0x0001;
constexpr std::uint16_t kBootFormatVersion = 0x0100;
constexpr std::size_t kAttributesAt = 0x1A0;
constexpr std::uint8_t kMemoryStickClass = 0x01;

[[noreturn]] void Refuse(const CardDescription& card, const std::string& why) {
  throw MachineDescriptionError("card image " + card.image.string() + " cannot be made: " + why);
}

void CreateErasedImage(const CardDescription& card, std::uint64_t bytes) {
  std::error_code ignored;
  std::filesystem::create_directories(card.image.parent_path(), ignored);
  const int fd = ::open(card.image.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) Refuse(card, std::generic_category().message(errno));
  const std::vector<std::uint8_t> erased(kEraseChunk, 0xFF);
  bool written = true;
  for (std::uint64_t done = 0; done < bytes && written; done += kEraseChunk) {
    written = WriteAt(fd, std::span(erased).first(std::min<std::uint64_t>(kEraseChunk, bytes - done)), done);
  }
  const int error = errno;
  ::close(fd);
  if (!written) {
    std::filesystem::remove(card.image, ignored);
    Refuse(card, std::generic_category().message(error));
  }
}

// The first blocks the factory can write: not bad, not failing.
std::vector<std::uint32_t> GoodBlocks(NandArray& nand, std::size_t count) {
  std::vector<std::uint32_t> blocks;
  for (std::uint32_t block = 0; block < nand.Geometry().blocks && blocks.size() < count; ++block) {
    if (!nand.Defective(block)) blocks.push_back(block);
  }
  return blocks;
}

void WriteSmartMediaStructures(const CardDescription& card, SmartMediaCard& flash) {
  for (const std::uint32_t block : card.factoryBadBlocks) flash.MarkBad(block);
  const auto cisBlock = GoodBlocks(flash.Nand(), 1);
  const auto page = SmartMediaCisPage();
  if (cisBlock.empty() || flash.ProgramSectors(std::uint64_t{cisBlock[0]} * flash.Geometry().pagesPerBlock, page,
                                               kCisBlockAddress) != FlashResult::Ok) {
    Refuse(card, "no good block for the card information structure");
  }
}

std::vector<std::uint8_t> BootHeader(const FlashGeometry& geometry, std::size_t disabled) {
  std::vector<std::uint8_t> header(kFlashSectorSize, 0);
  win::WriteBe16(header, 0, kBootBlockId);
  win::WriteBe16(header, 2, kBootFormatVersion);
  header[kAttributesAt] = kMemoryStickClass;
  win::WriteBe16(header, kAttributesAt + 2,
                 static_cast<std::uint16_t>(geometry.pagesPerBlock * kFlashSectorSize / 1024));
  win::WriteBe16(header, kAttributesAt + 4, static_cast<std::uint16_t>(geometry.blocks));
  win::WriteBe16(header, kAttributesAt + 6, static_cast<std::uint16_t>(geometry.blocks - disabled));
  win::WriteBe16(header, kAttributesAt + 8, static_cast<std::uint16_t>(kFlashSectorSize));
  return header;
}

void WriteMemoryStickStructures(const CardDescription& card, MemoryStickCard& flash) {
  std::vector<std::uint8_t> pages = BootHeader(flash.Geometry(), card.factoryBadBlocks.size());
  std::vector<std::uint8_t> list(kFlashSectorSize, 0xFF);
  for (std::size_t i = 0; i < card.factoryBadBlocks.size() && 2 * i + 2 < list.size(); ++i) {
    win::WriteBe16(list, 2 * i, static_cast<std::uint16_t>(card.factoryBadBlocks[i]));
  }
  pages.insert(pages.end(), list.begin(), list.end());
  for (const std::uint32_t block : card.factoryBadBlocks) flash.MarkBad(block);
  const auto bootBlocks = GoodBlocks(flash.Nand(), kBootBlocks);
  if (bootBlocks.size() < kBootBlocks) Refuse(card, "no good blocks for the boot blocks");
  for (const std::uint32_t block : bootBlocks) {
    if (flash.ProgramPages(block, 0, pages, BootExtra()) != FlashResult::Ok)
      Refuse(card, "a boot block cannot be written");
  }
}

}  // namespace

std::array<std::uint8_t, kCisPageSize> SmartMediaCisPage() {
  std::array<std::uint8_t, kCisPageSize> page{};
  std::copy(kCisTuples.begin(), kCisTuples.end(), page.begin());
  std::copy(kCisTuples.begin(), kCisTuples.end(), page.begin() + kCisCopyAt);
  return page;
}

FactoryLayout LayoutOfStandardVolume(const StandardVolume& volume) {
  FactoryLayout layout;
  layout.partitioned = true;
  layout.volumeStart = volume.hiddenSectors;
  layout.volumeSectors = volume.totalSectors;
  layout.partitionType = volume.partitionType;
  layout.type = volume.fat16 ? FatType::Fat16 : FatType::Fat12;
  layout.sectorsPerCluster = volume.sectorsPerCluster;
  layout.reservedSectors = 1;
  layout.rootEntries = volume.rootEntries;
  layout.sectorsPerFat = volume.sectorsPerFat;
  layout.sectorsPerTrack = volume.sectorsPerTrack;
  layout.heads = volume.heads;
  return layout;
}

void MakeFreshFlashImage(const CardDescription& card, std::uint32_t serial) {
  const FlashGeometry geometry = FlashGeometryOf(card);
  const StandardVolume volume = StandardVolumeOf(card);
  CreateErasedImage(card, geometry.ImageBytes());
  // The factory writes before the write-protect tab and the injected faults come into play.
  CardDescription factory = card;
  factory.writeProtected = false;
  factory.faults.clear();
  factory.pulledAfterCommands.reset();
  try {
    CardMedia media(factory);
    if (auto* smartMedia = dynamic_cast<SmartMediaCard*>(media.Flash())) WriteSmartMediaStructures(card, *smartMedia);
    if (auto* memoryStick = dynamic_cast<MemoryStickCard*>(media.Flash()))
      WriteMemoryStickStructures(card, *memoryStick);
    media.Flash()->ForgetMap();
    CardMediaDevice device(media);
    const IoStatus formatted = FactoryFormat(device, LayoutOfStandardVolume(volume), serial);
    if (!formatted) Refuse(card, "error " + std::to_string(formatted.error()) + " while formatting");
  } catch (const MachineDescriptionError&) {
    std::error_code ignored;
    std::filesystem::remove(card.image, ignored);
    throw;
  }
}

}  // namespace machine
