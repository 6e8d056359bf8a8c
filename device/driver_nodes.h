// The card driver's device nodes (Windows 9x), read through their 32-bit addresses with every
// address and field checked: a chain that points nowhere or loops ends the walk instead of
// reading wild memory.
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tarnlok {

struct LogicalDrive {
  win::BYTE number = 0;  // 0 for A
  win::DWORD value = 0;
};

class DriverNode {
 public:
  // A copy of the node at address; Valid() is false where the address names no whole node.
  explicit DriverNode(win::DWORD address);

  bool Valid() const { return valid_; }
  win::DWORD Address() const { return address_; }
  win::DWORD Next() const;
  win::DWORD Flags() const;
  win::DWORD SecondFlags() const;
  win::BYTE DriverStatus() const;
  win::BYTE OwnDrive() const;
  win::DWORD SectorCount() const;
  std::string Vendor() const;
  std::string Product() const;
  std::string Revision() const;
  std::string AdapterName() const;
  // The port driver's name, 8 characters at most; empty without a record.
  std::string PortDriver() const;
  // The hardware text; nullopt when the node has no resource record.
  std::optional<std::string> HardwareText() const;
  // The node's logical drives in chain order.
  std::vector<LogicalDrive> LogicalDrives() const;

 private:
  std::string Text(std::size_t offset, std::size_t length) const;

  win::DWORD address_ = 0;
  bool valid_ = false;
  std::vector<win::BYTE> bytes_;
};

// The nodes from the anchor's first node through the next links.
std::vector<DriverNode> WalkDeviceChain(win::DWORD anchorAddress);

// The text of bytes up to their first zero, as a string.
std::string FixedText(const win::BYTE* bytes, std::size_t length);

}  // namespace tarnlok
