#include "platform/machine/flash/flash_geometry.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

constexpr std::uint32_t kSmallPage = 256;
constexpr std::uint32_t kSmallSpare = 8;
constexpr std::uint32_t kLargeSpare = 16;
constexpr std::uint32_t kMemoryStickExtra = 4;

struct SmartMediaModel {
  std::uint8_t deviceCode;
  std::uint8_t mediaSizeCode;
  std::uint32_t pageSize;
  std::uint32_t pagesPerBlock;
  std::uint32_t blocks;
};

// The SmartMedia (SSFDC) device codes: 1 and 2 MB cards have 256-byte pages.
constexpr std::array kSmartMediaModels{
    SmartMediaModel{0x6E, 1, 256, 16, 256},     SmartMediaModel{0xE8, 1, 256, 16, 256},
    SmartMediaModel{0xEC, 1, 256, 16, 256},     SmartMediaModel{0x64, 2, 256, 16, 512},
    SmartMediaModel{0xEA, 2, 256, 16, 512},     SmartMediaModel{0x6B, 3, 512, 16, 512},
    SmartMediaModel{0xE3, 3, 512, 16, 512},     SmartMediaModel{0xE5, 3, 512, 16, 512},
    SmartMediaModel{0xE6, 4, 512, 16, 1024},    SmartMediaModel{0x73, 5, 512, 32, 1024},
    SmartMediaModel{0x75, 6, 512, 32, 2048},    SmartMediaModel{0x76, 7, 512, 32, 4096},
    SmartMediaModel{0x79, 8, 512, 32, 8192},    SmartMediaModel{0x71, 9, 512, 32, 16384},
    SmartMediaModel{0xDC, 10, 512, 32, 32768},  SmartMediaModel{0xD3, 11, 512, 32, 65536},
    SmartMediaModel{0xD5, 12, 512, 32, 131072},
};

struct MemoryStickSize {
  std::uint64_t upToPages;
  std::uint8_t mediaSizeCode;
};

constexpr std::array kMemoryStickSizes{
    MemoryStickSize{8192, 32},  MemoryStickSize{16384, 33},  MemoryStickSize{32768, 34},
    MemoryStickSize{65536, 35}, MemoryStickSize{131072, 36}, MemoryStickSize{262144, 37},
};

// The model of a device code; null for an unknown code.
const SmartMediaModel* FindSmartMedia(std::uint8_t deviceCode) {
  const auto* found =
      std::find_if(kSmartMediaModels.begin(), kSmartMediaModels.end(),
                   [deviceCode](const SmartMediaModel& model) { return model.deviceCode == deviceCode; });
  return found == kSmartMediaModels.end() ? nullptr : found;
}

constexpr std::uint8_t kFat12Partition = 0x01;
constexpr std::uint8_t kFat16Partition = 0x06;

constexpr StandardVolume Fat12(std::uint8_t code, std::uint32_t cluster, std::uint32_t root, std::uint32_t total,
                               std::uint32_t fat, std::uint16_t track, std::uint16_t heads, std::uint32_t hidden) {
  return {code, cluster, root, total, fat, track, heads, hidden, false, kFat12Partition};
}

constexpr StandardVolume Fat16(std::uint8_t code, std::uint32_t cluster, std::uint32_t root, std::uint32_t total,
                               std::uint32_t fat, std::uint16_t track, std::uint16_t heads, std::uint32_t hidden) {
  return {code, cluster, root, total, fat, track, heads, hidden, true, kFat16Partition};
}

// The volumes that cameras and the cards' own formatters lay out for each size.
constexpr std::array kStandardVolumes{
    Fat12(1, 8, 256, 1987, 1, 4, 4, 13),          Fat12(2, 8, 256, 3989, 2, 8, 4, 11),
    Fat12(3, 16, 256, 7973, 2, 8, 4, 27),         Fat12(4, 16, 256, 15975, 3, 16, 4, 25),
    Fat12(5, 32, 256, 31959, 3, 16, 4, 41),       Fat12(6, 32, 256, 63965, 6, 16, 8, 35),
    Fat12(7, 32, 256, 127945, 12, 32, 8, 55),     Fat16(8, 32, 256, 255953, 32, 32, 16, 47),
    Fat16(9, 32, 256, 511953, 64, 32, 16, 47),    Fat16(10, 32, 256, 1023051, 125, 63, 16, 53),
    Fat16(11, 32, 256, 2047749, 250, 63, 33, 59), Fat16(12, 64, 256, 4095493, 250, 63, 66, 123),
    Fat12(32, 16, 512, 7845, 2, 16, 2, 27),       Fat12(33, 16, 512, 15783, 3, 16, 2, 25),
    Fat12(34, 32, 512, 31591, 3, 16, 4, 25),      Fat12(35, 32, 512, 63341, 6, 16, 4, 19),
    Fat12(36, 32, 512, 126681, 12, 16, 8, 39),    Fat16(37, 32, 512, 253407, 31, 16, 16, 33),
};

}  // namespace

std::uint64_t FlashGeometry::PageOffset(std::uint64_t page) const {
  const std::uint64_t block = page / pagesPerBlock;
  return BlockBytes() * block + blockExtra + (page % pagesPerBlock) * (pageSize + pageSpare);
}

std::optional<std::uint8_t> SmartMediaSizeCode(std::uint8_t deviceCode) {
  const SmartMediaModel* found = FindSmartMedia(deviceCode);
  if (found == nullptr) return std::nullopt;
  return found->mediaSizeCode;
}

std::optional<FlashGeometry> SmartMediaGeometry(std::uint8_t deviceCode) {
  const SmartMediaModel* found = FindSmartMedia(deviceCode);
  if (found == nullptr) return std::nullopt;
  const std::uint32_t spare = found->pageSize == kSmallPage ? kSmallSpare : kLargeSpare;
  return FlashGeometry{found->pageSize, spare, 0, found->pagesPerBlock, found->blocks};
}

std::optional<std::uint8_t> SmartMediaCodeOfImage(std::uint64_t imageBytes, std::uint8_t wanted) {
  const auto fits = [imageBytes](std::uint8_t code) { return SmartMediaGeometry(code)->ImageBytes() == imageBytes; };
  if (FindSmartMedia(wanted) != nullptr && fits(wanted)) return wanted;
  for (const SmartMediaModel& model : kSmartMediaModels) {
    if (fits(model.deviceCode)) return model.deviceCode;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> MemoryStickSizeCode(std::uint64_t pages) {
  const auto* found = std::find_if(kMemoryStickSizes.begin(), kMemoryStickSizes.end(),
                                   [pages](const MemoryStickSize& size) { return pages <= size.upToPages; });
  if (pages == 0 || found == kMemoryStickSizes.end()) return std::nullopt;
  return found->mediaSizeCode;
}

FlashGeometry MemoryStickGeometry(std::uint32_t blocks, std::uint32_t pagesPerBlock) {
  return FlashGeometry{kFlashSectorSize, 0, kMemoryStickExtra, pagesPerBlock, blocks};
}

std::optional<StandardVolume> StandardVolumeFor(std::uint8_t mediaSizeCode) {
  const auto* found =
      std::find_if(kStandardVolumes.begin(), kStandardVolumes.end(),
                   [mediaSizeCode](const StandardVolume& volume) { return volume.mediaSizeCode == mediaSizeCode; });
  if (found == kStandardVolumes.end()) return std::nullopt;
  return *found;
}

}  // namespace machine
