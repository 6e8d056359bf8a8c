// The Windows 9x card driver "\\.\TARNLOK.VXD": request 1 answers the device-chain anchor,
// request 10 carries one ATA command (DriverAtaRequest, 26 bytes) to a device node, request 11
// reads IDENTIFY DEVICE data at an IDE port. Data move directly to or from the buffer whose
// 32-bit address the request names.
#pragma once

#include "device/ide_pass_through.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/system/types.h"

#include <array>
#include <span>

namespace tarnlok {

constexpr win::DWORD kDriverGetDeviceChain = win::card_driver_layout::kRequestChain;
constexpr win::DWORD kDriverAtaCommand = win::card_driver_layout::kRequestAta;
constexpr win::DWORD kDriverPortIdentify = win::card_driver_layout::kRequestPortIdentify;

constexpr const char* kCardDriverName = win::card_driver_layout::kDriverName;

// Request 10: one ATA command for a device node; 26 bytes on the wire.
struct DriverAtaRequest {
  win::DWORD deviceReference = 0;  // the device node's address
  TaskFile taskFile;
  win::DWORD bufferAddress = 0;  // 32-bit address of the data buffer
  win::DWORD byteCount = 0;
  win::DWORD transfer = 0;  // kAtaDataIn, kAtaDataOut or kAtaNoData
};
constexpr std::size_t kDriverAtaRequestSize = win::card_driver_layout::ata_request::kSize;
std::array<win::BYTE, kDriverAtaRequestSize> EncodeDriverAtaRequest(const DriverAtaRequest& request);

// Request 11: IDENTIFY DEVICE at an IDE port; 8 bytes on the wire.
struct DriverPortIdentifyRequest {
  win::WORD commandBlockPort = 0x1F0;
  win::WORD controlPort = 0x3F6;
  win::BYTE driveSelect = 0xA0;
};
std::array<win::BYTE, 8> EncodeDriverPortIdentifyRequest(const DriverPortIdentifyRequest& request);

struct DriverAnswer {
  win::BOOL delivered = win::FALSE;
  win::BYTE status = 0;  // the command byte on return
  win::BYTE error = 0;  // the features byte on return: the error register
};

// Request 10 for the device node deviceReference; buffer holds byteCount bytes.
DriverAnswer SendDriverAtaRequest(win::HANDLE driver, win::DWORD deviceReference, const TaskFile& taskFile,
                                  win::BYTE* buffer, win::DWORD byteCount, win::DWORD transfer);

// Request 11: the 512 bytes of IDENTIFY DEVICE at the primary port with this drive select.
bool SendPortIdentifyRequest(win::HANDLE driver, win::BYTE driveSelect, std::span<win::BYTE, 512> identify);

}  // namespace tarnlok
