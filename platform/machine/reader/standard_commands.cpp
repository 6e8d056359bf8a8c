// The standard commands of a USB mass-storage card reader: INQUIRY, TEST UNIT READY, READ
// CAPACITY(10) (also in the 6-byte block some callers send), MODE SENSE(6) with the block
// descriptor and the maker's page 0x20, START STOP UNIT, the release block (opcode 0x1D),
// READ(10) and WRITE(10). Not provided: REQUEST SENSE (sense travels with each command),
// READ(12)/(16), SYNCHRONIZE CACHE, mode pages other than 0x20.
#include "platform/machine/reader/media_status.h"
#include "platform/machine/reader/reader_firmware.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_operations.h"

#include <algorithm>
#include <array>
#include <vector>

namespace machine {
namespace {

constexpr std::size_t kInquirySize = 56;  // standard 36 bytes, the status word and vendor bytes
constexpr std::uint8_t kRemovableMedium = 0x80;
constexpr std::uint8_t kScsi2 = 0x02;
constexpr std::uint8_t kResponseFormat = 0x02;
constexpr std::size_t kInquiryStatusWord = 36;
constexpr std::uint8_t kEvpd = 0x01;

constexpr std::uint8_t kDisableBlockDescriptors = 0x08;
constexpr std::uint8_t kPageCodeMask = 0x3F;
constexpr std::uint8_t kNoPage = 0x00;
constexpr std::uint8_t kAllPages = 0x3F;
constexpr std::uint8_t kMakerPage = 0x20;
constexpr std::uint8_t kMakerPageLength = 3;
constexpr std::uint8_t kModeWriteProtected = 0x80;
constexpr std::size_t kBlockDescriptorSize = 8;
constexpr std::uint32_t kLargest24Bit = 0xFFFFFF;

constexpr std::uint8_t kStart = 0x01;
constexpr std::uint8_t kLoadEject = 0x02;

using Reply = std::vector<std::uint8_t>;

std::uint32_t SectorsAs32(const CardMedia& card) {
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(card.Sectors(), UINT32_MAX));
}

void PutText(Reply& reply, std::size_t offset, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i)
    reply[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

// Runs body with the card, or answers NOT READY when the reader has none.
template <class Body>
void WithCard(FirmwareState& state, ScsiRequest& request, Body body) {
  CardMedia* card = state.slot.Card();
  if (card == nullptr) {
    request.Fail(sense::kMediumNotPresent);
    return;
  }
  body(*card);
}

void TestUnitReady(FirmwareState& state, ScsiRequest& request) {
  WithCard(state, request, [&request](CardMedia&) { request.Complete(0); });
}

void Inquiry(FirmwareState& state, ScsiRequest& request) {
  const auto cdb = request.Cdb();
  if ((cdb[1] & kEvpd) != 0 || cdb[2] != 0) {
    request.Fail(sense::kInvalidFieldInCdb);
    return;
  }
  Reply reply = InquiryData(state.description, state.slot.Card());
  reply.resize(std::min<std::size_t>(reply.size(), win::ReadBe16(cdb, 3)));
  ReplyIn(request, reply);
}

void ReadCapacity(FirmwareState& state, ScsiRequest& request) {
  WithCard(state, request, [&request](CardMedia& card) {
    std::array<std::uint8_t, 8> reply{};
    win::WriteBe32(reply, 0, SectorsAs32(card) - 1);
    win::WriteBe32(reply, 4, kSectorSize);
    ReplyIn(request, reply);
  });
}

// Header, block descriptor unless disabled, and the maker's page when asked for.
Reply ModeData(const FirmwareState& state, bool blockDescriptor, bool makerPage) {
  const CardMedia* card = state.slot.Card();
  Reply reply(4, 0);
  reply[2] = card != nullptr && card->WriteProtected() ? kModeWriteProtected : 0;
  if (blockDescriptor) {
    reply[3] = kBlockDescriptorSize;
    const std::uint32_t blocks = card == nullptr ? 0 : std::min(SectorsAs32(*card), kLargest24Bit);
    reply.resize(reply.size() + kBlockDescriptorSize, 0);
    win::WriteBe32(reply, 4, blocks);  // density code 0 in the high byte
    win::WriteBe32(reply, 8, kSectorSize);
  }
  if (makerPage) {
    // Byte 2 of the page: the reader holds a card it can load and eject.
    reply.insert(reply.end(),
                 {kMakerPage, kMakerPageLength, card != nullptr ? std::uint8_t{1} : std::uint8_t{0}, 0, 0});
  }
  reply[0] = static_cast<std::uint8_t>(reply.size() - 1);
  return reply;
}

void ModeSense6(FirmwareState& state, ScsiRequest& request) {
  const auto cdb = request.Cdb();
  const std::uint8_t page = cdb[2] & kPageCodeMask;
  const bool maker = state.description.maker;
  const bool known = page == kNoPage || page == kAllPages || (page == kMakerPage && maker);
  if (!known) {
    request.Fail(sense::kInvalidFieldInCdb);
    return;
  }
  if (page != kMakerPage && state.slot.Card() == nullptr) {
    request.Fail(sense::kMediumNotPresent);
    return;
  }
  const bool blockDescriptor = (cdb[1] & kDisableBlockDescriptors) == 0;
  Reply reply = ModeData(state, blockDescriptor, page == kMakerPage || (page == kAllPages && maker));
  reply.resize(std::min<std::size_t>(reply.size(), cdb[4]));
  ReplyIn(request, reply);
}

void StartStopUnit(FirmwareState& state, ScsiRequest& request) {
  const std::uint8_t action = request.Cdb()[4];
  if ((action & kLoadEject) == 0) {
    TestUnitReady(state, request);
    return;
  }
  if (!state.slot.HoldsCard()) {
    request.Fail(sense::kMediumNotPresent);
    return;
  }
  if ((action & kStart) != 0) {
    state.slot.Load();
  } else {
    state.slot.Eject();
  }
  if (state.mediumChanged) state.mediumChanged();
  request.Complete(0);
}

// Opcode 0x1D without a parameter list: the reader lets the system see its card afresh.
void Release(FirmwareState& state, ScsiRequest& request) {
  if (win::ReadBe16(request.Cdb(), 3) != 0) {
    request.Fail(sense::kInvalidFieldInCdb);
    return;
  }
  if (state.mediumChanged) state.mediumChanged();
  request.Complete(0);
}

struct BlockRange {
  std::uint32_t lba;
  std::uint32_t count;
  std::size_t bytes;
};

BlockRange RangeOf(std::span<const std::uint8_t> cdb) {
  const std::uint32_t count = win::ReadBe16(cdb, 7);
  return {win::ReadBe32(cdb, 2), count, std::size_t{count} * kSectorSize};
}

bool InsideCard(const CardMedia& card, const BlockRange& range) {
  return range.lba <= card.Sectors() && range.count <= card.Sectors() - range.lba;
}

// The sense for a media result other than Ok, and the bytes moved before it.
void FailTransfer(ScsiRequest& request, MediaResult result, std::size_t moved) {
  constexpr std::array<std::pair<MediaResult, Sense>, 5> kSenses{{
      {MediaResult::NoMedium, sense::kMediumNotPresent},
      {MediaResult::OutOfRange, sense::kLbaOutOfRange},
      {MediaResult::ReadFault, sense::kUnrecoveredReadError},
      {MediaResult::WriteFault, sense::kWriteError},
      {MediaResult::WriteProtected, sense::kWriteProtected},
  }};
  const auto* found =
      std::find_if(kSenses.begin(), kSenses.end(), [result](const auto& entry) { return entry.first == result; });
  request.Fail(found->second, static_cast<std::uint32_t>(moved));
}

// Checks what READ(10) and WRITE(10) share; answers the request and false when it cannot go on.
bool TransferCanStart(ScsiRequest& request, const CardMedia& card, const BlockRange& range, std::size_t buffer) {
  if (!InsideCard(card, range)) {
    request.Fail(sense::kLbaOutOfRange);
    return false;
  }
  if (buffer < range.bytes) {
    request.Fail(sense::kInvalidFieldInCdb);
    return false;
  }
  return true;
}

void Read10(FirmwareState& state, ScsiRequest& request) {
  WithCard(state, request, [&request](CardMedia& card) {
    const BlockRange range = RangeOf(request.Cdb());
    const auto in = request.In();
    if (!TransferCanStart(request, card, range, in.size())) return;
    std::size_t moved = 0;
    const MediaResult result = card.Read(range.lba, in.first(range.bytes), &moved);
    if (result != MediaResult::Ok) return FailTransfer(request, result, moved);
    request.Complete(static_cast<std::uint32_t>(range.bytes));
  });
}

void Write10(FirmwareState& state, ScsiRequest& request) {
  WithCard(state, request, [&request](CardMedia& card) {
    const BlockRange range = RangeOf(request.Cdb());
    const auto out = request.Out();
    if (!TransferCanStart(request, card, range, out.size())) return;
    std::size_t moved = 0;
    const MediaResult result = card.Write(range.lba, out.first(range.bytes), &moved);
    if (result != MediaResult::Ok) return FailTransfer(request, result, moved);
    request.Complete(static_cast<std::uint32_t>(range.bytes));
  });
}

struct StandardCommand {
  std::uint8_t opcode;
  std::size_t shortestBlock;
  void (*run)(FirmwareState&, ScsiRequest&);
};

// READ CAPACITY takes the 6-byte block too: the readers never looked at bytes 6 to 9.
constexpr std::array kStandardCommands{
    StandardCommand{win::kScsiTestUnitReady, 6, TestUnitReady},
    StandardCommand{win::kScsiInquiry, 6, Inquiry},
    StandardCommand{win::kScsiModeSense6, 6, ModeSense6},
    StandardCommand{win::kScsiStartStopUnit, 6, StartStopUnit},
    StandardCommand{win::kScsiReleaseBlock, 6, Release},
    StandardCommand{win::kScsiReadCapacity, 6, ReadCapacity},
    StandardCommand{win::kScsiRead10, 10, Read10},
    StandardCommand{win::kScsiWrite10, 10, Write10},
};

}  // namespace

std::vector<std::uint8_t> InquiryData(const ReaderDescription& reader, const CardMedia* card) {
  Reply reply(kInquirySize, 0);
  reply[1] = kRemovableMedium;
  reply[2] = kScsi2;
  reply[3] = kResponseFormat;
  reply[4] = static_cast<std::uint8_t>(kInquirySize - 5);
  PutText(reply, 8, reader.vendor, 8);
  PutText(reply, 16, reader.product, 16);
  PutText(reply, 32, reader.revision, 4);
  if (reader.maker && reader.bus == Bus::Usb) win::WriteLe32(reply, kInquiryStatusWord, InquiryStatusWord(card));
  return reply;
}

void RunStandardCommand(FirmwareState& state, ScsiRequest& request) {
  const auto cdb = request.Cdb();
  const auto* command = std::find_if(kStandardCommands.begin(), kStandardCommands.end(),
                                     [&cdb](const StandardCommand& entry) { return entry.opcode == cdb[0]; });
  if (command == kStandardCommands.end()) {
    request.Fail(sense::kInvalidOpcode);
  } else if (cdb.size() < command->shortestBlock) {
    request.Fail(sense::kInvalidFieldInCdb);
  } else {
    command->run(state, request);
  }
}

}  // namespace machine
