#include "platform/machine/fat/fat_dir_entry.h"

#include "platform/win/layouts/byte_order.h"

#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <ctime>

namespace machine {
namespace {

constexpr std::size_t kName = 0;
constexpr std::size_t kAttributes = 11;
constexpr std::size_t kCaseFlags = 12;
constexpr std::size_t kCreateTenths = 13;
constexpr std::size_t kCreateTime = 14;
constexpr std::size_t kCreateDate = 16;
constexpr std::size_t kAccessDate = 18;
constexpr std::size_t kClusterHigh = 20;
constexpr std::size_t kWriteTime = 22;
constexpr std::size_t kWriteDate = 24;
constexpr std::size_t kClusterLow = 26;
constexpr std::size_t kSize = 28;

// Dates count years from 1980 in 7 bits.
constexpr int kEpochYear = 1980;
constexpr int kLastYear = kEpochYear + 127;

}  // namespace

FatDateTime SystemFatTime() {
  win::SYSTEMTIME now{};
  win::GetLocalTime(&now);
  FatDateTime when;
  when.year = now.wYear;
  when.month = static_cast<std::uint8_t>(now.wMonth);
  when.day = static_cast<std::uint8_t>(now.wDay);
  when.hour = static_cast<std::uint8_t>(now.wHour);
  when.minute = static_cast<std::uint8_t>(now.wMinute);
  when.second = static_cast<std::uint8_t>(std::min<win::WORD>(now.wSecond, 59));
  when.milliseconds = now.wMilliseconds;
  return when;
}

FatStamp EncodeFatTime(const FatDateTime& when) {
  FatDateTime w = when;
  if (w.year < kEpochYear) w = FatDateTime{};
  if (w.year > kLastYear) w = FatDateTime{kLastYear, 12, 31, 23, 59, 59, 990};
  FatStamp stamp;
  // Date: year-1980 in bits 9-15, month in 5-8, day in 0-4.
  stamp.date = static_cast<std::uint16_t>(((w.year - kEpochYear) << 9) | (w.month << 5) | w.day);
  // Time: hours in bits 11-15, minutes in 5-10, seconds halved in 0-4.
  stamp.time = static_cast<std::uint16_t>((w.hour << 11) | (w.minute << 5) | (w.second / 2));
  // The creation time's 10 ms units (0-199) carry the odd second and the milliseconds.
  stamp.tenths = static_cast<std::uint8_t>((w.second % 2) * 100 + std::min<int>(w.milliseconds, 999) / 10);
  return stamp;
}

FatDateTime DecodeFatTime(std::uint16_t date, std::uint16_t time, std::uint8_t tenths) {
  FatDateTime when;
  when.year = static_cast<std::uint16_t>(kEpochYear + (date >> 9));
  when.month = static_cast<std::uint8_t>((date >> 5) & 0x0F);
  when.day = static_cast<std::uint8_t>(date & 0x1F);
  when.hour = static_cast<std::uint8_t>(time >> 11);
  when.minute = static_cast<std::uint8_t>((time >> 5) & 0x3F);
  when.second = static_cast<std::uint8_t>((time & 0x1F) * 2 + std::min<int>(tenths, 199) / 100);
  when.milliseconds = static_cast<std::uint16_t>((std::min<int>(tenths, 199) % 100) * 10);
  return when;
}

ShortEntry DecodeShortEntry(std::span<const std::uint8_t, 32> slot, bool fat32) {
  ShortEntry entry;
  std::copy_n(slot.begin() + kName, entry.name.size(), entry.name.begin());
  entry.attributes = slot[kAttributes];
  entry.caseFlags = slot[kCaseFlags];
  entry.created = {win::ReadLe16(slot, kCreateTime), win::ReadLe16(slot, kCreateDate), slot[kCreateTenths]};
  entry.accessDate = win::ReadLe16(slot, kAccessDate);
  entry.written = {win::ReadLe16(slot, kWriteTime), win::ReadLe16(slot, kWriteDate), 0};
  const std::uint32_t high = fat32 ? win::ReadLe16(slot, kClusterHigh) : 0;
  entry.firstCluster = (high << 16) | win::ReadLe16(slot, kClusterLow);
  entry.size = win::ReadLe32(slot, kSize);
  return entry;
}

void EncodeShortEntry(const ShortEntry& entry, std::span<std::uint8_t, 32> slot) {
  std::fill(slot.begin(), slot.end(), std::uint8_t{0});
  std::copy(entry.name.begin(), entry.name.end(), slot.begin() + kName);
  slot[kAttributes] = entry.attributes;
  slot[kCaseFlags] = entry.caseFlags;
  slot[kCreateTenths] = entry.created.tenths;
  win::WriteLe16(slot, kCreateTime, entry.created.time);
  win::WriteLe16(slot, kCreateDate, entry.created.date);
  win::WriteLe16(slot, kAccessDate, entry.accessDate);
  win::WriteLe16(slot, kClusterHigh, entry.firstCluster >> 16);
  win::WriteLe16(slot, kWriteTime, entry.written.time);
  win::WriteLe16(slot, kWriteDate, entry.written.date);
  win::WriteLe16(slot, kClusterLow, entry.firstCluster & 0xFFFF);
  win::WriteLe32(slot, kSize, entry.size);
}

}  // namespace machine
