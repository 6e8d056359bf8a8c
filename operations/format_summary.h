// The figures of the format summary: fixed tables for SmartMedia and Memory Stick cards by the
// media code of the last format run, and for every other card the volume the format wrote, as
// the system reports it behind the card's drive letter. Where the system reports no volume there,
// the figures come from the card's sector count by FAT layout rules of the summary's own.
#pragma once

#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

struct SummaryFigures {
  win::ULONGLONG totalBytes = 0;
  win::ULONGLONG availableBytes = 0;
  win::ULONGLONG unitBytes = 0;
  win::ULONGLONG units = 0;

  bool operator==(const SummaryFigures&) const = default;
};

SummaryFigures FormatSummaryFigures(win::BYTE deviceKind, win::DWORD mediaCode, char driveLetter);

// "%lu,%03lu,%03lu" above 1,000,000, "%lu,%03lu" above 1000, else "%lu"; above 1,000,000,000
// every further three digits make a group of their own.
std::string GroupedDigits(win::ULONGLONG value);

}  // namespace tarnlok
