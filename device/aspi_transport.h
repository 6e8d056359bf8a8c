// ASPI for Win32 on Windows 9x: the manager WNASPI32.DLL from the system folder, SCSI requests
// (SRB_ExecSCSICmd, 80 bytes) and host adapter inquiries (SRB_HAInquiry, 60 bytes) sent with
// SendASPI32Command. Addresses in the request blocks are 32-bit address tokens: the data buffer
// is registered for the call, and the post routine field names a registered slot that holds a
// pointer to AspiPostRoutine, which the manager calls when a posted request completes. Directions
// are the block's flags (aspi_layout.h kNoData, kDataIn, kDataOut).
#pragma once

#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/system/types.h"

#include <span>

namespace tarnlok {

struct AspiAddress {
  win::BYTE host = 0;
  win::BYTE target = 0;
  win::BYTE lun = 0;
};

// Loads the manager when it is not loaded and looks up SendASPI32Command, and with
// withSupportInfo GetASPI32SupportInfo too; false when either is missing.
bool LoadAspiLibrary(bool withSupportInfo);

// Sends one SCSI request with the direction flag (posting added) and waits while it is pending,
// with waitForPost also until the post routine ran; true when it completed.
bool SendAspiRequest(AspiAddress address, std::span<const win::BYTE> cdb, win::BYTE* data, win::DWORD dataLength,
                     win::BYTE direction, bool waitForPost);

// One command through ASPI, loading the manager on first use.
bool ExecAspiCommand(win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb, win::BYTE cdbLength,
                     win::BYTE* data, win::DWORD dataLength, win::BYTE aspiFlags);

// INQUIRY of length bytes (at most 255).
bool AspiInquiry(win::BYTE host, win::BYTE target, win::BYTE lun, win::BYTE* buffer, win::BYTE length);

// The first 8 characters of the host adapter's identifier into text (9 bytes with its zero).
bool GetAspiAdapterName(win::BYTE host, char* text);

void AspiPostRoutine();
// Waits until the post routine ran; gives up after a bounded number of rounds.
void WaitAspiPosted();

}  // namespace tarnlok
