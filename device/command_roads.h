// The roads a command takes to a reader inside capacity, locking and identification: standard
// SCSI commands and the readers' vendor commands go through pass-through on the whole NT family
// (NT4 included: its entries have no ASPI address) and through ASPI on Windows 9x.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <array>
#include <span>

namespace tarnlok {

// The entry's ASPI address, or 255s when there is no entry.
struct ReaderAddress {
  win::BYTE host = kNoAspiAddress;
  win::BYTE target = kNoAspiAddress;
  win::BYTE lun = kNoAspiAddress;
};
ReaderAddress AddressOf(const DeviceEntry* entry);

// A standard command; on Windows 9x not sent (false) to an entry that takes no commands.
bool SendStandardCommand(win::HANDLE handle, const DeviceEntry& entry, std::span<const win::BYTE> cdb,
                         std::span<win::BYTE> data, win::BYTE direction);

// TEST UNIT READY; its result is of no interest to the callers.
void SendTestUnitReady(win::HANDLE handle, const DeviceEntry& entry);

// A vendor command in the command-first form with data in.
bool SendVendorCommand(win::HANDLE handle, ReaderAddress address, win::BYTE subCommand, std::span<win::BYTE> reply);

// MODE SENSE(6) of 12 bytes; true when it answered with the write-protect bit set.
bool ModeSenseWriteProtected(win::HANDLE handle, const DeviceEntry& entry);

}  // namespace tarnlok

namespace tarnlok {

constexpr win::BYTE kInquiryLength = 42;
using InquiryReply = std::array<win::BYTE, kInquiryLength>;

// INQUIRY of 42 bytes into a zeroed reply through ExecScsiCommand; PromptText is emptied first.
bool SendInquiry(win::HANDLE handle, ReaderAddress address, InquiryReply& reply);

}  // namespace tarnlok
