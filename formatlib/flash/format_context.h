// What every step of one low-level format works with: the reader road, the card's geometry
// (Memory Stick cards tell their own block count and pages per block) and the caller's
// progress and percent windows.
#pragma once

#include "formatlib/flash/flash_road.h"
#include "formatlib/flash/media_geometry.h"

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

struct FormatContext {
  FlashRoad road;
  MediaGeometry geometry{};
  win::HWND progressWindow = nullptr;
  win::HWND percentWindow = nullptr;

  std::uint32_t PagesPerBlock() const { return geometry.pagesPerBlock; }
  std::uint32_t Blocks() const { return geometry.pages / geometry.pagesPerBlock; }
  // Bytes of one whole block's data.
  std::uint32_t BlockBytes() const { return geometry.pagesPerBlock * geometry.pageSize; }
  bool MemoryStick() const { return geometry.IsMemoryStick(); }
};

}  // namespace pradvik
