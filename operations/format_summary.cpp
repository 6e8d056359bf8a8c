#include "operations/format_summary.h"

#include "device/device_entry.h"
#include "platform/win/files/volumes.h"

#include <array>
#include <limits>
#include <optional>
#include <string>

namespace tarnlok {
namespace {

// A row of the fixed tables: every byte of those cards is available after a format.
struct TableFigures {
  win::DWORD bytes;
  win::DWORD unitBytes;
  win::DWORD units;

  SummaryFigures Summary() const { return {bytes, bytes, unitBytes, units}; }
};

// Rows with fewer than three ID bytes repeat one of them.
struct SmartMediaRow {
  std::array<win::BYTE, 3> ids;
  TableFigures figures;
};

// clang-format off
constexpr std::array<SmartMediaRow, 9> kSmartMediaRows{{
    {{0x6E, 0xE8, 0xEC}, {1012224, 4096, 247}},
    {{0x64, 0xEA, 0x64}, {2036736, 4096, 497}},
    {{0x6B, 0xE3, 0xE5}, {4071424, 8192, 497}},
    {{0xE6, 0xE6, 0xE6}, {8167424, 8192, 997}},
    {{0x73, 0x73, 0x73}, {16351232, 16384, 998}},
    {{0x75, 0x75, 0x75}, {32735232, 16384, 1998}},
    {{0x76, 0x76, 0x76}, {65486848, 16384, 3997}},
    {{0x79, 0x79, 0x79}, {131006464, 16384, 7996}},
    {{0x71, 0x71, 0x71}, {262078464, 16384, 15996}},
}};

struct MemoryStickRow {
  win::DWORD pagesUpTo;
  TableFigures figures;
};

constexpr std::array<MemoryStickRow, 6> kMemoryStickRows{{
    {8192,   {3997696, 8192, 488}},
    {16384,  {8060928, 8192, 984}},
    {32768,  {16154624, 16384, 986}},
    {65536,  {32407552, 16384, 1978}},
    {131072, {64831488, 16384, 3957}},
    {262144, {129695744, 16384, 7916}},
}};

struct ClusterStep {
  win::ULONGLONG megabytesBelow;
  win::ULONGLONG sectorsPerCluster;
};

// Binary megabytes below the bound take that many sectors per cluster; 64 from 1024 MB up.
constexpr std::array<ClusterStep, 6> kClusterSteps{{
    {16, 8}, {64, 2}, {128, 4}, {256, 8}, {512, 16}, {1024, 32},
}};
// clang-format on

SummaryFigures SmartMediaFigures(win::DWORD id) {
  for (const SmartMediaRow& row : kSmartMediaRows) {
    for (const win::BYTE known : row.ids) {
      if (known == id) return row.figures.Summary();
    }
  }
  return {};
}

SummaryFigures MemoryStickFigures(win::DWORD pages) {
  for (const MemoryStickRow& row : kMemoryStickRows) {
    if (pages <= row.pagesUpTo) return row.figures.Summary();
  }
  return {};
}

// a - b, or 0 where a card too small for the layout would wrap.
win::ULONGLONG Less(win::ULONGLONG a, win::ULONGLONG b) { return a > b ? a - b : 0; }

// The sector count's figures, for a card whose volume the system does not report. In 64 bits
// throughout, so that cards of 4 GB and more get figures of their size.
SummaryFigures FatFigures(win::DWORD sectors) {
  const win::ULONGLONG s = sectors;
  const win::ULONGLONG bytes = s * 512;
  const win::ULONGLONG binaryMb = bytes / 1048576;
  const win::ULONGLONG decimalMb = bytes / 1000 / 1000;
  win::ULONGLONG c = 64;
  for (const ClusterStep& step : kClusterSteps) {
    if (binaryMb < step.megabytesBelow) {
      c = step.sectorsPerCluster;
      break;
    }
  }
  const win::ULONGLONG hidden = decimalMb <= 256 ? 32 : 63;
  const win::ULONGLONG clusters = Less(s, hidden) / c;
  win::ULONGLONG fatBytes = clusters < 4081 ? clusters * 3 / 2 : clusters * 2;
  // The rounding compares the remainder with the sectors per cluster, as the summary always has.
  if (fatBytes % 512 > c) fatBytes = (fatBytes / 512 + 1) * 512;
  const win::ULONGLONG f = fatBytes / 512;
  SummaryFigures figures;
  figures.unitBytes = c * 512;
  if (decimalMb <= 256) {
    const win::ULONGLONG system = decimalMb <= 8 ? f * 5 / 2 + 32 : decimalMb <= 16 ? f * 5 / 2 + 33 : f * 2 + 33;
    figures.totalBytes = Less(s, 32 + system) * 512;
    figures.units = Less(s, 2 * f + 65) / c;
  } else {
    figures.totalBytes = Less(s, 96 + 2 * f) * 512;
    figures.units = Less(s, 2 * f + 127) / c;
  }
  figures.availableBytes = figures.totalBytes;
  return figures;
}

// The volume the format wrote, as the system reports it: the cluster size, and the cluster
// counts through the extended query, which Windows 9x does not cut at 2 GB.
std::optional<SummaryFigures> WrittenVolumeFigures(char driveLetter) {
  if (driveLetter == 0) return std::nullopt;
  const std::string root = std::string(1, driveLetter) + ":\\";
  win::DWORD sectorsPerCluster = 0;
  win::DWORD bytesPerSector = 0;
  if (win::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, nullptr, nullptr) == win::FALSE) {
    return std::nullopt;
  }
  win::ULARGE_INTEGER total{};
  win::ULARGE_INTEGER free{};
  if (win::GetDiskFreeSpaceExA(root.c_str(), nullptr, &total, &free) == win::FALSE) return std::nullopt;
  const win::ULONGLONG unitBytes = win::ULONGLONG{sectorsPerCluster} * bytesPerSector;
  if (unitBytes == 0) return std::nullopt;
  return SummaryFigures{total.QuadPart, free.QuadPart, unitBytes, total.QuadPart / unitBytes};
}

}  // namespace

SummaryFigures FormatSummaryFigures(win::BYTE deviceKind, win::DWORD mediaCode, char driveLetter) {
  if (deviceKind == kMemoryStick || deviceKind == kMemoryStickReader) return MemoryStickFigures(mediaCode);
  if (deviceKind == kSmartMedia || deviceKind == kSmartMediaReader) return SmartMediaFigures(mediaCode);
  return WrittenVolumeFigures(driveLetter).value_or(FatFigures(mediaCode));
}

std::string GroupedDigits(win::ULONGLONG value) {
  // A group for every power of 1000 the value is above, so that 1000 stays "1000" and
  // 1,000,000 "1000,000".
  int groups = 0;
  for (win::ULONGLONG bound = 1000; value > bound; bound *= 1000) {
    ++groups;
    if (bound > std::numeric_limits<win::ULONGLONG>::max() / 1000) break;
  }
  std::string text;
  win::ULONGLONG rest = value;
  for (int group = 0; group < groups; ++group) {
    const std::string digits = std::to_string(rest % 1000);
    text = "," + std::string(3 - digits.size(), '0') + digits + text;
    rest /= 1000;
  }
  return std::to_string(rest) + text;
}

}  // namespace tarnlok
