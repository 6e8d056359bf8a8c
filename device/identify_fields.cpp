#include "device/identify_fields.h"

#include "device/device_entry.h"
#include "device/reader_commands.h"
#include "platform/win/layouts/identify_layout.h"

#include <algorithm>

namespace tarnlok {
namespace {

namespace layout = win::identify_layout;

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

win::DWORD CardFlags(IdentifyData data) { return layout::ReadDoubleWord(data, layout::kCardFlags); }

win::WORD CardFlagsLowWord(IdentifyData data) { return layout::ReadWord(data, layout::kCardFlags); }

win::DWORD IdentifyTotalSectors(IdentifyData data) { return layout::ReadDoubleWord(data, layout::kTotalSectors); }

std::string IdentifyModel(IdentifyData data) {
  return layout::ReadText(data, layout::kModelNumber, layout::kModelNumberWords);
}

bool IdentifyModelValid(IdentifyData data) {
  return win::ReadU8(data, layout::ByteOffset(layout::kModelNumber)) < layout::kModelValidBelow;
}

bool IdentifyNamesMaster(IdentifyData data) {
  return layout::ReadWord(data, layout::kFirstReaderMark) != 0 &&
         layout::ReadWord(data, layout::kSecondReaderMark) != 0;
}

std::optional<CardType> CardTypeFromFlags(win::DWORD flags) {
  const auto* found = std::find_if(std::begin(kFlagMatches), std::end(kFlagMatches),
                                   [flags](const FlagMatch& match) { return (flags & match.flag) != 0; });
  if (found == std::end(kFlagMatches)) return std::nullopt;
  return found->type;
}

}  // namespace tarnlok
