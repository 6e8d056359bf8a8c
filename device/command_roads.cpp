#include "device/command_roads.h"

#include "device/aspi_transport.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <array>

namespace tarnlok {

ReaderAddress AddressOf(const DeviceEntry* entry) {
  if (entry == nullptr) return {};
  return {entry->hostAdapter, entry->target, entry->lun};
}

bool SendStandardCommand(win::HANDLE handle, const DeviceEntry& entry, std::span<const win::BYTE> cdb,
                         std::span<win::BYTE> data, win::BYTE direction) {
  const auto cdbLength = static_cast<win::BYTE>(cdb.size());
  const auto length = static_cast<win::DWORD>(data.size());
  if (OsKindIsNt()) {
    return ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdbLength, data.data(),
                           length, direction);
  }
  if (entry.noCommandFlag != 0) return false;
  return ExecAspiCommand(entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdbLength, data.data(), length,
                         direction == kScsiDataIn ? win::aspi::kDataIn : win::aspi::kNoData);
}

void SendTestUnitReady(win::HANDLE handle, const DeviceEntry& entry) {
  constexpr std::array<win::BYTE, 6> kTestUnitReady{win::kScsiTestUnitReady};
  SendStandardCommand(handle, entry, kTestUnitReady, {}, 0);
}

bool SendVendorCommand(win::HANDLE handle, ReaderAddress address, win::BYTE subCommand, std::span<win::BYTE> reply) {
  const VendorCdb cdb = CommandFirstCdb(subCommand);
  const auto length = static_cast<win::DWORD>(reply.size());
  // NT4 too: its entries carry no ASPI address, so ASPI would ask its first adapter's reader.
  if (OsKindIsNt()) {
    return ExecScsiCommand(handle, address.host, address.target, address.lun, cdb.data(), cdb.size(), reply.data(),
                           length, kScsiDataIn);
  }
  return ExecAspiCommand(address.host, address.target, address.lun, cdb.data(), cdb.size(), reply.data(), length,
                         win::aspi::kDataIn);
}

bool ModeSenseWriteProtected(win::HANDLE handle, const DeviceEntry& entry) {
  namespace mode6 = win::mode_sense6;
  constexpr win::BYTE kLength = mode6::kHeaderSize + mode6::kBlockDescriptorSize;
  constexpr std::array<win::BYTE, 6> kModeSense{win::kScsiModeSense6, 0, 0, 0, kLength, 0};
  std::array<win::BYTE, kLength> reply{};
  return SendStandardCommand(handle, entry, kModeSense, reply, kScsiDataIn) &&
         (reply[mode6::kDeviceSpecific] & mode6::kWriteProtected) != 0;
}

}  // namespace tarnlok

namespace tarnlok {

bool SendInquiry(win::HANDLE handle, ReaderAddress address, InquiryReply& reply) {
  constexpr std::array<win::BYTE, 6> kInquiry{win::kScsiInquiry, 0, 0, 0, kInquiryLength, 0};
  PromptText.clear();
  reply.fill(0);
  return ExecScsiCommand(handle, address.host, address.target, address.lun, kInquiry.data(), kInquiry.size(),
                         reply.data(), reply.size(), kScsiDataIn);
}

}  // namespace tarnlok
