// The maker's vendor sub-commands every reader answers: status, reader lock and unlock, identify.
// The raw flash sub-commands (flash_commands.h) reply the no-card word without a card; those that
// need raw flash refuse a plain card.
#include "platform/machine/flash/flash_commands.h"
#include "platform/machine/reader/identify_block.h"
#include "platform/machine/reader/media_status.h"
#include "platform/machine/reader/reader_firmware.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>
#include <array>
#include <vector>

namespace machine {
namespace {

constexpr std::size_t kWideReplyLimit = 6;

struct VendorReply {
  std::vector<std::uint8_t> bytes;
  std::size_t usualLength;  // what the reader sends unless the wide form asks for another length
};

VendorReply NoCardWord(std::size_t usualLength) {
  VendorReply reply{std::vector<std::uint8_t>(kWideReplyLimit, 0), usualLength};
  win::WriteLe16(reply.bytes, 0, win::kVendorNoCardReply);
  return reply;
}

VendorReply Status(FirmwareState& state) {
  VendorReply reply{std::vector<std::uint8_t>(kWideReplyLimit, 0), 4};
  win::WriteLe32(reply.bytes, 0, VendorStatusWord(state.slot.Card()));
  return reply;
}

VendorReply Lock(FirmwareState& state) {
  if (state.slot.Card() == nullptr) return NoCardWord(2);
  state.readerLocked = true;
  return {std::vector<std::uint8_t>(kWideReplyLimit, 0), 2};
}

VendorReply Unlock(FirmwareState& state) {
  state.readerLocked = false;
  return {std::vector<std::uint8_t>(kWideReplyLimit, 0), 2};
}

VendorReply Identify(FirmwareState& state) {
  const auto data = ReaderIdentifyData(state.description, state.slot.Card());
  return {std::vector<std::uint8_t>(data.begin(), data.end()), win::identify_layout::kSize};
}

struct SubCommand {
  std::uint8_t code;
  VendorReply (*run)(FirmwareState&);
};

constexpr std::array kSubCommands{
    SubCommand{win::kVendorStatus, Status},
    SubCommand{win::kVendorLock, Lock},
    SubCommand{win::kVendorUnlock, Unlock},
    SubCommand{win::kVendorIdentifyReader, Identify},
};

std::size_t ReplyLength(const VendorCommand& command, const VendorReply& reply) {
  const bool asked = command.form == VendorForm::Wide && command.replyLength != 0;
  return std::min(asked ? command.replyLength : reply.usualLength, reply.bytes.size());
}

}  // namespace

void RunVendorCommand(FirmwareState& state, const VendorCommand& command, ScsiRequest& request) {
  const auto* known = std::find_if(kSubCommands.begin(), kSubCommands.end(),
                                   [&command](const SubCommand& entry) { return entry.code == command.subCommand; });
  VendorReply reply;
  if (known != kSubCommands.end()) {
    reply = known->run(state);
  } else if (state.slot.Card() == nullptr) {
    reply = NoCardWord(2);
  } else if (RunFlashCommand(state, command, request)) {
    return;
  } else {
    request.Fail(sense::kInvalidFieldInCdb);
    return;
  }
  ReplyIn(request, std::span(reply.bytes).first(ReplyLength(command, reply)));
}

}  // namespace machine
