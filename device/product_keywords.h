// The card kind a reader's product text names, for readers that do not say it otherwise.
#pragma once

#include "platform/win/system/types.h"

#include <cstddef>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tarnlok {

inline constexpr std::string_view kSmartMediaWords[] = {"SMART MEDIA", "SMARTMEDIA", "SM"};
inline constexpr std::string_view kMemoryStickWords[] = {"MEMORY STICK", "MEMORYSTICK", "MEMORYSTK", "MS"};
inline constexpr std::string_view kCompactFlashWords[] = {"COMPACT FLASH", "COMPACTFLASH", "CF"};
// The maker's SmartMedia readers, the music player's among them, by their product text.
inline constexpr std::string_view kSmartMediaReaderWords[] = {"SMART MEDIA", "SMARTMEDIA", "SM",
                                                              "MAVO DRUM",   "MAVODRUM",   "MD"};

// The product text's characters searched for the keywords: all but its last.
constexpr std::size_t kProductWordsLength = 15;

bool ContainsAny(std::string_view text, std::span<const std::string_view> words);

// The text of bytes up to the first zero byte (or their end), upper-cased.
std::string UpperText(std::span<const win::BYTE> bytes);
// The same, as the bytes stand.
std::string PlainText(std::span<const win::BYTE> bytes);

// Whether an INQUIRY vendor text is that of one of the maker's own readers.
bool IsMakersVendor(std::string_view vendor);

// SmartMedia 2, Memory Stick 8, CompactFlash 1, anything else 4 (MMC/SD).
win::BYTE KindFromProductWords(std::string_view upperProduct);

}  // namespace tarnlok
