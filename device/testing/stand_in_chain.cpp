#include "device/testing/stand_in_chain.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"

#include <algorithm>

namespace tarnlok::test_support {
namespace {

namespace layout = win::card_driver_layout;

void PutText(std::vector<win::BYTE>& bytes, std::size_t offset, const std::string& text, std::size_t width) {
  std::copy_n(text.begin(), std::min(text.size(), width), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

win::DWORD StandInChain::Register(std::vector<win::BYTE> bytes) {
  blocks_.push_back(std::make_unique<std::vector<win::BYTE>>(std::move(bytes)));
  registrations_.emplace_back(blocks_.back()->data(), blocks_.back()->size());
  return registrations_.back().token();
}

win::DWORD StandInChain::Add(const NodeSetup& setup) {
  std::vector<win::BYTE> node(layout::kNodeSize, 0);
  win::WriteLe32(node, layout::kNodeFlags, setup.flags);
  win::WriteLe32(node, layout::kNodeSecondFlags, setup.secondFlags);
  node[layout::kNodeDriverStatus] = setup.driverStatus;
  node[layout::kNodeOwnDrive] = setup.ownDrive;
  PutText(node, layout::kNodeVendor, setup.vendor, 8);
  PutText(node, layout::kNodeProduct, setup.product, 16);
  PutText(node, layout::kNodeRevision, setup.revision, 4);
  PutText(node, layout::kNodeAdapterName, setup.adapterName, 8);
  win::WriteLe32(node, layout::kNodeSectorCount, setup.sectors);

  std::vector<win::BYTE> port(layout::kPortDriverRecordSize, 0);
  PutText(port, layout::kPortDriverName, setup.portDriver, 8);
  win::WriteLe32(node, layout::kNodePortDriver, Register(port));
  if (!setup.noHardwareText) {
    std::vector<win::BYTE> resource(layout::kResourceText + setup.hardwareText.size() + 1, 0);
    PutText(resource, layout::kResourceText, setup.hardwareText, setup.hardwareText.size());
    win::WriteLe32(node, layout::kNodeResource, Register(resource));
  }
  win::DWORD next = 0;
  for (auto drive = setup.driveNumbers.rbegin(); drive != setup.driveNumbers.rend(); ++drive) {
    std::vector<win::BYTE> record(layout::kDriveRecordSize, 0);
    record[layout::kDriveNumber] = *drive;
    win::WriteLe32(record, layout::kDriveValue, 0x1000u + *drive);
    win::WriteLe32(record, layout::kDriveNext, next);
    next = Register(record);
  }
  win::WriteLe32(node, layout::kNodeLogicalDrive, next);
  const win::DWORD address = Register(node);
  nodes_.push_back(blocks_.back().get());
  nodeAddresses_.push_back(address);
  return address;
}

win::DWORD StandInChain::Anchor() {
  for (std::size_t i = 0; i + 1 < nodes_.size(); ++i)
    win::WriteLe32(*nodes_[i], layout::kNodeNext, nodeAddresses_[i + 1]);
  std::vector<win::BYTE> anchor(layout::kAnchorSize, 0);
  win::WriteLe32(anchor, layout::kAnchorFirstNode, nodeAddresses_.empty() ? 0 : nodeAddresses_.front());
  return Register(anchor);
}

}  // namespace tarnlok::test_support
