// The device list: appending entries while it is built, finding the selected one, freeing it.
#pragma once

#include "device/device_entry.h"

namespace tarnlok {

// A zero-filled entry; null when memory is short.
DeviceEntry* NewDeviceEntry();

// Gives the entry the next index and links it behind DeviceListTail (or makes it the head).
void AppendDeviceEntry(DeviceEntry* entry);

// Puts the letter into the next free slot of SlotDriveLetters with state 2; false when all are used.
bool FillNextSlot(char letter);

// The entry with that index, searched back from DeviceListTail and then forward; it becomes
// CurrentDevice. The entry reached when no entry has the index is returned as well.
DeviceEntry* FindDeviceByIndex(int index);

// Frees every entry from DeviceListLast back to the first and clears the list state.
void FreeDeviceList();

}  // namespace tarnlok
