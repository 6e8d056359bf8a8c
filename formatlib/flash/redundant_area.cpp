#include "formatlib/flash/redundant_area.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/flash/bad_block_list.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pradvik {
namespace {

constexpr std::size_t kUnit = 16;
constexpr std::size_t kBlockStatus = 5;
constexpr std::uint8_t kGoodBit = 0x80;
constexpr std::uint8_t kOrdinaryBit = 0x04;
constexpr std::uint32_t kPatternA = 0x55AA55AA;
constexpr std::uint32_t kPatternB = 0xAA55AA55;

std::uint32_t RedundantLength(const MediaGeometry& geometry) {
  if (geometry.code <= 2) return 128;
  if (geometry.code <= 4) return 256;
  return 512;
}

bool Judged(std::uint8_t result) { return result != 0; }

int ReadSmartMediaRedundant(const FormatContext& context, std::uint32_t page, std::uint8_t& bad) {
  const std::uint32_t block = page / context.PagesPerBlock();
  PrepareBlockErrorText(kStrRedundantReadFailed, block, page % context.PagesPerBlock());
  std::vector<std::uint8_t> reply(RedundantLength(context.geometry), 0);
  const std::uint8_t result = ReadRedundantArea(context.road, page, reply);
  if (!Judged(result)) return 0;
  bool good = result == 1 && !IsNoCardReply(reply);
  for (std::size_t unit = 0; good && unit + kUnit <= reply.size(); unit += kUnit) {
    good = reply[unit + kBlockStatus] == 0xFF;
  }
  bad = good ? 0 : 1;
  if (!good && block != 0) AppendBadBlock(block);
  return 1;
}

bool IsBadExtra(std::uint8_t result, std::span<const std::uint8_t> extra) {
  return result != 1 || IsNoCardReply(extra) || (extra[0] & kGoodBit) == 0;
}

// The boot-block part of both Memory Stick judges: save the block, note where it was found.
void NoteBootBlock(const FormatContext& context, std::uint32_t block) {
  FormatLibraryState& state = LibraryState();
  TakeBootBlock(context, block);
  if (block == 0) state.firstBootBlockFound = 1;
  if (block == 1) state.secondBootBlockFound = 1;
  ++state.bootBlockCounter;
}

int ReadStickExtra(const FormatContext& context, std::uint32_t page, std::uint8_t& bad) {
  const std::uint32_t block = page / context.PagesPerBlock();
  bad = 0;
  if (IsDisabledBlock(block)) return 1;
  PrepareBlockErrorText(kStrExtraReadFailed, block, page % context.PagesPerBlock());
  std::array<std::uint8_t, 4> extra{};
  const std::uint8_t result = ReadExtraData(context.road, block, extra);
  if (!Judged(result)) return 0;
  if (IsBadExtra(result, extra)) {
    bad = 1;
    AppendBadBlock(block);
    return 1;
  }
  if ((extra[1] & kOrdinaryBit) != 0) return 1;
  NoteBootBlock(context, block);
  if (block < 2) {
    bad = 1;
    AppendBadBlock(block);
  }
  return 1;
}

std::vector<std::uint8_t> Pattern(std::uint32_t length, std::uint32_t word) {
  std::vector<std::uint8_t> data(length);
  for (std::uint32_t at = 0; at + 4 <= length; at += 4) win::WriteLe32(data, at, word);
  return data;
}

// Writes the pattern over the block and compares what comes back. False: a command failed
// (failed is set) or the data differ.
bool PatternHolds(const FormatContext& context, std::uint32_t page, std::uint16_t logical, std::uint32_t word,
                  bool& failed) {
  const std::uint32_t length = context.BlockBytes();
  const auto pattern = Pattern(length, word);
  const std::uint32_t block = page / context.PagesPerBlock();
  const std::uint8_t sectors = static_cast<std::uint8_t>(length / 512);
  const std::uint8_t count = static_cast<std::uint8_t>(0x40 | sectors);
  ClearErrorText();
  const std::uint8_t written = context.MemoryStick()
                                   ? WriteStickPages(context.road, block, 0, count, logical, pattern)
                                   : WriteSmartMediaPages(context.road, page, count, logical, pattern);
  std::vector<std::uint8_t> back(length, 0);
  const std::uint8_t read = written != 1            ? 0
                            : context.MemoryStick() ? ReadStickPages(context.road, block, 0, back)
                                                    : ReadSmartMediaPages(context.road, page, back);
  failed = written != 1 || read != 1;
  return !failed && back == pattern;
}

}  // namespace

EraseOutcome EraseOneBlock(const FormatContext& context, std::uint32_t page, std::uint16_t logical,
                           std::uint8_t eraseFlag) {
  std::array<std::uint8_t, 6> reply{};
  const std::uint8_t result =
      context.MemoryStick() ? EraseStickBlock(context.road, page / context.PagesPerBlock(), logical, eraseFlag, reply)
                            : EraseSmartMediaBlock(context.road, page, reply);
  if (IsNoCardReply(reply)) return EraseOutcome::NoCard;
  return result == 1 ? EraseOutcome::Erased : EraseOutcome::Failed;
}

int ReadRedundantData(const FormatContext& context, std::uint32_t page, std::uint8_t& bad) {
  bad = 0;
  return context.MemoryStick() ? ReadStickExtra(context, page, bad) : ReadSmartMediaRedundant(context, page, bad);
}

int ReadExtraData(const FormatContext& context, std::uint32_t page) {
  if (!context.MemoryStick()) return 0;
  const std::uint32_t block = page / context.PagesPerBlock();
  if (IsDisabledBlock(block)) return 1;
  PrepareBlockErrorText(kStrExtraReadFailed, block, page % context.PagesPerBlock());
  std::array<std::uint8_t, 4> extra{};
  const std::uint8_t result = ReadExtraData(context.road, block, extra);
  if (result != 1 || (extra[1] & kOrdinaryBit) != 0) return 0;
  NoteBootBlock(context, block);
  if (block < 2) AppendBadBlock(block);
  return 1;
}

int MarkBlockBad(const FormatContext& context, std::uint32_t page, std::uint16_t logical, std::uint8_t eraseFlag) {
  const std::uint32_t block = page / context.PagesPerBlock();
  if (context.MemoryStick() && IsDisabledBlock(block)) return 1;
  bool failed = false;
  bool passed = false;
  if (PatternHolds(context, page, logical, kPatternA, failed)) {
    ClearErrorText();
    if (EraseOneBlock(context, page, logical, eraseFlag) == EraseOutcome::Erased &&
        PatternHolds(context, page, logical, kPatternB, failed)) {
      ClearErrorText();
      passed = EraseOneBlock(context, page, logical, eraseFlag) == EraseOutcome::Erased;
    }
  }
  if (passed) return 1;
  // A block that failed its test in any way is listed, so that no structure is laid into it.
  AppendBadBlock(block);
  PrepareBlockErrorText(kStrMarkBadFailed, block, page % context.PagesPerBlock());
  std::uint8_t result = 0;
  if (context.MemoryStick()) {
    const std::array<std::uint8_t, 4> mark{0x78, 0xFF, static_cast<std::uint8_t>(logical >> 8),
                                           static_cast<std::uint8_t>(logical)};
    result = WriteExtraData(context.road, block, mark);
  } else {
    const std::array<std::uint8_t, 512> zeros{};
    result = WriteSmartMediaPages(context.road, page, win::kVendorCountFlag | 1,
                                  static_cast<std::uint16_t>(logical | win::kVendorBadBlockMark), zeros);
  }
  return result != 0 ? 1 : 0;
}

void LoadDisabledBlocks(std::span<const std::uint8_t> page) {
  FormatLibraryState& state = LibraryState();
  ResetDisabledBlocks();
  for (std::size_t i = 0; i < state.disabledBlocks.size() && 2 * i + 2 <= page.size(); ++i) {
    const std::uint16_t entry = win::ReadBe16(page, 2 * i);
    if (entry == kDisabledListEnd) break;
    state.disabledBlocks[i] = entry;
    AppendBadBlock(entry);
  }
}

bool SaveBootBlock(const FormatContext& context, std::uint32_t block) {
  FormatLibraryState& state = LibraryState();
  state.bootBlockBuffer.fill(0);
  ClearErrorText();
  const std::uint32_t length = std::min<std::uint32_t>(context.BlockBytes(), kBootBlockBufferSize);
  return ReadStickPages(context.road, block, 0, std::span(state.bootBlockBuffer).first(length)) == 1;
}

void ClearBootBlockState() {
  FormatLibraryState& state = LibraryState();
  state.firstBootBlockFound = 0;
  state.secondBootBlockFound = 0;
  state.bootBlockSaved = 0;
  state.bootBlockCounter = 0;
}

void TakeBootBlock(const FormatContext& context, std::uint32_t block) {
  FormatLibraryState& state = LibraryState();
  if (state.firstBootBlockFound == 0 && state.secondBootBlockFound == 0 && SaveBootBlock(context, block)) {
    state.bootBlockSaved = 1;
  }
  if (state.disabledBlocks[0] != kDisabledListEnd) return;
  std::array<std::uint8_t, 512> list{};
  list.fill(0xFF);
  ClearErrorText();
  if (ReadStickPages(context.road, block, 1, list) == 1) LoadDisabledBlocks(list);
}

}  // namespace pradvik
