// One write of the volume layout: 512-byte sectors from a page address, labelled with the
// block's logical number, in the command of the device kind, with the error text prepared first.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>
#include <span>

namespace pradvik {

// 1 written (or ignored by the user), 0 failed.
int WriteLayoutSectors(const FormatContext& context, std::uint32_t page, std::span<const std::uint8_t> sectors,
                       std::uint32_t messageId);
// A whole block of the newer SmartMedia readers: pagesPerBlock pages from the block's first page.
int WriteLayoutBlock(const FormatContext& context, std::uint32_t page, std::span<const std::uint8_t> block,
                     std::uint32_t messageId);

}  // namespace pradvik
