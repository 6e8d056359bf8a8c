#include "platform/machine/win9x/card_driver_device.h"

#include "platform/machine/reader/identify_block.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"

#include <algorithm>
#include <vector>

namespace machine {
namespace {

namespace ata_request = win::card_driver_layout::ata_request;
using ata_request::kBufferAddress, ata_request::kByteCount, ata_request::kCommand, ata_request::kDeviceReference,
    ata_request::kFeatures, ata_request::kTaskFile, ata_request::kTransfer, ata_request::kTransferIn,
    ata_request::kTransferOut;
constexpr std::size_t kAtaRequestSize = ata_request::kSize;

// The port request (8 bytes).
constexpr std::size_t kPortRequestSize = 8;
constexpr std::size_t kCommandBlockPort = 0;
constexpr std::size_t kControlPort = 2;
constexpr std::size_t kDriveSelect = 4;
constexpr win::WORD kPrimaryCommandBlock = 0x1F0;
constexpr win::WORD kPrimaryControl = 0x3F6;

}  // namespace

CardDriverDevice::CardDriverDevice(std::shared_ptr<CardDriverChain> chain, bool chainRequestFails)
    : chain_(std::move(chain)), chainRequestFails_(chainRequestFails) {}

win::BOOL CardDriverDevice::IoControl(win::DWORD code, std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                      win::DWORD& bytesReturned) {
  bytesReturned = 0;
  win::DWORD error = win::ERROR_NOT_SUPPORTED;
  if (code == kDriverRequestChain) error = Chain(output, bytesReturned);
  if (code == kDriverRequestAta) error = Ata(input, output, bytesReturned);
  if (code == kDriverRequestPortIdentify) error = PortIdentify(input, output, bytesReturned);
  return error == win::ERROR_SUCCESS ? win::TRUE : win::Fail(error);
}

win::DWORD CardDriverDevice::Chain(std::span<win::BYTE> output, win::DWORD& returned) {
  if (chainRequestFails_) return win::ERROR_GEN_FAILURE;
  if (output.size() < 4) return win::ERROR_INSUFFICIENT_BUFFER;
  chain_->Refresh();
  win::WriteLe32(output, 0, chain_->Anchor());
  returned = 4;
  return win::ERROR_SUCCESS;
}

win::DWORD CardDriverDevice::Ata(std::span<const win::BYTE> input, std::span<win::BYTE> output, win::DWORD& returned) {
  if (input.size() < kAtaRequestSize) return win::ERROR_INVALID_PARAMETER;
  const auto reader = chain_->ReaderOf(win::ReadLe32(input, kDeviceReference));
  if (!reader || !reader->AnswersAta()) return win::ERROR_DEV_NOT_EXIST;
  const win::DWORD transfer = win::ReadLe32(input, kTransfer);
  const win::DWORD byteCount = win::ReadLe32(input, kByteCount);
  if (transfer != 0 && transfer != kTransferIn && transfer != kTransferOut) return win::ERROR_INVALID_PARAMETER;

  std::span<win::BYTE> data;
  if (transfer != 0 && byteCount != 0) {
    auto* memory = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(input, kBufferAddress), byteCount));
    if (memory == nullptr) return win::ERROR_NOACCESS;
    data = std::span(memory, byteCount);
  }
  const AtaTaskFile taskFile = AtaTaskFileAt(input, kTaskFile);
  const AtaResult result =
      transfer == kTransferOut ? reader->ExecuteAta(taskFile, {}, data) : reader->ExecuteAta(taskFile, data, {});
  if (!result.answered) return win::ERROR_IO_DEVICE;
  if (output.size() >= kAtaRequestSize) {
    std::copy_n(input.begin(), kAtaRequestSize, output.begin());
    output[kCommand] = result.status;
    output[kFeatures] = result.error;
    returned = kAtaRequestSize;
  }
  return win::ERROR_SUCCESS;
}

win::DWORD CardDriverDevice::PortIdentify(std::span<const win::BYTE> input, std::span<win::BYTE> output,
                                          win::DWORD& returned) {
  if (input.size() < kPortRequestSize) return win::ERROR_INVALID_PARAMETER;
  const auto reader = chain_->PortReader();
  const bool primary = win::ReadLe16(input, kCommandBlockPort) == kPrimaryCommandBlock &&
                       win::ReadLe16(input, kControlPort) == kPrimaryControl;
  if (!reader || !primary) return win::ERROR_DEV_NOT_EXIST;
  if (output.size() < win::identify_layout::kSize) return win::ERROR_INSUFFICIENT_BUFFER;
  AtaTaskFile taskFile;
  taskFile.deviceHead = input[kDriveSelect];
  taskFile.command = kAtaIdentify;
  std::vector<win::BYTE> identify(win::identify_layout::kSize, 0);
  const AtaResult result = reader->ExecuteAta(taskFile, identify, {});
  if (!result.answered || result.Failed()) return win::ERROR_IO_DEVICE;
  std::copy(identify.begin(), identify.end(), output.begin());
  returned = static_cast<win::DWORD>(win::identify_layout::kSize);
  return win::ERROR_SUCCESS;
}

}  // namespace machine
