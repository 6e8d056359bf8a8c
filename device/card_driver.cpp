#include "device/card_driver.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/devices/device_io.h"

namespace tarnlok {
namespace {

namespace ata_request = win::card_driver_layout::ata_request;
using ata_request::kBufferAddress, ata_request::kByteCount, ata_request::kCommand, ata_request::kDeviceReference,
    ata_request::kTaskFile, ata_request::kTransfer;

}  // namespace

std::array<win::BYTE, kDriverAtaRequestSize> EncodeDriverAtaRequest(const DriverAtaRequest& request) {
  std::array<win::BYTE, kDriverAtaRequestSize> bytes{};
  win::WriteLe32(bytes, kDeviceReference, request.deviceReference);
  const TaskFile& file = request.taskFile;
  const win::BYTE registers[] = {file.features,     file.sectorCount, file.sectorNumber, file.cylinderLow,
                                 file.cylinderHigh, file.deviceHead,  file.command};
  std::copy(std::begin(registers), std::end(registers), bytes.begin() + kTaskFile);
  win::WriteLe32(bytes, kBufferAddress, request.bufferAddress);
  win::WriteLe32(bytes, kByteCount, request.byteCount);
  win::WriteLe32(bytes, kTransfer, request.transfer);
  return bytes;
}

std::array<win::BYTE, 8> EncodeDriverPortIdentifyRequest(const DriverPortIdentifyRequest& request) {
  std::array<win::BYTE, 8> bytes{};
  win::WriteLe16(bytes, 0, request.commandBlockPort);
  win::WriteLe16(bytes, 2, request.controlPort);
  bytes[4] = request.driveSelect;
  return bytes;
}

DriverAnswer SendDriverAtaRequest(win::HANDLE driver, win::DWORD deviceReference, const TaskFile& taskFile,
                                  win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer) {
  DriverAnswer answer;
  const win::AddressRegistration registration(buffer, byteCount);
  if (buffer != nullptr && byteCount != 0 && registration.token() == 0) return answer;
  auto request = EncodeDriverAtaRequest({deviceReference, taskFile, registration.token(), byteCount, transfer});
  win::DWORD returned = 0;
  // The request comes back as the output too: input is copied on its way to the driver, so the
  // status byte returns through the output.
  answer.delivered = win::DeviceIoControl(driver, kDriverAtaCommand, request.data(), kDriverAtaRequestSize,
                                          request.data(), kDriverAtaRequestSize, &returned, nullptr);
  answer.status = request[kCommand];
  answer.error = request[ata_request::kFeatures];
  return answer;
}

bool SendPortIdentifyRequest(win::HANDLE driver, win::BYTE driveSelect, std::span<win::BYTE, 512> identify) {
  DriverPortIdentifyRequest port;
  port.driveSelect = driveSelect;
  auto request = EncodeDriverPortIdentifyRequest(port);
  win::DWORD returned = 0;
  return win::DeviceIoControl(driver, kDriverPortIdentify, request.data(), static_cast<win::DWORD>(request.size()),
                              identify.data(), static_cast<win::DWORD>(identify.size()), &returned, nullptr) != 0;
}

}  // namespace tarnlok
