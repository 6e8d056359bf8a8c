#include "platform/machine/win9x/card_driver_chain.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/registry/text_case.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

namespace layout = win::card_driver_layout;

struct BusNode {
  Bus bus;
  win::DWORD flags;
  win::BYTE driverStatus;
  std::string_view portDriver;
  std::string_view adapter;
};

constexpr std::array kBusNodes{
    BusNode{Bus::Usb, layout::kNodeActive | layout::kNodeDisk, 0, "USBSTOR", "USBSTOR"},
    // The IDE port driver marks its disks in the driver status; a PCMCIA slot's card is marked
    // by the IDE channel flag alone, so each of the two marks is what qualifies some reader.
    BusNode{Bus::Ide, layout::kNodeActive | layout::kNodeDisk, layout::kDriverStatusIde, "ESDI_506", ""},
    BusNode{Bus::Pcmcia, layout::kNodeActive | layout::kNodeDisk | layout::kNodeIdeChannel, 0, "ESDI_506", ""},
    BusNode{Bus::Floppy, layout::kNodeActive | layout::kNodeDisk, 0, "", ""},
    BusNode{Bus::Ls120, layout::kNodeActive | layout::kNodeDisk, 0, "ATAPI", "ATAPI"},
};

const BusNode& NodeOf(Bus bus) {
  return *std::find_if(kBusNodes.begin(), kBusNodes.end(), [bus](const BusNode& entry) { return entry.bus == bus; });
}

std::string HardwareText(const ReaderDescription& reader, std::size_t index) {
  const std::string number = std::to_string(index);
  switch (reader.bus) {
    case Bus::Usb:
      return "USB\\VID_" + win::UpperAscii(reader.usb.vendorId) + "&PID_" + win::UpperAscii(reader.usb.productId) +
             "\\" + reader.usb.instance;
    case Bus::Ide: return "ESDI_506\\DISK_" + number;
    case Bus::Pcmcia: return "PCMCIA\\ATA_CARD_" + number;
    case Bus::Floppy: return "FLOP\\GENERIC_FLOPPY_DRIVE";
    case Bus::Ls120: return "SCSI\\LS-120_DRIVE_" + number;
  }
  return {};
}

// Where each record of one node lies in driver memory.
struct NodePlace {
  std::size_t node;
  std::size_t drive;
  std::size_t port;
  std::size_t resource;
  std::size_t end;
};

constexpr std::size_t RoundUp4(std::size_t value) { return (value + 3) & ~std::size_t{3}; }

NodePlace PlaceAfter(std::size_t at, const std::string& hardwareText) {
  NodePlace place{};
  place.node = at;
  place.drive = place.node + layout::kNodeSize;
  place.port = RoundUp4(place.drive + layout::kDriveRecordSize);
  place.resource = place.port + layout::kPortDriverRecordSize;
  place.end = RoundUp4(place.resource + layout::kResourceText + hardwareText.size() + 1);
  return place;
}

void PutText(std::span<win::BYTE> memory, std::size_t at, std::string_view text, std::size_t width) {
  std::fill_n(memory.begin() + static_cast<std::ptrdiff_t>(at), width, win::BYTE{0});
  std::copy_n(text.begin(), std::min(text.size(), width), memory.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::string AspiAdapterName(Bus bus) { return std::string(NodeOf(bus).adapter); }

CardDriverChain::CardDriverChain(std::vector<std::shared_ptr<Reader>> readers) : readers_(std::move(readers)) {
  std::vector<NodePlace> places;
  std::vector<std::string> texts;
  std::size_t at = RoundUp4(layout::kAnchorSize);
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    texts.push_back(HardwareText(readers_[i]->Description(), i));
    places.push_back(PlaceAfter(at, texts.back()));
    at = places.back().end;
    nodeOffsets_.push_back(places.back().node);
  }
  memory_.assign(at, 0);
  registration_ = win::AddressRegistration(memory_.data(), memory_.size());
  const win::DWORD base = registration_.token();
  const std::span<win::BYTE> memory(memory_);

  for (std::size_t i = 0; i < readers_.size(); ++i) {
    const ReaderDescription& reader = readers_[i]->Description();
    const NodePlace& place = places[i];
    const BusNode& bus = NodeOf(reader.bus);
    const bool port = reader.bus == Bus::Ide && !portReader_;
    if (port) portReader_ = readers_[i];
    const win::DWORD flags = bus.flags | (reader.bus == Bus::Ide && !port ? layout::kNodeNoPortAccess : 0);
    const auto node = static_cast<win::DWORD>(base + place.node);
    const auto ownDrive = static_cast<win::BYTE>(reader.letter - 'A');

    win::WriteLe32(memory, i == 0 ? layout::kAnchorFirstNode : places[i - 1].node + layout::kNodeNext, node);
    win::WriteLe32(memory, place.node + layout::kNodeLogicalDrive, static_cast<win::DWORD>(base + place.drive));
    win::WriteLe32(memory, place.node + layout::kNodeFlags, flags);
    win::WriteLe32(memory, place.node + layout::kNodeSecondFlags, port ? layout::kSecondFlagsPortDevice : 0);
    win::WriteU8(memory, place.node + layout::kNodeDriverStatus, bus.driverStatus);
    win::WriteU8(memory, place.node + layout::kNodeOwnDrive, ownDrive);
    win::WriteLe32(memory, place.node + layout::kNodeResource, static_cast<win::DWORD>(base + place.resource));
    win::WriteLe32(memory, place.node + layout::kNodePortDriver, static_cast<win::DWORD>(base + place.port));
    PutText(memory, place.node + layout::kNodeVendor, reader.vendor, 8);
    PutText(memory, place.node + layout::kNodeProduct, reader.product, 16);
    PutText(memory, place.node + layout::kNodeRevision, reader.revision, 4);
    PutText(memory, place.node + layout::kNodeAdapterName, bus.adapter, 8);

    win::WriteU8(memory, place.drive + layout::kDriveNumber, ownDrive);
    win::WriteLe32(memory, place.drive + layout::kDriveValue, node);
    PutText(memory, place.port + layout::kPortDriverName, bus.portDriver, 8);
    PutText(memory, place.resource + layout::kResourceText, texts[i], texts[i].size() + 1);
  }
  Refresh();
}

void CardDriverChain::Refresh() {
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    const auto medium = readers_[i]->Medium();
    const std::uint64_t sectors = medium ? medium->window.sectors : 0;
    win::WriteLe32(memory_, nodeOffsets_[i] + win::card_driver_layout::kNodeSectorCount,
                   static_cast<win::DWORD>(std::min<std::uint64_t>(sectors, UINT32_MAX)));
  }
}

std::shared_ptr<Reader> CardDriverChain::ReaderOf(win::DWORD nodeAddress) const {
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    if (registration_.token() + nodeOffsets_[i] == nodeAddress) return readers_[i];
  }
  return nullptr;
}

}  // namespace machine
