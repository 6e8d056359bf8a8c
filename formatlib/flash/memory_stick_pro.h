// A Memory Stick Pro is formatted by the reader itself: the library starts the reader's format
// and follows its progress to the end.
#pragma once

#include "formatlib/flash/flash_road.h"

#include "platform/win/system/types.h"

#include <cstdint>
#include <optional>
#include <span>

namespace pradvik {

// The percent done of one progress reply (big-endian total, then count done); nothing for a
// reply that tells no progress (a total of 0, or nothing done yet).
std::optional<std::uint8_t> ProPercentDone(std::span<const std::uint8_t, 8> reply);

// 1 when the reader reported its format finished; 0 when a command failed, the card left, or
// the reader stopped reporting progress.
int FormatMemoryStickPro(const FlashRoad& road, std::uint8_t fullFormat, win::HWND progress, win::HWND percent);

}  // namespace pradvik
