// Device tests on described machines: the machine built and installed, the program-wide state
// set as start-up sets it on that Windows version (on Windows 9x the card driver opened and its
// node chain taken), the entries of the device list by drive letter, and a card's capacity as
// GetMediaCapacity tells it.
#pragma once

#include "device/device_entry.h"
#include "device/testing/device_test_support.h"
#include "platform/machine/machine.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnlok::test_support {

// A machine description of that Windows version ("98", "xp", ...) with the readers given (JSON
// objects separated by commas).
std::string MachineJson(const std::string& windows, const std::string& readers);

// The list's entry for a drive letter; null when there is none.
DeviceEntry* EntryAt(char letter);

// The entries of the device list in order.
std::vector<const DeviceEntry*> ListedEntries();

struct Capacity {
  int result = 0;
  win::DWORD sizeOrCode = 0;
  win::DWORD blocks = 0;
  win::DWORD pagesPerBlock = 0;
  win::DWORD bytesPerSector = 0;
  win::BYTE writeProtected = 0;
};

// GetMediaCapacity for the entry on that letter, with the volume handle on the NT family.
Capacity CapacityOf(char letter);

class MachineDeviceTest : public DeviceStateTest {
 protected:
  void Start(const std::string& json, win::BYTE osKind);
  // Closes what start-up opened, forgets the list and takes the machine away.
  void Stop();
  void TearDown() override;

  std::unique_ptr<machine::Machine> machine_;
  win::HANDLE driver_ = win::INVALID_HANDLE_VALUE;
};

}  // namespace tarnlok::test_support
