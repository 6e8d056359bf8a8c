// The 512-byte IDENTIFY DEVICE block as the maker's IDE and PCMCIA readers fill it: 256
// little-endian words, laid out like ATA IDENTIFY data, with the reader's own marks and card
// flags in words the ATA standard leaves to vendors. The simulated readers write it; the
// device code reads it. Texts hold two characters a word, the first in the high byte, padded
// with blanks.
#pragma once

#include "platform/win/layouts/byte_order.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace win::identify_layout {

constexpr std::size_t kSize = 512;

// Word numbers.
constexpr std::size_t kGeneralConfiguration = 0;
constexpr std::size_t kSerialNumber = 10;  // text, kSerialNumberWords words
constexpr std::size_t kSerialNumberWords = 10;
constexpr std::size_t kFirmwareRevision = 23;  // text, kFirmwareRevisionWords words
constexpr std::size_t kFirmwareRevisionWords = 4;
constexpr std::size_t kModelNumber = 27;  // text, kModelNumberWords words
constexpr std::size_t kModelNumberWords = 20;
constexpr std::size_t kCapabilities = 49;
constexpr std::size_t kTotalSectors = 60;  // two words, low first: 0 without a card
constexpr std::size_t kFirstReaderMark = 135;  // both marks non-zero: the maker's reader (master) answered
constexpr std::size_t kSecondReaderMark = 136;
constexpr std::size_t kCardFlags = 157;  // two words, low first: the card's kind and state

// Word values.
constexpr WORD kRemovableDevice = 0x0080;  // in the general configuration
constexpr WORD kLbaSupported = 0x0200;  // in the capabilities
constexpr WORD kReaderMark = 0x4B53;  // "KS", in both reader marks
// The model's first byte in the block (the low byte of its first word) below this marks valid
// model data.
constexpr BYTE kModelValidBelow = 0x80;

constexpr std::size_t ByteOffset(std::size_t word) { return 2 * word; }

inline WORD ReadWord(std::span<const BYTE> block, std::size_t word) { return ReadLe16(block, ByteOffset(word)); }
inline DWORD ReadDoubleWord(std::span<const BYTE> block, std::size_t word) { return ReadLe32(block, ByteOffset(word)); }
inline void WriteWord(std::span<BYTE> block, std::size_t word, WORD value) {
  WriteLe16(block, ByteOffset(word), value);
}
inline void WriteDoubleWord(std::span<BYTE> block, std::size_t word, DWORD value) {
  WriteLe32(block, ByteOffset(word), value);
}

// A text field of words words from firstWord: its characters as they stand, padding included.
inline std::string ReadText(std::span<const BYTE> block, std::size_t firstWord, std::size_t words) {
  std::string text;
  for (std::size_t i = 0; i < words; ++i) {
    const WORD word = ReadWord(block, firstWord + i);
    text.push_back(static_cast<char>(word >> 8));
    text.push_back(static_cast<char>(word & 0xFF));
  }
  return text;
}
// Writes text into a field of words words from firstWord, cut to it or padded with blanks.
inline void WriteText(std::span<BYTE> block, std::size_t firstWord, std::size_t words, std::string_view text) {
  const auto at = [&text](std::size_t i) { return static_cast<BYTE>(i < text.size() ? text[i] : ' '); };
  for (std::size_t i = 0; i < words; ++i) {
    WriteWord(block, firstWord + i, static_cast<WORD>(at(2 * i) << 8 | at(2 * i + 1)));
  }
}

}  // namespace win::identify_layout
