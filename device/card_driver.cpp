#include "device/card_driver.h"

#include "platform/win/address_tokens.h"
#include "platform/win/byte_order.h"
#include "platform/win/device_io.h"

namespace tarnlok {
namespace {

// DriverAtaRequest.
constexpr std::size_t kRequestSize = 26;
constexpr std::size_t kDeviceReference = 0;
constexpr std::size_t kTaskFile = 4;
constexpr std::size_t kCommand = 10;
constexpr std::size_t kBufferAddress = 11;
constexpr std::size_t kByteCount = 15;
constexpr std::size_t kTransfer = 19;

// DriverPortIdentifyRequest.
constexpr win::WORD kCommandBlockPort = 0x1F0;
constexpr win::WORD kControlPort = 0x3F6;

}  // namespace

DriverAnswer SendDriverAtaRequest(win::HANDLE driver, win::DWORD deviceReference, const TaskFile& taskFile,
                                  win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer) {
  DriverAnswer answer;
  const win::AddressRegistration registration(buffer, byteCount);
  if (buffer != nullptr && byteCount != 0 && registration.token() == 0) return answer;
  std::array<win::BYTE, kRequestSize> request{};
  win::WriteLe32(request, kDeviceReference, deviceReference);
  const win::BYTE registers[] = {taskFile.features,    taskFile.sectorCount,  taskFile.sectorNumber,
                                 taskFile.cylinderLow, taskFile.cylinderHigh, taskFile.deviceHead,
                                 taskFile.command};
  std::copy(std::begin(registers), std::end(registers), request.begin() + kTaskFile);
  win::WriteLe32(request, kBufferAddress, registration.token());
  win::WriteLe32(request, kByteCount, byteCount);
  win::WriteLe32(request, kTransfer, transfer);
  win::DWORD returned = 0;
  // The request comes back as the output too: input is copied on its way to the driver, so the
  // status byte returns through the output.
  answer.delivered = win::DeviceIoControl(driver, kDriverAtaCommand, request.data(), kRequestSize, request.data(),
                                          kRequestSize, &returned, nullptr);
  answer.status = request[kCommand];
  return answer;
}

bool SendPortIdentifyRequest(win::HANDLE driver, win::BYTE driveSelect, std::span<win::BYTE, 512> identify) {
  std::array<win::BYTE, 8> request{};
  win::WriteLe16(request, 0, kCommandBlockPort);
  win::WriteLe16(request, 2, kControlPort);
  request[4] = driveSelect;
  win::DWORD returned = 0;
  return win::DeviceIoControl(driver, kDriverPortIdentify, request.data(), static_cast<win::DWORD>(request.size()),
                              identify.data(), static_cast<win::DWORD>(identify.size()), &returned, nullptr) != 0;
}

}  // namespace tarnlok
