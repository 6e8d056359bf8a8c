// Writing the card information structure back after the erase pass: the card's own page when
// it was found intact, else the library's fixed page (a second fixed page names the maker's
// model when the reader's product text does).
#pragma once

#include "formatlib/flash/format_context.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace pradvik {

// The fixed 512-byte page: the structure at 0x000 and again at 0x100.
std::array<std::uint8_t, 512> FixedCisPage(bool modelPage);
bool NamesTheModel(std::string_view productText);

// Writes at the page given; 0 when the write failed (after the prompt).
int WriteNewCis(const FormatContext& context, bool cisValid, std::span<const std::uint8_t, 512> cardPage,
                std::uint32_t page, std::string_view productText);

}  // namespace pradvik
