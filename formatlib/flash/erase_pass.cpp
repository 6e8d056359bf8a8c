#include "formatlib/flash/erase_pass.h"

#include "formatlib/command/format_error_prompt.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/flash/bad_block_list.h"
#include "formatlib/flash/redundant_area.h"
#include "formatlib/flash/stick_boot_blocks.h"

#include <pradvik_exports.h>

#include "platform/ui/dialogs/message_box.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pradvik {
namespace {

constexpr std::uint32_t kZoneBlocks = 1024;
constexpr std::uint32_t kSegmentBlocks = 512;
constexpr std::uint32_t kStickCountedBlocks = 8192;

// The most bad blocks a SmartMedia zone may hold: zone 0, then every other zone.
std::pair<std::uint32_t, std::uint32_t> ZoneLimits(std::uint8_t code) {
  if (code == 1) return {3, 3};
  if (code <= 3) return {11, 11};
  if (code <= 5) return {21, 21};
  return {21, 22};
}

int TooManyBadBlocks(std::uint8_t fullFormat, win::UINT icon) {
  ShowLibraryMessage(fullFormat != 0 ? kStrTooManyFull : kStrTooManyQuick, icon);
  return 0;
}

bool SmartMediaZoneOverfull(const FormatContext& context) {
  const FormatLibraryState& state = LibraryState();
  const auto [zeroLimit, otherLimit] = ZoneLimits(context.geometry.code);
  std::vector<std::uint32_t> perZone(context.Blocks() / kZoneBlocks + 1, 0);
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(state.badBlockCount, kBadBlockCapacity); ++i) {
    const std::uint32_t zone = state.badBlocks[i] / kZoneBlocks;
    if (zone >= perZone.size()) continue;
    if (++perZone[zone] > (zone == 0 ? zeroLimit : otherLimit)) return true;
  }
  return false;
}

// Per-pass Memory Stick bookkeeping: the spares met so far.
struct StickPass {
  std::uint32_t spares = 0;
};

std::uint32_t SegmentsOf(std::uint8_t code) {
  constexpr std::array<std::uint32_t, 6> kSegments{1, 2, 2, 4, 8, 16};
  return kSegments[std::min<std::uint32_t>(code - 32u, 5u)];
}

// Counts listed blocks above the system area up to b; false when a segment is overfull.
// Otherwise gives the block's logical number and erase flag.
bool StickBlockPlan(const FormatContext& context, std::uint32_t block, StickPass& pass, std::uint16_t& logical,
                    std::uint8_t& eraseFlag) {
  const FormatLibraryState& state = LibraryState();
  const std::uint32_t systemEnd = state.disabledBlocks[0] == 2 ? 3 : 2;
  const std::uint32_t segments = SegmentsOf(context.geometry.code);
  std::vector<std::uint32_t> perSegment(std::max(segments, block / kSegmentBlocks + 1), 0);
  std::uint32_t counted = 0;
  for (std::uint32_t i = 0; i < std::min<std::uint32_t>(state.badBlockCount, kBadBlockCapacity); ++i) {
    const std::uint32_t e = state.badBlocks[i];
    if (e <= systemEnd || e > block) continue;
    ++counted;
    if (e < kStickCountedBlocks) ++perSegment[e / kSegmentBlocks];
  }
  for (std::size_t k = 0; k < perSegment.size(); ++k) {
    if (perSegment[k] > (k == 0 ? 14u : 15u)) return false;
  }
  const std::uint32_t k = block / kSegmentBlocks;
  const std::uint32_t usableEnd = k == 0 ? perSegment[0] + 496 : perSegment[k] + kSegmentBlocks * k + 495;
  const bool spare = block > usableEnd && block < kSegmentBlocks * (k + 1);
  if (spare) ++pass.spares;
  eraseFlag = spare ? 0x00 : 0x40;
  const long value = static_cast<long>(block) - static_cast<long>(systemEnd) - static_cast<long>(counted) -
                     static_cast<long>(pass.spares);
  logical = static_cast<std::uint16_t>(std::max(value, 0L));
  return true;
}

enum class Judgement { Erase, Skip, Stop };

Judgement JudgeBlock(const FormatContext& context, std::uint32_t page, std::uint8_t fullFormat) {
  if (fullFormat == 0) {
    std::uint8_t bad = 0;
    const int judged = ReadRedundantData(context, page, bad);
    if (judged == 0 && !context.MemoryStick()) return Judgement::Stop;
    return bad != 0 ? Judgement::Skip : Judgement::Erase;
  }
  if (context.MemoryStick() && ReadExtraData(context, page) == 1) return Judgement::Skip;
  return Judgement::Erase;
}

// An erase that did not take: the prompt without Retry, unless Ignore All is in force. The block
// is listed, since nothing may be laid into a block that was not erased. A card that left the
// reader ends the format, whatever was answered before.
bool GoOnAfterFailedErase(const FormatContext& context, std::uint32_t page, EraseOutcome outcome) {
  if (outcome == EraseOutcome::NoCard) {
    ShowLibraryMessage(kStrNoMediaInDrive, ui::MB_ICONSTOP);
    return false;
  }
  const std::uint32_t block = page / context.PagesPerBlock();
  AppendBadBlock(block);
  if (LibraryState().promptAnswer == kAnswerIgnoreAll) return true;
  PrepareBlockErrorText(kStrEraseFailed, block, page % context.PagesPerBlock());
  return AskAfterFailure(false) != kAnswerAbort;
}

}  // namespace

std::uint32_t CisSearchBlocks(std::uint8_t mediaCode) {
  if (mediaCode == 1) return 5;
  if (mediaCode <= 3) return 11;
  return 23;
}

int EraseAllBlocks(const FormatContext& context, std::uint8_t fullFormat, std::optional<KeptCisBlock> keptCis) {
  ClearBootBlockState();
  if (context.road.Newer() && context.MemoryStick() && SettleStickBootBlocks(context) == 0) return 0;
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  const std::uint32_t pages = context.geometry.pages;
  const std::uint32_t cisAreaEnd = CisSearchBlocks(context.geometry.code) * pagesPerBlock;
  StickPass stick;
  for (std::uint32_t page = 0; page < pages; page += pagesPerBlock) {
    const std::uint32_t block = page / pagesPerBlock;
    const bool kept = keptCis && keptCis->block == block;
    const Judgement judgement = kept ? Judgement::Skip : JudgeBlock(context, page, fullFormat);
    if (judgement == Judgement::Stop) return 0;
    const bool skip = judgement == Judgement::Skip || (context.MemoryStick() && IsDisabledBlock(block));
    if (skip) {
      StepProgress(context.progressWindow, context.percentWindow);
      continue;
    }
    std::uint16_t logical = 0;
    std::uint8_t eraseFlag = 0x40;
    if (context.MemoryStick() && !StickBlockPlan(context, block, stick, logical, eraseFlag)) {
      return TooManyBadBlocks(fullFormat, fullFormat != 0 ? ui::MB_ICONSTOP : ui::MB_ICONINFORMATION);
    }
    if (!context.MemoryStick() && SmartMediaZoneOverfull(context)) {
      return TooManyBadBlocks(fullFormat, ui::MB_ICONINFORMATION);
    }
    ClearErrorText();
    const EraseOutcome erased = EraseOneBlock(context, page, logical, eraseFlag);
    const bool done = erased == EraseOutcome::Erased;
    if (!done && !GoOnAfterFailedErase(context, page, erased)) return 0;
    if (fullFormat != 0) {
      if (done && MarkBlockBad(context, page, logical, eraseFlag) == 0) return 0;
      const std::uint32_t searchBlocks = CisSearchBlocks(context.geometry.code);
      if (!context.MemoryStick() && page == cisAreaEnd && LibraryState().badBlockCount >= searchBlocks) {
        return TooManyBadBlocks(fullFormat, ui::MB_ICONSTOP);
      }
    }
    StepProgress(context.progressWindow, context.percentWindow);
  }
  if (keptCis && keptCis->erase) {
    ClearErrorText();
    const std::uint32_t keptPage = keptCis->block * pagesPerBlock;
    const EraseOutcome erased = EraseOneBlock(context, keptPage, 0, 0x40);
    if (erased != EraseOutcome::Erased && !GoOnAfterFailedErase(context, keptPage, erased)) return 0;
  }
  return 1;
}

}  // namespace pradvik
