#include "formatlib/command/format_library_state.h"

#include "formatlib/command/os_platform_class.h"

#include <algorithm>

namespace pradvik {
namespace {

win::HINSTANCE g_instance = nullptr;

}  // namespace

FormatLibraryState& LibraryState() {
  static FormatLibraryState state;
  return state;
}

win::HINSTANCE LibraryInstance() { return g_instance; }
void SetLibraryInstance(win::HINSTANCE instance) { g_instance = instance; }

std::uint8_t RunExportPrologue(std::uint32_t deviceId, std::uint8_t driveIndex) {
  FormatLibraryState& state = LibraryState();
  state.driveIndex = driveIndex;
  state.deviceId = deviceId;
  state.aspiHost.reset();
  // An Ignore All answers the failures of one run only: a later export asks again.
  state.promptAnswer = kAnswerNone;
  return GetOsPlatformClass();
}

bool IsNtClass(std::uint8_t osKind) { return osKind == kOsWindowsNt4 || osKind == kOsWindows2000; }

bool IsWindows9xClass(std::uint8_t osKind) { return osKind >= kOsWindows95 && osKind <= kOsWindowsMe; }

void ResetBadBlocks() {
  FormatLibraryState& state = LibraryState();
  state.badBlocks.fill(kFreeBadBlockEntry);
  state.badBlockCount = 0;
}

void AppendBadBlock(std::uint32_t block) {
  FormatLibraryState& state = LibraryState();
  if (state.badBlockCount >= state.badBlocks.size()) return;
  state.badBlocks[state.badBlockCount++] = block;
}

void ResetDisabledBlocks() { LibraryState().disabledBlocks.fill(kDisabledListEnd); }

bool IsDisabledBlock(std::uint32_t block) {
  const auto& list = LibraryState().disabledBlocks;
  for (const std::uint16_t entry : list) {
    if (entry == kDisabledListEnd) return false;
    if (entry == block) return true;
  }
  return false;
}

}  // namespace pradvik
