// The fields of a reader's IDENTIFY DEVICE block (platform/win/layouts/identify_layout.h) that
// the device code reads, and the card type the card flags name.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <span>
#include <string>

namespace tarnlok {

using IdentifyData = std::span<const win::BYTE>;

// The card flags, both words.
win::DWORD CardFlags(IdentifyData data);
// The card flags' low word alone, where the write-protect status bit lies.
win::WORD CardFlagsLowWord(IdentifyData data);
// Total addressable sectors.
win::DWORD IdentifyTotalSectors(IdentifyData data);
// The 40-character model number, each word's bytes swapped back into reading order.
std::string IdentifyModel(IdentifyData data);
// The model's first byte below 0x80 marks valid model data.
bool IdentifyModelValid(IdentifyData data);
// Both reader marks non-zero: the master of the maker's readers answered.
bool IdentifyNamesMaster(IdentifyData data);

struct CardType {
  win::BYTE deviceKind = 0;
  std::optional<win::BYTE> readerKind;  // unchanged when empty
  const char* text = "";  // the card-type text, trailing blank included
  const char* logText = "";  // its device log line
};

// The card the flags name, first match of CompactFlash, SmartMedia, Memory Stick, MMC/SD.
std::optional<CardType> CardTypeFromFlags(win::DWORD flags);

}  // namespace tarnlok
