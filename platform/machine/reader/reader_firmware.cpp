#include "platform/machine/reader/reader_firmware.h"

#include "platform/machine/ata/ata_vendor_registers.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_operations.h"

#include <algorithm>
#include <utility>

namespace machine {
namespace {

// 8- and 12-byte blocks are vendor commands; a reader without the form, or a block that is not
// in its form, knows no such operation.
void RunVendorBlock(FirmwareState& state, ScsiRequest& request) {
  const auto form = AcceptedForm(state.description.firmware, state.road);
  const auto command = form ? DecodeVendorCommand(request.Cdb(), *form) : std::nullopt;
  if (!command) {
    request.Fail(sense::kInvalidOpcode);
    return;
  }
  RunVendorCommand(state, *command, request);
}

constexpr std::size_t kWrite10Length = 10;

bool IsWrite10(std::span<const std::uint8_t> cdb) {
  return cdb.size() == kWrite10Length && cdb[0] == win::kScsiWrite10;
}

}  // namespace

ReaderFirmware::ReaderFirmware(const ReaderDescription& description, Road road, CardSlot& slot,
                               std::function<void()> mediumChanged)
    : state_{description, slot, road, false, 0, std::nullopt, std::move(mediumChanged)} {}

void ReaderFirmware::Execute(ScsiRequest& request) {
  const auto setup = std::exchange(state_.writeSetup, std::nullopt);
  if (setup && IsWrite10(request.Cdb())) {
    RunVendorCommand(state_, CompleteWriteSetup(*setup, win::ReadBe16(request.Cdb(), 7)), request);
  } else if (request.Cdb().empty()) {
    request.Fail(sense::kInvalidOpcode);
  } else if (IsVendorBlock(request.Cdb())) {
    RunVendorBlock(state_, request);
  } else {
    RunStandardCommand(state_, request);
  }
  state_.slot.CountCommand();
}

void ReaderFirmware::ExecuteVendor(const VendorCommand& command, ScsiRequest& request) {
  state_.writeSetup.reset();
  if (state_.description.firmware == Firmware::None) {
    request.Fail(sense::kInvalidOpcode);
  } else if (IsWriteSetup(command) && state_.slot.Card() != nullptr) {
    state_.writeSetup = command;
    request.Complete(0);
  } else {
    RunVendorCommand(state_, command, request);
  }
  state_.slot.CountCommand();
}

void ReplyIn(ScsiRequest& request, std::span<const std::uint8_t> reply) {
  const auto in = request.In();
  if (in.empty() && !reply.empty() && request.Direction() != DataDirection::In &&
      request.Direction() != DataDirection::Either) {
    request.Fail(sense::kInvalidFieldInCdb);
    return;
  }
  const std::size_t moved = std::min(in.size(), reply.size());
  std::copy_n(reply.begin(), moved, in.begin());
  request.Complete(static_cast<std::uint32_t>(moved));
}

}  // namespace machine
