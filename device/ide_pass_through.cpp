#include "device/ide_pass_through.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/identify_layout.h"
#include "platform/win/layouts/pass_through_layout.h"

#include <algorithm>

namespace tarnlok {
namespace {

namespace ipt = win::ide_pass_through;

constexpr win::DWORD kRecordSize = kIdeHeaderSize + kIdeDataCapacity;

}  // namespace

IdeAnswer SendIdePassThrough(win::HANDLE handle, const TaskFile& taskFile, win::DWORD dataSize,
                             std::span<const win::BYTE> dataOut) {
  IdeAnswer answer;
  if (dataSize > kIdeDataCapacity || dataOut.size() > kIdeDataCapacity) return answer;
  std::vector<win::BYTE> record(kRecordSize, 0);
  record[ipt::kFeatures] = taskFile.features;
  record[ipt::kSectorCount] = taskFile.sectorCount;
  record[ipt::kSectorNumber] = taskFile.sectorNumber;
  record[ipt::kCylinderLow] = taskFile.cylinderLow;
  record[ipt::kCylinderHigh] = taskFile.cylinderHigh;
  record[ipt::kDeviceHead] = taskFile.deviceHead;
  record[ipt::kCommand] = taskFile.command;
  win::WriteLe32(record, ipt::kDataSize, dataSize);
  std::copy(dataOut.begin(), dataOut.end(), record.begin() + ipt::kData);
  answer.delivered = win::DeviceIoControl(handle, win::IOCTL_IDE_PASS_THROUGH, record.data(), kRecordSize,
                                          record.data(), kRecordSize, &answer.bytesReturned, nullptr);
  answer.status = record[ipt::kCommand];
  answer.error = record[ipt::kFeatures];
  answer.data.assign(record.begin() + ipt::kData, record.end());
  return answer;
}

bool IdentifyThroughPassThrough(win::HANDLE handle, win::BYTE deviceHead, std::vector<win::BYTE>& identify) {
  TaskFile taskFile;
  taskFile.deviceHead = deviceHead;
  taskFile.command = kAtaIdentify;
  const IdeAnswer answer = SendIdePassThrough(handle, taskFile, win::identify_layout::kSize);
  if (!answer.delivered) return false;
  identify.assign(answer.data.begin(), answer.data.begin() + win::identify_layout::kSize);
  return true;
}

}  // namespace tarnlok
