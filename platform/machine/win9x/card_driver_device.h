// The Windows 9x card driver "\\.\TARNLOK.VXD" of the machine (layout:
// platform/win/layouts/card_driver_layout.h):
//   request 1   no input, 4 bytes out: the device-node chain's anchor (card_driver_chain.h)
//   request 10  the 26-byte ATA request in (and out, with the status in the command byte and the
//               error register in the features byte): one ATA command on the node's reader;
//               the data move directly to or from the memory the request's buffer address names
//   request 11  the 8-byte port request in, 512 bytes out: IDENTIFY DEVICE of the primary
//               port's device at the drive select
// Failures: an address that names no node or no memory (ERROR_DEV_NOT_EXIST, ERROR_NOACCESS),
// a device that does not answer (ERROR_IO_DEVICE); a machine described with a failing driver
// refuses request 1 (ERROR_GEN_FAILURE).
#pragma once

#include "platform/machine/win9x/card_driver_chain.h"
#include "platform/machine/win9x/control_device.h"

#include "platform/win/layouts/card_driver_layout.h"

#include <memory>

namespace machine {

constexpr win::DWORD kDriverRequestChain = win::card_driver_layout::kRequestChain;
constexpr win::DWORD kDriverRequestAta = win::card_driver_layout::kRequestAta;
constexpr win::DWORD kDriverRequestPortIdentify = win::card_driver_layout::kRequestPortIdentify;

class CardDriverDevice final : public ControlDevice {
 public:
  CardDriverDevice(std::shared_ptr<CardDriverChain> chain, bool chainRequestFails);

  win::BOOL IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                      win::DWORD& bytesReturned) override;

 private:
  win::DWORD Chain(std::span<win::BYTE> output, win::DWORD& returned);
  win::DWORD Ata(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned);
  win::DWORD PortIdentify(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned);

  std::shared_ptr<CardDriverChain> chain_;
  bool chainRequestFails_;
};

}  // namespace machine
