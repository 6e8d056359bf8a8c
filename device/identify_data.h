// IDENTIFY DEVICE data (512 bytes, little-endian words) as the maker's IDE and PCMCIA readers
// fill it, and the card type their card flags name.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <span>
#include <string>

namespace tarnlok {

using IdentifyData = std::span<const win::BYTE>;

constexpr std::size_t kIdentifySize = 512;

win::WORD IdentifyWord(IdentifyData data, std::size_t word);
// Words 157-158 as one u32: the card flags.
win::DWORD CardFlags(IdentifyData data);
// Words 60-61: total addressable sectors.
win::DWORD IdentifyTotalSectors(IdentifyData data);
// The 40-character model number, each word's bytes swapped back into reading order.
std::string IdentifyModel(IdentifyData data);
// The first byte of word 27 below 0x80 marks valid model data.
bool IdentifyModelValid(IdentifyData data);
// Words 135 and 136 both non-zero: the master of the maker's readers answered.
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
