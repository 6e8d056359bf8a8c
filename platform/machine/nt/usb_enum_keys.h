// The registry's USB enumeration keys of the machine's USB readers, as the system keeps them
// (HKLM "SYSTEM\CurrentControlSet\Enum" on the NT family, HKLM "Enum" on Windows 9x):
//
//   USB\VID_vvvv&PID_pppp\<instance>     Service "USBSTOR", ParentIdPrefix, ParentUniqueID,
//                                          DeviceDesc
//   USBSTOR\Disk&Ven_<v>&Prod_<p>&Rev_<r>\<disk instance>   Service "disk", FriendlyName
//
// The INQUIRY texts in the disk key lose their trailing blanks and have inner blanks made
// "_". The disk instance is "<instance>&0" for a reader with a serial number (an instance name
// without '&'), else "<ParentIdPrefix>&0": the names in which the system's identification
// finds the USB device again. ParentUniqueID is 0x2F000000 plus the reader's position from 1.
// Not provided: the hubs, HardwareID and CompatibleIDs lists, the class keys.
#pragma once

#include "platform/machine/machine_description.h"

#include "platform/win/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace machine {

// The key at root\path when it is one of the machine's enumeration keys; none otherwise.
std::optional<win::SynthesizedKey> UsbEnumerationKey(const MachineDescription& machine, win::RegistryRoot root,
                                                     std::string_view path);

// "Disk&Ven_Kestro&Prod_CF_Reader&Rev_1.00" for a reader's INQUIRY texts.
std::string UsbStorageDiskKeyName(const ReaderDescription& reader);
// The reader's instance under its USBSTOR disk key.
std::string UsbStorageInstanceName(const ReaderDescription& reader);

}  // namespace machine
