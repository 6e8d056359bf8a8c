// The device-node chain of the Windows 9x card driver "\\.\TARNLOK.VXD": one node per reader of
// the machine, in description order, with its logical-drive, port-driver and resource records,
// laid out as platform/win/layouts/card_driver_layout.h says, in driver memory named by 32-bit address
// tokens for as long as the chain lives.
//
// | bus     | flags   | second | status | port driver | hardware text                 |
// |---------|---------|--------|--------|-------------|-------------------------------|
// | usb     | 0x8004  | 0      | 0      | USBSTOR     | USB\VID_vvvv&PID_pppp\<inst>  |
// | ide     | 0x8004  | 4 (*)  | 0x10   | ESDI_506    | ESDI_506\DISK_n               |
// | pcmcia  | 0x48004 | 0      | 0      | ESDI_506    | PCMCIA\ATA_CARD_n             |
// | floppy  | 0x8004  | 0      | 0      | (none)      | FLOP\GENERIC_FLOPPY_DRIVE     |
// | ls120   | 0x8004  | 0      | 0      | ATAPI       | SCSI\LS-120_DRIVE_n           |
//
// (*) the first IDE reader is the port device on the primary channel (0x1F0, master), which
// request 11 reaches; other IDE readers carry 0x4000 (no port access). The adapter name of a
// node is its ASPI host adapter's (aspi_manager.h). Each node has one logical drive, its
// reader's letter, whose driver value is the node's address. The sector count is the volume's,
// written afresh at each Refresh.
#pragma once

#include "platform/machine/reader/reader.h"

#include "platform/win/layouts/address_tokens.h"

#include <memory>
#include <string>
#include <vector>

namespace machine {

// The ASPI host adapter identifier of a reader's bus ("USBSTOR", "ATAPI"); empty for buses that
// ASPI does not reach.
std::string AspiAdapterName(Bus bus);

class CardDriverChain {
 public:
  explicit CardDriverChain(std::vector<std::shared_ptr<Reader>> readers);
  CardDriverChain(const CardDriverChain&) = delete;
  CardDriverChain& operator=(const CardDriverChain&) = delete;

  // The anchor's address, the answer of request 1.
  win::DWORD Anchor() const { return registration_.token(); }
  // Writes each node's sector count from its reader's card.
  void Refresh();
  // The reader of the node at this address; null for an address that names no node.
  std::shared_ptr<Reader> ReaderOf(win::DWORD nodeAddress) const;
  // The reader that answers at the primary IDE port; null when there is none.
  std::shared_ptr<Reader> PortReader() const { return portReader_; }

 private:
  std::vector<std::shared_ptr<Reader>> readers_;
  std::vector<std::size_t> nodeOffsets_;
  std::shared_ptr<Reader> portReader_;
  std::vector<win::BYTE> memory_;
  win::AddressRegistration registration_;
};

}  // namespace machine
