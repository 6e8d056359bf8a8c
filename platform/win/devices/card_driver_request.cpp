#include "platform/win/devices/card_driver_request.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace win {
namespace {

namespace ata_request = card_driver_layout::ata_request;

}  // namespace

std::array<BYTE, ata_request::kSize> EncodeCardDriverAtaRequest(DWORD node, const CardDriverRegisters& registers,
                                                                DWORD bufferAddress, DWORD byteCount, DWORD transfer) {
  std::array<BYTE, ata_request::kSize> bytes{};
  WriteLe32(bytes, ata_request::kDeviceReference, node);
  std::copy(registers.begin(), registers.end(), bytes.begin() + ata_request::kTaskFile);
  WriteLe32(bytes, ata_request::kBufferAddress, bufferAddress);
  WriteLe32(bytes, ata_request::kByteCount, byteCount);
  WriteLe32(bytes, ata_request::kTransfer, transfer);
  return bytes;
}

CardDriverAnswer SendCardDriverAtaRequest(HANDLE driver, DWORD node, const CardDriverRegisters& registers, BYTE* buffer,
                                          DWORD byteCount, DWORD transfer) {
  CardDriverAnswer answer;
  const AddressRegistration registration(buffer, byteCount);
  if (buffer != nullptr && byteCount != 0 && registration.token() == 0) return answer;
  auto request = EncodeCardDriverAtaRequest(node, registers, registration.token(), byteCount, transfer);
  DWORD returned = 0;
  // Input is copied on its way to the driver, so the status returns through the output.
  answer.delivered = DeviceIoControl(driver, card_driver_layout::kRequestAta, request.data(), ata_request::kSize,
                                     request.data(), ata_request::kSize, &returned, nullptr);
  answer.status = request[ata_request::kCommand];
  answer.error = request[ata_request::kFeatures];
  return answer;
}

}  // namespace win
