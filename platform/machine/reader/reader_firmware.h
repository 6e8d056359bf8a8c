// The firmware of one card reader: a SCSI target that answers the standard commands of a USB
// mass-storage reader for the card in its slot and, in the maker's readers, the vendor command
// set in the form its generation accepts on the machine's road. docs/reader-protocol.md states
// every block, length and reply.
#pragma once

#include "platform/machine/cards/card_slot.h"
#include "platform/machine/reader/scsi_request.h"
#include "platform/machine/reader/vendor_command_form.h"

#include <functional>
#include <optional>
#include <vector>

namespace machine {

// What the command handlers work on.
struct FirmwareState {
  const ReaderDescription& description;
  CardSlot& slot;
  Road road;
  bool readerLocked = false;  // vendor lock 0x88 until unlock 0x89
  std::uint32_t proFormatPolls = 0;  // Memory Stick Pro format: progress replies still to give
  // A raw write announced in ATA register form, waiting for the write that carries its data.
  std::optional<VendorCommand> writeSetup;
  // Called when the reader lets the system see its card afresh (release, load, eject).
  std::function<void()> mediumChanged;
};

class ReaderFirmware final : public ScsiTarget {
 public:
  ReaderFirmware(const ReaderDescription& description, Road road, CardSlot& slot, std::function<void()> mediumChanged);

  void Execute(ScsiRequest& request) override;
  // Runs a vendor command that came in ATA register form: the maker's readers answer it, other
  // readers refuse it as an unknown operation. A raw write only announces itself: the next
  // WRITE(10) (or WRITE SECTORS) carries its data; any other command drops the announcement.
  void ExecuteVendor(const VendorCommand& command, ScsiRequest& request);
  bool ReaderLocked() const { return state_.readerLocked; }

 private:
  FirmwareState state_;
};

// Answers a data-in command with reply, cut to the caller's buffer. A request that allows no
// data in fails with ILLEGAL REQUEST when there is something to send.
void ReplyIn(ScsiRequest& request, std::span<const std::uint8_t> reply);

// The reader's standard INQUIRY data: 36 standard bytes, then for the maker's USB readers the
// media status word at 36-39, then vendor bytes.
std::vector<std::uint8_t> InquiryData(const ReaderDescription& reader, const CardMedia* card);

// The two command sets, each answering one request.
void RunStandardCommand(FirmwareState& state, ScsiRequest& request);
void RunVendorCommand(FirmwareState& state, const VendorCommand& command, ScsiRequest& request);

}  // namespace machine
