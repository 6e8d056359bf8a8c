// The geometry of raw flash cards and the standard FAT volume that goes with each size.
// SmartMedia is known by the device code of its identification (media size codes 1 to 12),
// Memory Stick by its page count (codes 32 to 37). The card image holds, with no header, for
// SmartMedia each page's data followed by its spare area, for Memory Stick each block's 4 bytes
// of extra data followed by its pages. The reader shows a card as logical sectors: the standard
// layout's hidden plus total sectors.
#pragma once

#include <cstdint>
#include <optional>

namespace machine {

constexpr std::uint32_t kFlashSectorSize = 512;

struct FlashGeometry {
  std::uint32_t pageSize = kFlashSectorSize;  // data bytes of a page: 256 or 512
  std::uint32_t pageSpare = 0;  // spare bytes after each page: 8 or 16 on SmartMedia
  std::uint32_t blockExtra = 0;  // extra data before each block's pages: 4 on Memory Stick
  std::uint32_t pagesPerBlock = 0;
  std::uint32_t blocks = 0;

  std::uint64_t Pages() const { return std::uint64_t{pagesPerBlock} * blocks; }
  std::uint64_t BlockBytes() const { return blockExtra + std::uint64_t{pagesPerBlock} * (pageSize + pageSpare); }
  std::uint64_t ImageBytes() const { return BlockBytes() * blocks; }
  // The 512-byte sectors one block holds.
  std::uint32_t SectorsPerBlock() const { return pagesPerBlock * pageSize / kFlashSectorSize; }
  // Pages one 512-byte sector takes: 2 on cards of 256-byte pages.
  std::uint32_t PagesPerSector() const { return kFlashSectorSize / pageSize; }
  // Offsets in the image of a block, of a page's data and of its spare area.
  std::uint64_t BlockOffset(std::uint32_t block) const { return BlockBytes() * block; }
  std::uint64_t PageOffset(std::uint64_t page) const;
  std::uint64_t SpareOffset(std::uint64_t page) const { return PageOffset(page) + pageSize; }
};

// The standard FAT volume of a media size code: a master boot record, the volume from the
// hidden sectors on.
struct StandardVolume {
  std::uint8_t mediaSizeCode = 0;
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t rootEntries = 0;
  std::uint32_t totalSectors = 0;
  std::uint32_t sectorsPerFat = 0;
  std::uint16_t sectorsPerTrack = 0;
  std::uint16_t heads = 0;
  std::uint32_t hiddenSectors = 0;
  bool fat16 = false;
  std::uint8_t partitionType = 0;

  std::uint64_t LogicalSectors() const { return std::uint64_t{hiddenSectors} + totalSectors; }
};

// The media size code of a SmartMedia device code; none for an unknown code.
std::optional<std::uint8_t> SmartMediaSizeCode(std::uint8_t deviceCode);
// The physical geometry of a SmartMedia card; none for an unknown device code.
std::optional<FlashGeometry> SmartMediaGeometry(std::uint8_t deviceCode);
// The device code of a SmartMedia whose card image holds this many bytes, preferring `wanted`
// where several codes share the size; none when no SmartMedia has an image of that size.
std::optional<std::uint8_t> SmartMediaCodeOfImage(std::uint64_t imageBytes, std::uint8_t wanted);
// The media size code of a Memory Stick of this many pages; none above 262144 pages.
std::optional<std::uint8_t> MemoryStickSizeCode(std::uint64_t pages);
FlashGeometry MemoryStickGeometry(std::uint32_t blocks, std::uint32_t pagesPerBlock);
// The standard volume of a media size code; none for a code outside the table.
std::optional<StandardVolume> StandardVolumeFor(std::uint8_t mediaSizeCode);

}  // namespace machine
