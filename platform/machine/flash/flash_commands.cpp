#include "platform/machine/flash/flash_commands.h"

#include "platform/machine/cards/card_sectors.h"
#include "platform/machine/cards/factory_format.h"
#include "platform/machine/flash/flash_card.h"
#include "platform/machine/flash/memory_stick_card.h"
#include "platform/machine/flash/smartmedia_card.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>
#include <array>
#include <vector>

namespace machine {
namespace {

constexpr Sense kEraseFailure{0x03, 0x51, 0x00};
constexpr std::size_t kShortReply = 6;  // the longest of the small replies (wide status)
constexpr std::uint8_t kSmartMediaMaker = 0x98;
constexpr std::uint16_t kUnknownGeometry = 0xFFFF;
// The Memory Stick Pro format reports its progress in quarters, then "P".
constexpr std::uint32_t kProFormatPolls = 4;

// What one command works on, taken apart.
struct Context {
  FirmwareState& state;
  const VendorCommand& command;
  ScsiRequest& request;
  CardMedia& card;
};

std::uint64_t SmartMediaPage(const VendorCommand& command) { return command.address >> 8; }
std::uint8_t CountByte(const VendorCommand& command) { return static_cast<std::uint8_t>(command.address); }
std::uint32_t StickBlock(const VendorCommand& command) { return command.address & 0xFFFF; }
std::uint32_t StickPageInBlock(const VendorCommand& command) { return (command.address >> 16) & 0xFF; }
// Writes name the block one byte higher, with the count in the low byte.
std::uint32_t StickWriteBlock(const VendorCommand& command) { return (command.address >> 8) & 0xFFFF; }
std::uint32_t StickWritePage(const VendorCommand& command) { return command.address >> 24; }

void ReplyShort(ScsiRequest& request, std::span<const std::uint8_t> head) {
  std::array<std::uint8_t, kShortReply> reply{};
  std::copy(head.begin(), head.end(), reply.begin());
  ReplyIn(request, reply);
}

void FailWith(ScsiRequest& request, FlashResult result, Sense failure) {
  request.Fail(result == FlashResult::OutOfRange ? sense::kLbaOutOfRange : failure);
}

// Sends what a read produced, or its failure.
void ReplyRead(ScsiRequest& request, FlashResult result, std::span<const std::uint8_t> bytes) {
  if (result != FlashResult::Ok) return FailWith(request, result, sense::kUnrecoveredReadError);
  ReplyIn(request, bytes);
}

// The data a write carries: the caller's buffer, cut to the count byte's sectors.
std::span<const std::uint8_t> WriteData(const Context& context) {
  const std::size_t counted =
      static_cast<std::size_t>(CountByte(context.command) & win::kVendorCountSectors) * kFlashSectorSize;
  const auto out = context.request.Out();
  return out.first(std::min(out.size(), counted));
}

SmartMediaCard* SmartMediaOf(const Context& context) { return dynamic_cast<SmartMediaCard*>(context.card.Flash()); }
MemoryStickCard* StickOf(const Context& context) { return dynamic_cast<MemoryStickCard*>(context.card.Flash()); }

// Raw writes and erases need a card that may be written.
bool MayChange(const Context& context) {
  if (!context.card.WriteProtected()) return true;
  context.request.Fail(sense::kWriteProtected);
  return false;
}

// Ends a raw write; the firmware reads its block map again before the next logical transfer.
void Finish(const Context& context, FlashResult result, Sense failure) {
  context.card.Flash()->ForgetMap();
  if (result != FlashResult::Ok) return FailWith(context.request, result, failure);
  context.request.Complete(static_cast<std::uint32_t>(context.request.Out().size()));
}

bool IsMemoryStickPro(const CardMedia& card) { return card.Kind() == CardKind::MemoryStickPro; }

void Identify(const Context& context) {
  std::array<std::uint8_t, 4> reply{};
  if (const auto* smartMedia = SmartMediaOf(context)) {
    reply = {kSmartMediaMaker, smartMedia->DeviceCode(), 0, 0};
  } else if (context.card.Description().geometryHidden) {
    // A stick whose reader cannot tell its size: the run asks the person for it.
    win::WriteLe16(reply, 0, kUnknownGeometry);
    win::WriteLe16(reply, 2, 0);
  } else if (const auto* flash = context.card.Flash()) {
    win::WriteLe16(reply, 0, static_cast<std::uint16_t>(flash->Geometry().blocks));
    win::WriteLe16(reply, 2, static_cast<std::uint16_t>(flash->Geometry().pagesPerBlock));
  } else if (!IsMemoryStickPro(context.card)) {
    return context.request.Fail(sense::kInvalidFieldInCdb);
  } else {
    // A Memory Stick Pro does not tell its size this way.
    win::WriteLe16(reply, 0, kUnknownGeometry);
    win::WriteLe16(reply, 2, kUnknownGeometry);
  }
  ReplyShort(context.request, reply);
}

void ReadPages(const Context& context) {
  FlashCard& flash = *context.card.Flash();
  // A page past the named block's last would be read from the next block, not the one named.
  if (StickOf(context) != nullptr && StickPageInBlock(context.command) >= flash.Geometry().pagesPerBlock) {
    return context.request.Fail(sense::kLbaOutOfRange);
  }
  const std::uint64_t page = StickOf(context) != nullptr
                                 ? std::uint64_t{StickBlock(context.command)} * flash.Geometry().pagesPerBlock +
                                       StickPageInBlock(context.command)
                                 : SmartMediaPage(context.command);
  std::vector<std::uint8_t> data(context.command.length);
  ReplyRead(context.request, flash.Nand().ReadData(page, data), data);
}

void ReadRedundant(const Context& context) {
  if (SmartMediaOf(context) == nullptr) return context.request.Fail(sense::kInvalidFieldInCdb);
  std::vector<std::uint8_t> spare(context.command.length);
  NandArray& nand = context.card.Flash()->Nand();
  const std::uint64_t page = SmartMediaPage(context.command);
  const auto block = static_cast<std::uint32_t>(page / nand.Geometry().pagesPerBlock);
  ReplyRead(context.request, nand.SpareReadFails(block) ? FlashResult::Failed : nand.ReadSpare(page, spare), spare);
}

void ReadExtra(const Context& context) {
  if (StickOf(context) == nullptr) return context.request.Fail(sense::kInvalidFieldInCdb);
  std::vector<std::uint8_t> extra(context.command.length == 0 ? kExtraSize : context.command.length);
  NandArray& nand = context.card.Flash()->Nand();
  const std::uint32_t block = StickBlock(context.command);
  ReplyRead(context.request, nand.SpareReadFails(block) ? FlashResult::Failed : nand.ReadExtra(block, extra), extra);
}

void Erase(const Context& context) {
  if (!MayChange(context)) return;
  FlashCard& flash = *context.card.Flash();
  const auto block = StickOf(context) != nullptr
                         ? StickBlock(context.command)
                         : static_cast<std::uint32_t>(SmartMediaPage(context.command) / flash.Geometry().pagesPerBlock);
  // A Memory Stick erase also names the logical block and a flag (byte 6, or byte 0 of the
  // command-last block): the firmware's bookkeeping; the block itself is simply erased.
  const FlashResult result = flash.Nand().Erase(block);
  flash.ForgetMap();
  if (result != FlashResult::Ok) return FailWith(context.request, result, kEraseFailure);
  ReplyShort(context.request, {});
}

void WriteSmartMedia(const Context& context, SmartMediaCard& smartMedia) {
  const std::uint64_t page = SmartMediaPage(context.command);
  if ((context.command.length & win::kVendorBadBlockMark) != 0) {
    // A mark past the card's last block lands nowhere and must not be answered as written.
    if (page >= smartMedia.Geometry().Pages()) return context.request.Fail(sense::kLbaOutOfRange);
    smartMedia.MarkBad(static_cast<std::uint32_t>(page / smartMedia.Geometry().pagesPerBlock));
    return Finish(context, FlashResult::Ok, sense::kWriteError);
  }
  const auto data = WriteData(context);
  if (data.size() % kFlashSectorSize != 0) return context.request.Fail(sense::kInvalidFieldInCdb);
  const bool system = (CountByte(context.command) & win::kVendorSystemBlock) != 0;
  const std::uint16_t address =
      system ? kCisBlockAddress : EncodeBlockAddress(context.command.length % smartMedia.LogicalPerZone());
  Finish(context, smartMedia.ProgramSectors(page, data, address), sense::kWriteError);
}

void WritePages(const Context& context) {
  auto* smartMedia = SmartMediaOf(context);
  if (smartMedia == nullptr) return context.request.Fail(sense::kInvalidFieldInCdb);
  if (MayChange(context)) WriteSmartMedia(context, *smartMedia);
}

void WriteStick(const Context& context) {
  auto* stick = StickOf(context);
  if (stick == nullptr) return context.request.Fail(sense::kInvalidFieldInCdb);
  if (!MayChange(context)) return;
  const auto data = WriteData(context);
  if (data.size() % kFlashSectorSize != 0) return context.request.Fail(sense::kInvalidFieldInCdb);
  const bool system = (CountByte(context.command) & win::kVendorSystemBlock) != 0;
  const ExtraData extra = system ? BootExtra() : LogicalExtra(context.command.length);
  Finish(context, stick->ProgramPages(StickWriteBlock(context.command), StickWritePage(context.command), data, extra),
         sense::kWriteError);
}

// Programs the caller's bytes over redundant areas (SmartMedia, from the page named) or over
// a block's extra data (Memory Stick): bits are only cleared, as a bad-block mark needs.
void WriteRedundant(const Context& context) {
  if (!MayChange(context)) return;
  FlashCard& flash = *context.card.Flash();
  const auto bytes = context.request.Out();
  if (StickOf(context) != nullptr) {
    const auto extra = bytes.first(std::min(bytes.size(), kExtraSize));
    return Finish(context, flash.Nand().ProgramExtra(StickBlock(context.command), extra), sense::kWriteError);
  }
  const std::uint32_t spare = flash.Geometry().pageSpare;
  FlashResult result = FlashResult::Ok;
  for (std::size_t done = 0; done < bytes.size() && result == FlashResult::Ok; done += spare) {
    result = flash.Nand().ProgramSpare(SmartMediaPage(context.command) + done / spare, 0,
                                       bytes.subspan(done, std::min<std::size_t>(spare, bytes.size() - done)));
  }
  Finish(context, result, sense::kWriteError);
}

void EndRawAccess(const Context& context) {
  context.card.Flash()->ForgetMap();
  ReplyShort(context.request, {});
}

// The reader formats the card with the layout it had from the factory, then reports progress.
void StartProFormat(const Context& context) {
  if (!IsMemoryStickPro(context.card)) return context.request.Fail(sense::kInvalidFieldInCdb);
  if (!MayChange(context)) return;
  CardMediaDevice device(context.card);
  if (!FactoryFormat(device, FactoryLayoutFor(context.card.Kind(), context.card.Sectors()), SerialFromClock())) {
    return context.request.Fail(sense::kWriteError);
  }
  context.state.proFormatPolls = kProFormatPolls;
  if (context.state.mediumChanged) context.state.mediumChanged();
  ReplyShort(context.request, {});
}

void ProFormatProgress(const Context& context) {
  if (!IsMemoryStickPro(context.card)) return context.request.Fail(sense::kInvalidFieldInCdb);
  std::array<std::uint8_t, 8> reply{};
  if (context.state.proFormatPolls <= 1) {
    context.state.proFormatPolls = 0;
    reply[0] = win::kVendorProFormatDone;
    return ReplyIn(context.request, reply);
  }
  --context.state.proFormatPolls;
  const auto total = static_cast<std::uint32_t>(context.card.Sectors());
  const std::uint32_t quarters = kProFormatPolls - context.state.proFormatPolls;
  win::WriteBe32(reply, 0, total);
  win::WriteBe32(reply, 4, static_cast<std::uint32_t>(std::uint64_t{total} * quarters / kProFormatPolls));
  ReplyIn(context.request, reply);
}

struct FlashCommand {
  std::uint8_t code;
  bool needsFlash;  // raw flash only; the others serve Memory Stick Pro too
  void (*run)(const Context&);
};

constexpr std::array kFlashCommands{
    FlashCommand{win::kVendorEraseBlock, true, Erase},
    FlashCommand{win::kVendorGeometry, false, Identify},
    FlashCommand{win::kVendorReadPages, true, ReadPages},
    FlashCommand{win::kVendorWritePages, true, WritePages},
    FlashCommand{win::kVendorReadRedundant, true, ReadRedundant},
    FlashCommand{win::kVendorReadExtra, true, ReadExtra},
    FlashCommand{win::kVendorWriteRedundant, true, WriteRedundant},
    FlashCommand{win::kVendorWriteStickPages, true, WriteStick},
    FlashCommand{win::kVendorEndRawAccess, true, EndRawAccess},
    FlashCommand{win::kVendorStartProFormat, false, StartProFormat},
    FlashCommand{win::kVendorProFormatProgress, false, ProFormatProgress},
};

}  // namespace

bool RunFlashCommand(FirmwareState& state, const VendorCommand& command, ScsiRequest& request) {
  const auto* found = std::find_if(kFlashCommands.begin(), kFlashCommands.end(),
                                   [&command](const FlashCommand& entry) { return entry.code == command.subCommand; });
  CardMedia* card = state.slot.Card();
  if (found == kFlashCommands.end() || card == nullptr) return false;
  if (found->needsFlash && card->Flash() == nullptr) {
    request.Fail(sense::kInvalidFieldInCdb);
    return true;
  }
  found->run(Context{state, command, request, *card});
  return true;
}

}  // namespace machine
