#include "device/driver_nodes.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"

#include <algorithm>

namespace tarnlok {
namespace {

namespace layout = win::card_driver_layout;

// More nodes or drives than a machine could have means a chain that loops.
constexpr std::size_t kMaxNodes = 64;
constexpr std::size_t kMaxDrives = 26;

std::optional<std::vector<win::BYTE>> Copy(win::DWORD address, std::size_t length) {
  if (address == 0) return std::nullopt;
  const auto* bytes = static_cast<const win::BYTE*>(win::ResolveAddressToken(address, length));
  if (bytes == nullptr) return std::nullopt;
  return std::vector<win::BYTE>(bytes, bytes + length);
}

}  // namespace

std::string FixedText(const win::BYTE* bytes, std::size_t length) {
  const auto* end = std::find(bytes, bytes + length, win::BYTE{0});
  return std::string(bytes, end);
}

DriverNode::DriverNode(win::DWORD address) : address_(address) {
  auto bytes = Copy(address, layout::kNodeSize);
  valid_ = bytes.has_value();
  bytes_ = bytes.value_or(std::vector<win::BYTE>(layout::kNodeSize, 0));
}

win::DWORD DriverNode::Next() const { return win::ReadLe32(bytes_, layout::kNodeNext); }
win::DWORD DriverNode::Flags() const { return win::ReadLe32(bytes_, layout::kNodeFlags); }
win::DWORD DriverNode::SecondFlags() const { return win::ReadLe32(bytes_, layout::kNodeSecondFlags); }
win::BYTE DriverNode::DriverStatus() const { return win::ReadU8(bytes_, layout::kNodeDriverStatus); }
win::BYTE DriverNode::OwnDrive() const { return win::ReadU8(bytes_, layout::kNodeOwnDrive); }
win::DWORD DriverNode::SectorCount() const { return win::ReadLe32(bytes_, layout::kNodeSectorCount); }

std::string DriverNode::Text(std::size_t offset, std::size_t length) const {
  return FixedText(bytes_.data() + offset, length);
}

std::string DriverNode::Vendor() const { return Text(layout::kNodeVendor, 8); }
std::string DriverNode::Product() const { return Text(layout::kNodeProduct, 16); }
std::string DriverNode::Revision() const { return Text(layout::kNodeRevision, 4); }
std::string DriverNode::AdapterName() const { return Text(layout::kNodeAdapterName, 8); }

std::string DriverNode::PortDriver() const {
  const auto record = Copy(win::ReadLe32(bytes_, layout::kNodePortDriver), layout::kPortDriverRecordSize);
  return record ? FixedText(record->data() + layout::kPortDriverName, 8) : std::string();
}

std::optional<std::string> DriverNode::HardwareText() const {
  const win::DWORD address = win::ReadLe32(bytes_, layout::kNodeResource);
  const auto record = Copy(address, layout::kResourceText);
  if (!record) return std::nullopt;
  // The text may end before the longest one; read only what its record holds.
  std::string text;
  for (std::size_t i = 0; i < layout::kResourceTextMax; ++i) {
    const auto* c = static_cast<const win::BYTE*>(win::ResolveAddressToken(address, layout::kResourceText + i, 1));
    if (c == nullptr || *c == 0) break;
    text.push_back(static_cast<char>(*c));
  }
  return text;
}

std::vector<LogicalDrive> DriverNode::LogicalDrives() const {
  std::vector<LogicalDrive> drives;
  win::DWORD address = win::ReadLe32(bytes_, layout::kNodeLogicalDrive);
  while (drives.size() < kMaxDrives) {
    const auto record = Copy(address, layout::kDriveRecordSize);
    if (!record) break;
    drives.push_back({win::ReadU8(*record, layout::kDriveNumber), win::ReadLe32(*record, layout::kDriveValue)});
    address = win::ReadLe32(*record, layout::kDriveNext);
  }
  return drives;
}

std::vector<DriverNode> WalkDeviceChain(win::DWORD anchorAddress) {
  std::vector<DriverNode> nodes;
  const auto anchor = Copy(anchorAddress, layout::kAnchorSize);
  if (!anchor) return nodes;
  win::DWORD address = win::ReadLe32(*anchor, layout::kAnchorFirstNode);
  while (address != 0 && nodes.size() < kMaxNodes) {
    DriverNode node(address);
    if (!node.Valid()) break;
    address = node.Next();
    nodes.push_back(std::move(node));
  }
  return nodes;
}

}  // namespace tarnlok
