#include "formatlib/command/card_driver_command.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/vendor_block.h"

#include "platform/win/devices/card_driver_request.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/identify_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <array>

namespace pradvik {
namespace {

namespace ata_request = win::card_driver_layout::ata_request;

constexpr std::uint32_t kMostSectorsPerCommand = 256;

// The driver, opened for one command and closed after it.
class Driver {
 public:
  Driver() {
    for (const win::DWORD share :
         {win::DWORD{win::FILE_SHARE_READ | win::FILE_SHARE_WRITE}, win::DWORD{win::FILE_SHARE_READ}}) {
      handle_ = win::CreateFileA(win::card_driver_layout::kDriverName, win::GENERIC_READ | win::GENERIC_WRITE, share,
                                 nullptr, win::OPEN_EXISTING, 0, nullptr);
      if (handle_ != win::INVALID_HANDLE_VALUE) return;
    }
  }
  ~Driver() {
    if (handle_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(handle_);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  win::HANDLE Get() const { return handle_; }

 private:
  win::HANDLE handle_ = win::INVALID_HANDLE_VALUE;
};

win::CardDriverAnswer Send(const TaskFile& file, std::uint8_t* buffer, std::uint32_t byteCount,
                           std::uint8_t direction) {
  const Driver driver;
  if (driver.Get() == win::INVALID_HANDLE_VALUE) return {};
  win::DWORD transfer = 0;
  if (byteCount != 0 && direction == kDataIn) transfer = ata_request::kTransferIn;
  if (byteCount != 0 && direction == kDataOut) transfer = ata_request::kTransferOut;
  const win::CardDriverRegisters registers{file.features,     file.sectorCount, file.sectorNumber, file.cylinderLow,
                                           file.cylinderHigh, file.driveHead,   file.command};
  return win::SendCardDriverAtaRequest(driver.Get(), LibraryState().deviceId, registers, buffer, byteCount, transfer);
}

bool Succeeded(const win::CardDriverAnswer& answer) {
  return answer.delivered != 0 && (answer.status & win::kAtaStatusError) == 0;
}

TaskFile Plain(std::uint8_t command) { return LbaTaskFile(LibraryState().ataDriveSelect, command, 0, 0, 0); }

ScsiExchange Refused(std::uint8_t senseKey, std::uint8_t additionalSense) { return {true, senseKey, additionalSense}; }

ScsiExchange Transfer(std::span<const std::uint8_t> cdb, std::uint8_t* data, std::uint32_t dataLength,
                      bool& succeeded) {
  const std::uint32_t lba = win::ReadBe32(cdb, win::scsi_cdb::kLogicalBlock10);
  const std::uint32_t count = win::ReadBe16(cdb, win::scsi_cdb::kTransferLength10);
  const std::uint32_t bytes = count * win::kAtaSectorSize;
  if (count == 0 || count > kMostSectorsPerCommand || bytes > dataLength || data == nullptr) return {};
  const bool write = cdb[0] == win::kScsiWrite10;
  const TaskFile file =
      LbaTaskFile(LibraryState().ataDriveSelect, write ? win::kAtaWriteSectors : win::kAtaReadSectors, lba, bytes, 0);
  const win::CardDriverAnswer answer = Send(file, data, bytes, write ? kDataOut : kDataIn);
  succeeded = Succeeded(answer);
  return {answer.delivered != 0, 0, 0};
}

ScsiExchange Capacity(std::uint8_t* data, std::uint32_t dataLength, bool& succeeded) {
  if (data == nullptr || dataLength < win::read_capacity::kSize) return {};
  std::array<std::uint8_t, win::identify_layout::kSize> identify{};
  TaskFile file = Plain(win::kAtaIdentify);
  file.driveHead = LibraryState().ataDriveSelect;
  const win::CardDriverAnswer answer = Send(file, identify.data(), identify.size(), kDataIn);
  const win::DWORD sectors = win::identify_layout::ReadDoubleWord(identify, win::identify_layout::kTotalSectors);
  if (answer.delivered == 0) return {};
  if (!Succeeded(answer) || sectors == 0) return Refused(win::kSenseKeyNotReady, win::kAscMediumNotPresent);
  const std::span<std::uint8_t> record(data, win::read_capacity::kSize);
  win::WriteBe32(record, win::read_capacity::kLastBlock, sectors - 1);
  win::WriteBe32(record, win::read_capacity::kBlockLength, win::kAtaSectorSize);
  succeeded = true;
  return {true, 0, 0};
}

// GET MEDIA STATUS: no card fails the command; a write-protected card is told in the mode
// parameter header.
ScsiExchange MediaStatus(std::uint8_t* data, std::uint32_t dataLength, bool modeSense, bool& succeeded) {
  const win::CardDriverAnswer answer = Send(Plain(win::kAtaGetMediaStatus), nullptr, 0, kNoData);
  if (answer.delivered == 0) return {};
  const bool failed = (answer.status & win::kAtaStatusError) != 0;
  if (failed && (answer.error & win::kAtaErrorNoMedia) != 0)
    return Refused(win::kSenseKeyNotReady, win::kAscMediumNotPresent);
  const bool writeProtected = failed && (answer.error & win::kAtaErrorWriteProtected) != 0;
  if (failed && !writeProtected) return Refused(win::kSenseKeyNotReady, 0);
  if (!modeSense) {
    succeeded = true;
    return {true, 0, 0};
  }
  if (data == nullptr || dataLength < win::mode_sense6::kHeaderSize) return {};
  std::fill_n(data, dataLength, std::uint8_t{0});
  data[win::mode_sense6::kDataLength] = static_cast<std::uint8_t>(dataLength - 1);
  if (writeProtected) data[win::mode_sense6::kDeviceSpecific] = win::mode_sense6::kWriteProtected;
  succeeded = true;
  return {true, 0, 0};
}

}  // namespace

void UseReaderRoad(std::uint8_t transportKind, std::uint8_t ataDriveSelect) {
  FormatLibraryState& state = LibraryState();
  state.transportKind = transportKind;
  state.ataDriveSelect = ataDriveSelect;
}

bool ThroughCardDriver() {
  const FormatLibraryState& state = LibraryState();
  return IsWindows9xClass(state.osKind) && !IsScsiTransport(state.transportKind);
}

bool SendCardDriverCommand(const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                           std::uint8_t direction) {
  return Succeeded(Send(taskFile, buffer, byteCount, direction));
}

ScsiExchange SendScsiThroughCardDriver(std::span<const std::uint8_t> cdb, std::uint8_t* data, std::uint32_t dataLength,
                                       bool& succeeded) {
  succeeded = false;
  if (cdb.empty()) return {};
  switch (cdb[0]) {
    case win::kScsiRead10:
    case win::kScsiWrite10: return cdb.size() >= 10 ? Transfer(cdb, data, dataLength, succeeded) : ScsiExchange{};
    case win::kScsiReadCapacity: return Capacity(data, dataLength, succeeded);
    case win::kScsiModeSense6: return MediaStatus(data, dataLength, true, succeeded);
    case win::kScsiTestUnitReady: return MediaStatus(nullptr, 0, false, succeeded);
    default: return {};
  }
}

}  // namespace pradvik
