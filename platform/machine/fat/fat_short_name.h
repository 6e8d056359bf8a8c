// Short (8.3) names: their text, the names that fit 8.3 as they stand, and the names generated
// for long names (the basis name with a "~n" tail), as the FAT standard describes them.
// Short names hold ASCII; other characters become '_' in generated names.
#pragma once

#include "platform/machine/io_result.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace machine {

using ShortName = std::array<std::uint8_t, 11>;

// Bits of a short entry's reserved byte 12, set by Windows NT for names that are 8.3 but in
// lower case: the base or the extension is shown in lower case, and no long name is needed.
constexpr std::uint8_t kLowerCaseBase = 0x08;
constexpr std::uint8_t kLowerCaseExtension = 0x10;

// The text of a short name, "NAME.EXT" or "NAME", lower-cased where the case flags say.
std::string ShortNameText(std::span<const std::uint8_t, 11> raw, std::uint8_t caseFlags);

struct ShortNameFit {
  ShortName raw{};
  std::uint8_t caseFlags = 0;
};

// The short entry of a name that is 8.3 as it stands, each part in one case; nullopt when the
// name needs a long name.
std::optional<ShortNameFit> ExactShortName(std::string_view name);

// A short name for a long name not yet taken in the directory: the name itself in upper case
// when that is 8.3, else the basis name with the first free "~n" tail. ERROR_FILE_EXISTS when every tail up to ~999999 is taken.
IoResult<ShortName> GenerateShortName(std::string_view longName, const std::function<bool(const ShortName&)>& taken);

}  // namespace machine
