#include "device/card_driver.h"

#include "platform/win/devices/card_driver_request.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/byte_order.h"

namespace tarnlok {
namespace {

win::CardDriverRegisters RegistersOf(const TaskFile& file) {
  return {file.features,     file.sectorCount, file.sectorNumber, file.cylinderLow,
          file.cylinderHigh, file.deviceHead,  file.command};
}

}  // namespace

std::array<win::BYTE, kDriverAtaRequestSize> EncodeDriverAtaRequest(const DriverAtaRequest& request) {
  return win::EncodeCardDriverAtaRequest(request.deviceReference, RegistersOf(request.taskFile), request.bufferAddress,
                                         request.byteCount, request.transfer);
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
  const win::CardDriverAnswer answer =
      win::SendCardDriverAtaRequest(driver, deviceReference, RegistersOf(taskFile), buffer, byteCount, transfer);
  return {answer.delivered, answer.status, answer.error};
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
