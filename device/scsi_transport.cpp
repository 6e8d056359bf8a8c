#include "device/scsi_transport.h"

#include "device/aspi_transport.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/string_ids.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/layouts/scsi_commands.h"

#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <span>
#include <vector>

namespace tarnlok {
namespace {

namespace aspi = win::aspi;
namespace spt = win::scsi_pass_through;

struct DirectionCodes {
  win::BYTE caller;
  win::BYTE passThrough;
  win::BYTE aspi;
};

// A caller's code in the pass-through spelling (SCSI_IOCTL_DATA_*) is taken too; its "out" is
// sent without a direction on the NT road.
// clang-format off
constexpr DirectionCodes kDirections[] = {
    {kScsiDataIn,              win::SCSI_IOCTL_DATA_IN,          aspi::kDataIn},
    {win::SCSI_IOCTL_DATA_IN,  win::SCSI_IOCTL_DATA_IN,          aspi::kDataIn},
    {kScsiDataOut,             win::SCSI_IOCTL_DATA_OUT,         aspi::kDataOut},
    {win::SCSI_IOCTL_DATA_OUT, win::SCSI_IOCTL_DATA_UNSPECIFIED, aspi::kDataOut},
    {kScsiNoData,              win::SCSI_IOCTL_DATA_UNSPECIFIED, aspi::kNoData},
};
// clang-format on

const DirectionCodes* FindDirection(win::BYTE direction) {
  const auto* found = std::find_if(std::begin(kDirections), std::end(kDirections),
                                   [direction](const DirectionCodes& codes) { return codes.caller == direction; });
  return found == std::end(kDirections) ? nullptr : found;
}

win::BYTE PassThroughDirection(win::BYTE direction) {
  const auto* codes = FindDirection(direction);
  return codes != nullptr ? codes->passThrough : direction;
}

win::BYTE AspiDirection(win::BYTE direction) {
  const auto* codes = FindDirection(direction);
  return codes != nullptr ? codes->aspi : direction;
}

// The sub-command of a vendor block: byte 1 of the 8-byte form, byte 9 of the 12-byte one.
win::BYTE VendorSubCommand(const win::BYTE* cdb, win::BYTE cdbLength) {
  return cdbLength >= sizeof(WideVendorCdb) ? cdb[9] : cdb[1];
}

// Replies about the card rather than read from it: there the no-card word means what it says.
bool RepliesAboutTheCard(win::BYTE subCommand) {
  return subCommand == kVendorStatus || subCommand == kVendorGeometry || subCommand == kVendorLock ||
         subCommand == kVendorUnlock || subCommand == kVendorEraseBlock;
}

bool StartsWithNoCardWord(const win::BYTE* cdb, const win::BYTE* data, win::DWORD dataLength) {
  return cdb[0] == win::kScsiVendorCommand && data != nullptr && StartsWithNoMediaReply(std::span(data, dataLength));
}

// A status or lock reply that begins with the no-card word fails. Page data may begin with the
// same two bytes (about one sector in 65,536 of photographs): those fail only when the card's
// status, asked in the same form, says that no card is there.
using StatusSender =
    std::function<bool(const win::BYTE* cdb, win::BYTE cdbLength, win::BYTE* reply, win::DWORD length)>;

bool VendorReplyFails(const StatusSender& send, const win::BYTE* cdb, win::BYTE cdbLength, const win::BYTE* data,
                      win::DWORD dataLength) {
  if (!StartsWithNoCardWord(cdb, data, dataLength)) return false;
  if (RepliesAboutTheCard(VendorSubCommand(cdb, cdbLength))) return true;
  const VendorCdb status = CommandFirstCdb(kVendorStatus);
  const WideVendorCdb wideStatus = WideCdb(status);
  const bool wide = cdbLength >= sizeof(WideVendorCdb);
  std::array<win::BYTE, 4> reply{};
  const win::BYTE* statusCdb = wide ? wideStatus.data() : status.data();
  const auto statusLength = static_cast<win::BYTE>(wide ? wideStatus.size() : status.size());
  if (!send(statusCdb, statusLength, reply.data(), static_cast<win::DWORD>(reply.size()))) return true;
  return StartsWithNoMediaReply(reply);
}

bool ExecScsiCommandNt(win::HANDLE handle, const win::BYTE* cdb, win::BYTE cdbLength, win::BYTE* data,
                       win::DWORD dataLength, win::BYTE direction) {
  if (handle == win::INVALID_HANDLE_VALUE) return false;
  const win::BYTE dataIn = PassThroughDirection(direction);
  std::vector<win::BYTE> request;
  try {
    request.assign(spt::kDataArea + dataLength, 0);
  } catch (const std::bad_alloc&) {
    ShowStringMessage(kStringNotEnoughMemory, ui::MB_ICONSTOP);
    return false;
  }
  spt::WriteRequestHeader(request, std::span(cdb, cdbLength), dataIn, dataLength);
  if (dataIn == win::SCSI_IOCTL_DATA_OUT && data != nullptr) {
    std::copy_n(data, dataLength, request.begin() + spt::kDataArea);
  }

  const auto size = static_cast<win::DWORD>(dataLength + spt::kDataArea);
  win::DWORD returned = 0;
  const win::BOOL delivered = win::DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH, request.data(), size,
                                                   request.data(), size, &returned, nullptr);
  const bool shortTransfer = win::ReadLe32(request, spt::kDataTransferLength) != dataLength;
  if (shortTransfer && cdb[0] != win::kScsiVendorCommand && OperationBusy != 0) return false;
  if (dataIn == win::SCSI_IOCTL_DATA_IN && data != nullptr) {
    std::copy_n(request.begin() + spt::kDataArea, dataLength, data);
  }
  if (!delivered) return false;
  // While a run writes a card, a command the device refused (a failed erase or raw write
  // answers CHECK CONDITION with every byte moved) must not count as done.
  if (win::ReadU8(request, spt::kScsiStatus) != 0 && OperationBusy != 0) return false;
  const auto send = [handle](const win::BYTE* statusCdb, win::BYTE length, win::BYTE* reply, win::DWORD replyLength) {
    return ExecScsiCommandNt(handle, statusCdb, length, reply, replyLength, kScsiDataIn);
  };
  return !VendorReplyFails(send, cdb, cdbLength, data, dataLength);
}

bool ExecScsiCommand9x(win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb, win::BYTE cdbLength,
                       win::BYTE* data, win::DWORD dataLength, win::BYTE direction) {
  if (host == kNoAspiAddress || target == kNoAspiAddress || lun == kNoAspiAddress) return false;
  if (SendAspiSrb == nullptr) return false;
  const AspiAddress address{host, target, lun};
  if (!SendAspiRequest(address, std::span(cdb, cdbLength), data, dataLength, AspiDirection(direction), false)) {
    return false;
  }
  const auto send = [address](const win::BYTE* statusCdb, win::BYTE length, win::BYTE* reply, win::DWORD replyLength) {
    return SendAspiRequest(address, std::span(statusCdb, length), reply, replyLength, aspi::kDataIn, false);
  };
  return !VendorReplyFails(send, cdb, cdbLength, data, dataLength);
}

}  // namespace

bool ExecScsiCommand(win::HANDLE handle, win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb,
                     win::BYTE cdbLength, win::BYTE* data, win::DWORD dataLength, win::BYTE direction) {
  // A longer command would overrun the request's data area or CDB field.
  if (cdb == nullptr || cdbLength > spt::kCdbCapacity || dataLength > kMaxScsiTransfer) return false;
  if (data == nullptr && dataLength != 0) return false;
  if (OsKindIsNt()) return ExecScsiCommandNt(handle, cdb, cdbLength, data, dataLength, direction);
  return ExecScsiCommand9x(host, target, lun, cdb, cdbLength, data, dataLength, direction);
}

win::BOOL ReadInquiryData(win::HANDLE handle, win::BYTE* buffer, win::BYTE length) {
  const win::BYTE cdb[6] = {win::kScsiInquiry, 0, 0, 0, length, 0};
  if (buffer == nullptr && length != 0) return win::FALSE;
  std::vector<win::BYTE> request(spt::kDataArea + length, 0);
  spt::WriteRequestHeader(request, cdb, win::SCSI_IOCTL_DATA_IN, length);
  win::DWORD returned = 0;
  const auto size = static_cast<win::DWORD>(request.size());
  const win::BOOL result = win::DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH, request.data(), size,
                                                request.data(), size, &returned, nullptr);
  std::copy_n(request.begin() + spt::kDataArea, length, buffer);
  return result;
}

}  // namespace tarnlok
