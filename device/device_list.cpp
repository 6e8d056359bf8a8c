#include "device/device_list.h"

#include "device/device_state.h"

#include <algorithm>
#include <iterator>
#include <new>

namespace tarnlok {

DeviceEntry* NewDeviceEntry() { return new (std::nothrow) DeviceEntry{}; }

void AppendDeviceEntry(DeviceEntry* entry) {
  entry->index = DeviceCount;
  ++DeviceCount;
  if (entry->index != 0 && DeviceListTail != nullptr) {
    DeviceListTail->next = entry;
    entry->previous = DeviceListTail;
  } else {
    DeviceListHead = entry;
  }
  DeviceListTail = entry;
}

bool FillNextSlot(char letter) {
  const auto free = std::find(std::begin(SlotDriveLetters), std::end(SlotDriveLetters), '\0');
  if (free == std::end(SlotDriveLetters)) return false;
  *free = letter;
  SlotStates[free - std::begin(SlotDriveLetters)] = 2;
  return true;
}

DeviceEntry* FindDeviceByIndex(int index) {
  DeviceEntry* entry = DeviceListTail;
  if (entry == nullptr) return nullptr;
  while (entry->index != index && entry->previous != nullptr) entry = entry->previous;
  while (entry->index != index && entry->next != nullptr) entry = entry->next;
  CurrentDevice = entry;
  return entry;
}

void FreeDeviceList() {
  // Every entry hangs off the first one; walking forward from it frees the list even where the
  // last pointer was never set (a scan that stopped early) without reading freed entries.
  DeviceEntry* entry = DeviceListHead;
  if (entry == nullptr) entry = DeviceListLast;
  while (entry != nullptr && entry->previous != nullptr) entry = entry->previous;
  while (entry != nullptr) {
    DeviceEntry* next = entry->next;
    delete entry;
    entry = next;
  }
  DeviceListHead = DeviceListTail = DeviceListLast = CurrentDevice = nullptr;
  DeviceCount = 0;
  std::fill(std::begin(SlotDriveLetters), std::end(SlotDriveLetters), '\0');
  std::fill(std::begin(SlotStates), std::end(SlotStates), 0);
}

}  // namespace tarnlok
