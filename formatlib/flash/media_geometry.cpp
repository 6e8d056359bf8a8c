#include "formatlib/flash/media_geometry.h"

#include <algorithm>
#include <array>

namespace pradvik {
namespace {

// Codes 1 and 2 have 256-byte pages: their boot record lies at the hidden sectors counted in
// sectors of two pages, so that the partition entry, the parameter block and the reader's
// block map all find it at the same place.
// clang-format off
constexpr std::array kGeometries{
    MediaGeometry{1, 256, 16, 4096, 274, " 1 MB", 8, 256, 1987, 1, 4, 4, 13, {0, 3, 2}, 0x01, {124, 3, 4}, false},
    MediaGeometry{2, 256, 16, 8192, 529, " 2 MB", 8, 256, 3989, 2, 8, 4, 11, {0, 1, 4}, 0x01, {124, 3, 8}, false},
    MediaGeometry{3, 512, 16, 8192, 544, " 4 MB", 16, 256, 7973, 2, 8, 4, 27, {0, 3, 4}, 0x01, {249, 3, 8}, false},
    MediaGeometry{4, 512, 16, 16384, 1054, " 8 MB", 16, 256, 15975, 3, 16, 4, 25, {0, 1, 10}, 0x01, {249, 3, 16}, false},
    MediaGeometry{5, 512, 32, 32768, 1070, " 16 MB", 32, 256, 31959, 3, 16, 4, 41, {0, 2, 10}, 0x01, {499, 3, 16}, false},
    MediaGeometry{6, 512, 32, 65536, 2088, " 32 MB", 32, 256, 63965, 6, 16, 8, 35, {0, 2, 4}, 0x01, {499, 7, 16}, false},
    MediaGeometry{7, 512, 32, 131072, 4156, " 64 MB", 32, 256, 127945, 12, 32, 8, 55, {0, 1, 24}, 0x01, {499, 7, 32}, false},
    MediaGeometry{8, 512, 32, 262144, 8244, " 128 MB", 32, 256, 255953, 32, 32, 16, 47, {0, 1, 16}, 0x06, {499, 15, 32}, false},
    MediaGeometry{9, 512, 32, 524288, 16436, " 256 MB", 32, 256, 511953, 64, 32, 16, 47, {0, 1, 16}, 0x06, {999, 15, 32}, true},
    MediaGeometry{10, 512, 32, 1048576, 32826, " 512 MB", 32, 256, 1023051, 125, 63, 16, 53, {0, 0, 54}, 0x06, {1014, 15, 63}, true},
    MediaGeometry{11, 512, 32, 2097152, 65600, " 1024 MB", 32, 256, 2047749, 250, 63, 33, 59, {0, 0, 60}, 0x06, {984, 32, 63}, true},
    MediaGeometry{12, 512, 32, 4194304, 131200, " 2048 MB", 64, 256, 4095493, 250, 63, 66, 123, {0, 1, 61}, 0x06, {984, 65, 63}, true},
    MediaGeometry{32, 512, 16, 8192, 0, " 4 MB", 16, 512, 7845, 2, 16, 2, 27, {0, 1, 12}, 0x01, {245, 1, 16}, false},
    MediaGeometry{33, 512, 16, 16384, 0, " 8 MB", 16, 512, 15783, 3, 16, 2, 25, {0, 1, 10}, 0x01, {493, 1, 16}, false},
    MediaGeometry{34, 512, 32, 32768, 0, " 16 MB", 32, 512, 31591, 3, 16, 4, 25, {0, 1, 10}, 0x01, {493, 3, 16}, false},
    MediaGeometry{35, 512, 32, 65536, 0, " 32 MB", 32, 512, 63341, 6, 16, 4, 19, {0, 1, 4}, 0x01, {989, 3, 16}, false},
    MediaGeometry{36, 512, 32, 131072, 0, " 64 MB", 32, 512, 126681, 12, 16, 8, 39, {0, 2, 8}, 0x01, {989, 7, 16}, false},
    MediaGeometry{37, 512, 32, 262144, 0, " 128 MB", 32, 512, 253407, 31, 16, 16, 33, {0, 2, 2}, 0x06, {989, 15, 16}, false},
};
// clang-format on

struct DeviceCodeRow {
  std::uint8_t deviceCode;
  std::uint8_t mediaCode;
};

// clang-format off
constexpr std::array kDeviceCodes{
    DeviceCodeRow{0x6E, 1}, DeviceCodeRow{0xE8, 1}, DeviceCodeRow{0xEC, 1}, DeviceCodeRow{0x64, 2},
    DeviceCodeRow{0xEA, 2}, DeviceCodeRow{0x6B, 3}, DeviceCodeRow{0xE3, 3}, DeviceCodeRow{0xE5, 3},
    DeviceCodeRow{0xE6, 4}, DeviceCodeRow{0x73, 5}, DeviceCodeRow{0x75, 6}, DeviceCodeRow{0x76, 7},
    DeviceCodeRow{0x79, 8}, DeviceCodeRow{0x71, 9}, DeviceCodeRow{0xDC, 10}, DeviceCodeRow{0xD3, 11},
    DeviceCodeRow{0xD5, 12},
};
// clang-format on

}  // namespace

const MediaGeometry* FindGeometry(std::uint8_t code) {
  const auto* found = std::find_if(kGeometries.begin(), kGeometries.end(),
                                   [code](const MediaGeometry& geometry) { return geometry.code == code; });
  return found == kGeometries.end() ? nullptr : &*found;
}

const MediaGeometry* FindGeometryForFamily(std::uint8_t code, bool newerFamily) {
  // The older readers lay code 2's volume 8 sectors (16 pages) after the master boot record,
  // where the newer ones take 11; the start CHS names sector 11 in both.
  static const MediaGeometry kOlderCodeTwo = [] {
    MediaGeometry geometry = *FindGeometry(2);
    geometry.hiddenSectors = 8;
    return geometry;
  }();
  const MediaGeometry* geometry = FindGeometry(code);
  if (code == 2 && !newerFamily) return &kOlderCodeTwo;
  return geometry != nullptr && geometry->newerOnly && !newerFamily ? nullptr : geometry;
}

std::optional<std::uint8_t> SmartMediaCodeOf(std::uint8_t deviceCode) {
  for (const DeviceCodeRow& row : kDeviceCodes) {
    if (row.deviceCode == deviceCode) return row.mediaCode;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> MemoryStickCodeOf(std::uint32_t pages) {
  if (pages == 0) return std::nullopt;
  for (std::uint8_t code = 32; code <= 37; ++code) {
    if (pages <= FindGeometry(code)->pages) return code;
  }
  return std::nullopt;
}

}  // namespace pradvik
