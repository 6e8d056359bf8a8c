// The 32-byte short directory entry: name, attributes, timestamps, first cluster and size.
#pragma once

#include "platform/machine/fat_short_name.h"

#include <cstdint>
#include <functional>
#include <span>

namespace machine {

// Attribute bits of a directory entry.
constexpr std::uint8_t kAttrReadOnly = 0x01;
constexpr std::uint8_t kAttrHidden = 0x02;
constexpr std::uint8_t kAttrSystem = 0x04;
constexpr std::uint8_t kAttrVolumeId = 0x08;
constexpr std::uint8_t kAttrDirectory = 0x10;
constexpr std::uint8_t kAttrArchive = 0x20;

// The first name byte of a slot never used (it and every later slot are free) and of a freed one.
constexpr std::uint8_t kSlotEnd = 0x00;
constexpr std::uint8_t kSlotFree = 0xE5;

// A local date and time as the platform clock tells it.
struct FatDateTime {
  std::uint16_t year = 1980;
  std::uint8_t month = 1;
  std::uint8_t day = 1;
  std::uint8_t hour = 0;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;
  std::uint16_t milliseconds = 0;
  bool operator==(const FatDateTime&) const = default;
};

// The clock that stamps created and written files; tests fix it for reproducible images.
using FatClock = std::function<FatDateTime()>;

// The local time of the platform clock (win::GetLocalTime), so that tests can fix it.
FatDateTime SystemFatTime();

// The on-disk form of a date and time: 2-second time, date from 1980, and the creation
// time's extra 10-millisecond units.
struct FatStamp {
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint8_t tenths = 0;
};

// Encodes a date and time, clamped to the years 1980 to 2107 that FAT can hold.
FatStamp EncodeFatTime(const FatDateTime& when);
// Decodes a stored date and time (tenths 0 for the write time, which has none).
FatDateTime DecodeFatTime(std::uint16_t date, std::uint16_t time, std::uint8_t tenths);

struct ShortEntry {
  ShortName name{};
  std::uint8_t attributes = 0;
  std::uint8_t caseFlags = 0;
  FatStamp created;
  std::uint16_t accessDate = 0;
  FatStamp written;
  std::uint32_t firstCluster = 0;
  std::uint32_t size = 0;
};

// Reads a short entry; the first cluster's high half counts on FAT32 only.
ShortEntry DecodeShortEntry(std::span<const std::uint8_t, 32> slot, bool fat32);
// Writes a short entry into a slot.
void EncodeShortEntry(const ShortEntry& entry, std::span<std::uint8_t, 32> slot);

}  // namespace machine
