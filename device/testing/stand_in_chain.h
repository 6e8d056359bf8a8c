// A stand-in device-node chain of the Windows 9x card driver, laid out as the driver lays it
// out and registered at 32-bit addresses for as long as the chain lives.
#pragma once

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/system/types.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnlok::testing {

struct NodeSetup {
  win::DWORD flags = 0x8004;
  win::DWORD secondFlags = 0;
  win::BYTE driverStatus = 0;
  win::BYTE ownDrive = 0;
  std::string portDriver = "USBSTOR";
  std::string hardwareText = "USB\\VID_55AA&PID_0102\\5&1A2B";
  bool noHardwareText = false;
  std::string vendor = "Kestro  ";
  std::string product = "USB Reader      ";
  std::string revision = "1.00";
  std::string adapterName = "KSXHOST0";
  win::DWORD sectors = 0;
  std::vector<win::BYTE> driveNumbers;  // logical drives, 0 for A
};

class StandInChain {
 public:
  // Appends a node; answers its address.
  win::DWORD Add(const NodeSetup& setup);
  // The anchor's address (the reply of driver request 1), with the nodes linked in order.
  win::DWORD Anchor();

 private:
  win::DWORD Register(std::vector<win::BYTE> bytes);

  std::vector<std::unique_ptr<std::vector<win::BYTE>>> blocks_;
  std::vector<win::AddressRegistration> registrations_;
  std::vector<std::vector<win::BYTE>*> nodes_;
  std::vector<win::DWORD> nodeAddresses_;
};

}  // namespace tarnlok::testing
