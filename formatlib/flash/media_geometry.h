// Media size codes of the low-level format: 1 to 12 SmartMedia by the card's device code, 32 to
// 37 Memory Stick by its page count, each with its page geometry and the FAT volume the format
// lays down (partition entry, parameter block, place of the boot record).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pradvik {

struct Chs {
  std::uint16_t cylinder;
  std::uint8_t head;
  std::uint8_t sector;
};

struct MediaGeometry {
  std::uint8_t code;
  std::uint16_t pageSize;  // bytes: 256 for codes 1 and 2
  std::uint8_t pagesPerBlock;
  std::uint32_t pages;  // SmartMedia; Memory Stick cards tell their own
  std::uint32_t progressRange;  // SmartMedia; Memory Stick: blocks + 3
  std::string_view capacityText;
  std::uint8_t sectorsPerCluster;
  std::uint16_t rootEntries;
  std::uint32_t totalSectors;
  std::uint16_t sectorsPerFat;
  std::uint16_t sectorsPerTrack;
  std::uint16_t heads;
  std::uint32_t hiddenSectors;  // also the partition's first sector
  Chs partitionStart;
  std::uint8_t partitionType;
  Chs partitionEnd;
  bool newerOnly;  // codes 9 to 12: only the newer readers' family knows them

  bool IsMemoryStick() const { return code >= 32; }
  bool HasSmallPages() const { return pageSize == 256; }
  bool IsFat16() const { return partitionType == 0x06; }
  // Pages per 512-byte sector.
  std::uint32_t PagesPerSector() const { return HasSmallPages() ? 2 : 1; }
  // Pages from the master boot record to the boot record (the hidden sectors in pages).
  std::uint32_t BootRecordOffset() const { return hiddenSectors * PagesPerSector(); }
  std::uint32_t FatPages() const { return std::uint32_t{sectorsPerFat} * PagesPerSector(); }
  std::uint32_t RootSectors() const { return std::uint32_t{rootEntries} * 32 / 512; }
};

const MediaGeometry* FindGeometry(std::uint8_t code);
// The same, refusing the codes the family does not know.
const MediaGeometry* FindGeometryForFamily(std::uint8_t code, bool newerFamily);
std::optional<std::uint8_t> SmartMediaCodeOf(std::uint8_t deviceCode);
std::optional<std::uint8_t> MemoryStickCodeOf(std::uint32_t pages);

}  // namespace pradvik
