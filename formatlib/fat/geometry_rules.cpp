#include "formatlib/fat/geometry_rules.h"

#include <algorithm>

namespace pradvik {
namespace {

std::uint16_t TrackSectors(std::uint64_t capacity) { return capacity <= 256 ? 32 : 63; }

// The heads of drives above 500 MB, whatever the row before said.
std::uint16_t LargeDriveHeads(std::uint16_t heads, std::uint64_t decimalMb) {
  if (decimalMb > 512) return 64;
  return decimalMb > 500 ? 32 : heads;
}

std::uint16_t Heads(std::initializer_list<CapacityStep> table, std::uint32_t capacity) {
  return static_cast<std::uint16_t>(ValueFor(table, capacity));
}

}  // namespace

std::uint32_t ValueFor(std::initializer_list<CapacityStep> table, std::uint32_t capacity) {
  for (const CapacityStep& step : table) {
    if (capacity <= step.upTo) return step.value;
  }
  return table.size() == 0 ? 0 : std::prev(table.end())->value;
}

// clang-format off
DiskGeometry Fat16PlainGeometry(std::uint8_t deviceKind, bool oldBootRecord, std::uint32_t binaryMib) {
  if (deviceKind == kKindMmcSd) {
    return {Heads({{16, 2}, {32, 4}, {128, 8}, {504, 16}, {1008, 32}, {2016, 64}, {kAbove, 128}}, binaryMib),
            static_cast<std::uint16_t>(ValueFor({{2, 16}, {256, 32}, {kAbove, 63}}, binaryMib))};
  }
  const std::uint32_t eightHeadsUpTo = oldBootRecord ? 130 : 128;
  return {Heads({{15, 2}, {32, 4}, {eightHeadsUpTo, 8}, {512, 16}, {1024, 32}, {kAbove, 64}}, binaryMib),
          TrackSectors(binaryMib)};
}

DiskGeometry Fat16BootGeometry(std::uint8_t deviceKind, bool oldBootRecord, std::uint32_t binaryMib,
                               std::uint32_t decimalMb) {
  const std::uint32_t capacity = oldBootRecord ? decimalMb : binaryMib;
  if (deviceKind == kKindMmcSd) {
    return {Heads({{16, 2}, {61, 4}, {123, 8}, {kAbove, 16}}, capacity), TrackSectors(capacity)};
  }
  const std::uint32_t fourHeadsUpTo = oldBootRecord ? 65 : 32;
  return {Heads({{15, 2}, {fourHeadsUpTo, 4}, {128, 8}, {512, 16}, {1024, 32}, {kAbove, 64}}, capacity),
          TrackSectors(capacity)};
}

PlainLayoutRule Fat16PlainLayoutRule(std::uint8_t deviceKind, std::uint32_t binaryMib) {
  if (deviceKind == kKindMmcSd) {
    return {static_cast<std::uint8_t>(ValueFor({{8, 16}, {1024, 32}, {kAbove, 64}}, binaryMib)),
            ValueFor({{8, 16}, {64, 32}, {256, 64}, {kAbove, 128}}, binaryMib),
            static_cast<std::uint8_t>(binaryMib > 64 ? 16 : 12)};
  }
  return {static_cast<std::uint8_t>(ValueFor({{8, 16}, {16, 32}, {kAbove, 64}}, binaryMib)),
          ValueFor({{8, 16}, {256, 128}, {kAbove, 256}}, binaryMib),
          static_cast<std::uint8_t>(binaryMib > 128 ? 16 : 12)};
}

std::uint8_t BootClusterSectors(std::uint32_t binaryMib) {
  return static_cast<std::uint8_t>(
      ValueFor({{15, 8}, {127, 4}, {255, 8}, {511, 16}, {1023, 32}, {kAbove, 64}}, binaryMib));
}

std::uint8_t OtherMakerClusterSectors(std::uint32_t binaryMib) {
  return static_cast<std::uint8_t>(
      ValueFor({{15, 8}, {63, 2}, {127, 4}, {255, 8}, {511, 16}, {1023, 32}, {kAbove, 64}}, binaryMib));
}

DiskGeometry DriveGeometry(std::uint8_t deviceKind, bool oldBootRecord, bool enableBooting, std::uint64_t decimalMb) {
  const auto capacity = static_cast<std::uint32_t>(std::min<std::uint64_t>(decimalMb, kAbove));
  if (oldBootRecord && enableBooting && deviceKind == kKindMmcSd) {
    return {Heads({{16, 2}, {62, 4}, {128, 8}, {kAbove, 16}}, capacity), TrackSectors(capacity)};
  }
  const std::uint16_t heads = oldBootRecord && enableBooting
                                  ? Heads({{15, 2}, {65, 4}, {128, 8}, {kAbove, 16}}, capacity)
                                  : Heads({{16, 2}, {32, 4}, {64, 8}, {kAbove, 16}}, capacity);
  return {LargeDriveHeads(heads, capacity), TrackSectors(capacity)};
}
// clang-format on

std::uint32_t CutToChsCylinders(std::uint32_t& totalSectors, DiskGeometry geometry) {
  constexpr std::uint32_t kMostCylinders = 1023;
  const std::uint32_t track = std::uint32_t{geometry.heads} * geometry.sectorsPerTrack;
  if (totalSectors / track <= kMostCylinders) return totalSectors / track;
  totalSectors = track * kMostCylinders;
  return kMostCylinders;
}

}  // namespace pradvik
