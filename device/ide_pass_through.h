// IOCTL_IDE_PASS_THROUGH requests: the task file, a u32 data size and a 16384-byte data area,
// 16396 bytes in all. On return the command register holds the device's status.
#pragma once

#include "platform/win/layouts/ata_registers.h"
#include "platform/win/system/types.h"

#include <span>
#include <vector>

namespace tarnlok {

using win::kAtaIdentify;
using win::kAtaIdentifyPacket;
using win::kAtaReadSectors;
using win::kAtaStatusError;
using win::kAtaWriteSectors;

constexpr win::DWORD kIdeDataCapacity = 16384;
constexpr win::DWORD kIdeHeaderSize = 12;

struct TaskFile {
  win::BYTE features = 0;
  win::BYTE sectorCount = 0;
  win::BYTE sectorNumber = 0;
  win::BYTE cylinderLow = 0;
  win::BYTE cylinderHigh = 0;
  win::BYTE deviceHead = 0;
  win::BYTE command = 0;
};

struct IdeAnswer {
  win::BOOL delivered = win::FALSE;
  win::DWORD bytesReturned = 0;
  win::BYTE status = 0;  // the command register on return
  win::BYTE error = 0;  // the features register on return: the error register
  std::vector<win::BYTE> data;  // the whole data area
};

// Sends one request with dataSize in the size field; dataOut (at most 16384 bytes) goes into the
// data area. A dataSize beyond the data area is not sent.
IdeAnswer SendIdePassThrough(win::HANDLE handle, const TaskFile& taskFile, win::DWORD dataSize,
                             std::span<const win::BYTE> dataOut = {});

// IDENTIFY DEVICE through IDE pass-through with this device/head; the 512 bytes when it answered.
bool IdentifyThroughPassThrough(win::HANDLE handle, win::BYTE deviceHead, std::vector<win::BYTE>& identify);

}  // namespace tarnlok
