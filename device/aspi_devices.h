// ASPI devices on Windows 9x: the ASPI address of a device the card driver reports, the card
// kind of an ASPI device, and counts of matching devices.
#pragma once

#include "device/driver_nodes.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// 1 when an ASPI device matches the node's inquiry texts and adapter; its address, card kind and
// reader kind are written. 0 on the NT family or for no node.
int FindAspiAddress9x(const DriverNode* node, win::BYTE* deviceKind, win::BYTE* host, win::BYTE* target, win::BYTE* lun,
                      win::BYTE* readerKind);

// 1 when the card kind of the ASPI device could be told; the reader kind is written for
// SmartMedia and Memory Stick only.
int GetAspiMediaKind(win::BYTE* deviceKind, win::BYTE host, win::BYTE target, win::BYTE lun, win::BYTE* readerKind);

// Adds 1 to count for each device at target 0 of the first hostCount adapters whose vendor and
// product are these and whose adapter's name lies in adapterText.
void CountAspiDevices(const std::string& vendor, const std::string& product, const std::string& revision,
                      const std::string& adapterText, signed char hostCount, win::BYTE* count);

// The recovery run's match of a node to its ASPI device (target 0 of every adapter); the device
// kind becomes 18 or 24 where the inquiry data name a SmartMedia or Memory Stick reader.
// Without the ASPI manager: message 57418 and 0.
int MatchAspiDevice9x(const DriverNode& node, win::BYTE* host, win::BYTE* target, win::BYTE* lun,
                      win::BYTE* deviceKind);

}  // namespace tarnlok
