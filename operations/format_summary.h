// The figures of the format summary, derived from the device kind and media code of the last
// format run: fixed tables for SmartMedia and Memory Stick cards, FAT layout rules of the
// summary's own for every other card.
#pragma once

#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

struct SummaryFigures {
  win::ULONGLONG totalBytes = 0;  // also the bytes available
  win::ULONGLONG unitBytes = 0;
  win::ULONGLONG units = 0;

  bool operator==(const SummaryFigures&) const = default;
};

SummaryFigures FormatSummaryFigures(win::BYTE deviceKind, win::DWORD mediaCode);

// "%lu,%03lu,%03lu" above 1,000,000, "%lu,%03lu" above 1000, else "%lu".
std::string GroupedDigits(win::ULONGLONG value);

}  // namespace tarnlok
