#include "device/identify_data.h"

#include "device/device_entry.h"
#include "device/reader_commands.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr std::size_t kModelWord = 27;
constexpr std::size_t kModelWords = 20;

struct FlagMatch {
  win::DWORD flag;
  CardType type;
};

const FlagMatch kFlagMatches[] = {
    {kStatusCompactFlash, {kCompactFlash, std::nullopt, "Compact Flash ", "MediaType-> CF\n"}},
    {kStatusSmartMedia, {kSmartMedia, kSmartMediaReader, "Smart Media ", "MediaType-> SM\n"}},
    {kStatusMemoryStick, {kMemoryStick, kMemoryStickReader, "Memory Stick ", "MediaType-> MS\n"}},
    {kIdentifyMmcSd, {kMmcSd, std::nullopt, "MMC/SD ", "MediaType-> MMC/SD\n"}},
};

}  // namespace

win::WORD IdentifyWord(IdentifyData data, std::size_t word) { return win::ReadLe16(data, 2 * word); }

win::DWORD CardFlags(IdentifyData data) { return win::ReadLe32(data, 2 * 157); }

win::DWORD IdentifyTotalSectors(IdentifyData data) { return win::ReadLe32(data, 2 * 60); }

std::string IdentifyModel(IdentifyData data) {
  std::string model;
  for (std::size_t i = 0; i < kModelWords; ++i) {
    const win::WORD word = IdentifyWord(data, kModelWord + i);
    model.push_back(static_cast<char>(word >> 8));
    model.push_back(static_cast<char>(word & 0xFF));
  }
  return model;
}

bool IdentifyModelValid(IdentifyData data) { return win::ReadU8(data, 2 * kModelWord) < 0x80; }

bool IdentifyNamesMaster(IdentifyData data) { return IdentifyWord(data, 135) != 0 && IdentifyWord(data, 136) != 0; }

std::optional<CardType> CardTypeFromFlags(win::DWORD flags) {
  const auto* found = std::find_if(std::begin(kFlagMatches), std::end(kFlagMatches),
                                   [flags](const FlagMatch& match) { return (flags & match.flag) != 0; });
  if (found == std::end(kFlagMatches)) return std::nullopt;
  return found->type;
}

}  // namespace tarnlok
