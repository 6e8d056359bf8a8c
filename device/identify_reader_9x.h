// For the recovery run on Windows 9x: the ASPI address and card kind of the running card's
// reader, found through the card driver's device nodes and the registry's enumeration keys.
#pragma once

#include "device/device_entry.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// 1 when the node of CardDriveLetter was found and examined; 0 for an invalid driver handle,
// for an entry that takes no commands (UseDriveLetterIo is then set) and when no node holds the
// card's drive.
int IdentifyReader9x(win::HANDLE driverHandle, win::DWORD deviceChain, win::BYTE* hostAdapter, win::BYTE* target,
                     win::BYTE* lun, win::DWORD* driveValue, win::BYTE* deviceKind, win::BYTE* readerKind,
                     const DeviceEntry* entry);

// 1 when the registry ties a USB device of the maker's vendor id to this hardware text or to a
// USB storage disk of these texts.
int FindUsbDevice9x(const std::string& hardwareIdText, const std::string& vendor, const std::string& product,
                    const std::string& revision);

}  // namespace tarnlok
