// The device list on Windows 9x, built from the card driver's device nodes: IDE and PCMCIA
// devices through the driver's identification, the others through their ASPI address, then
// every removable drive the walk left out, known by its letter only.
#pragma once

#include "device/driver_nodes.h"
#include "platform/win/system/types.h"

#include <string>

namespace tarnlok {

// 1 when the walk ran; 0 without a device chain or when an entry could not be allocated.
int EnumDevices9x();

// Adds an entry for each removable drive of the nodes from firstNode that no slot holds yet,
// filling slots from slot on. Returns 0.
int AppendDriveLetterDevices9x(win::DWORD firstNode, int slot);

// The IDE identification of a node through the card driver: 1 with the card's kind, reader
// kind, model text (45 bytes), card-type text (17 bytes) and drive select.
int IdentifyIdeDevice9x(const DriverNode& node, win::BYTE* deviceKind, win::BYTE* readerKind, char* modelText,
                        char* cardTypeText, win::BYTE* driveSelect);

// The bus kind the node's hardware text names; nullopt for a node the list leaves out.
std::optional<win::BYTE> BusKindFromHardwareText(const std::string& hardwareText);

}  // namespace tarnlok
