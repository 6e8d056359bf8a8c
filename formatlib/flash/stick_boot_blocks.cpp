#include "formatlib/flash/stick_boot_blocks.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/flash/redundant_area.h"

#include <algorithm>
#include <array>
#include <span>

namespace pradvik {
namespace {

constexpr std::uint8_t kGoodBit = 0x80;
constexpr std::uint8_t kOrdinaryBit = 0x04;
constexpr std::uint16_t kNoLogicalBlock = 0xFFFF;

bool IsBootBlockExtra(std::span<const std::uint8_t> extra) {
  return !IsNoCardReply(extra) && (extra[0] & kGoodBit) != 0 && (extra[1] & kOrdinaryBit) == 0;
}

void EraseQuietly(const FormatContext& context, std::uint32_t block) {
  ClearErrorText();
  std::array<std::uint8_t, 6> reply{};
  EraseStickBlock(context.road, block, kNoLogicalBlock, 0, reply);
}

// Erases block 0 and writes the kept boot block into it; true when it took.
bool WriteFirstBootBlock(const FormatContext& context) {
  EraseQuietly(context, 0);
  ClearErrorText();
  const std::uint32_t length = std::min<std::uint32_t>(context.BlockBytes(), kBootBlockBufferSize);
  return WriteStickBootBlock(context.road, 0, std::span(LibraryState().bootBlockBuffer).first(length)) == 1;
}

}  // namespace

int SettleStickBootBlocks(const FormatContext& context) {
  FormatLibraryState& state = LibraryState();
  bool firstHoldsOne = false;
  for (std::uint32_t block = 0; block < context.Blocks(); ++block) {
    ClearErrorText();
    std::array<std::uint8_t, 4> extra{};
    if (ReadExtraData(context.road, block, extra) != 1) return 0;
    if (!IsBootBlockExtra(extra)) continue;
    if (state.firstBootBlockFound == 0 && state.secondBootBlockFound == 0 && SaveBootBlock(context, block)) {
      state.bootBlockSaved = 1;
    }
    if (block == 0) state.firstBootBlockFound = 1;
    if (block == 1) state.secondBootBlockFound = 1;
    ++state.bootBlockCounter;
    firstHoldsOne = firstHoldsOne || block == 0;
    if (state.bootBlockSaved != 0 && !firstHoldsOne) firstHoldsOne = WriteFirstBootBlock(context);
    // A copy beyond the first two blocks goes only once one of them holds a boot block, so that
    // a card whose first blocks are bad is not left without any.
    if (block >= 2 && (firstHoldsOne || state.secondBootBlockFound != 0)) EraseQuietly(context, block);
    if (state.bootBlockSaved != 0 && state.bootBlockCounter == 2) break;
  }
  ResetDisabledBlocks();
  ClearBootBlockState();
  return 1;
}

}  // namespace pradvik
