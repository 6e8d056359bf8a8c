#include "formatlib/command/ata_command.h"

#include "formatlib/command/card_driver_command.h"
#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_error_prompt.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/scsi_command.h"

#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"

#include <array>
#include <cstring>

namespace pradvik {
namespace {

namespace ide = win::ide_pass_through;
constexpr std::size_t kMostIdeData = 16384;

std::uint8_t Low(std::uint32_t value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t High(std::uint32_t value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }

// The prompt after a failed command with a prepared error text.
std::uint8_t AnswerFailure(AtaPrompt prompt, bool retryResends, bool& retry) {
  retry = false;
  const FormatLibraryState& state = LibraryState();
  if (state.promptAnswer == kAnswerIgnoreAll) return kAnswerIgnoreAll;
  if (prompt == AtaPrompt::Silent || state.preparedErrorText.empty()) return 0;
  switch (AskAfterFailure(true)) {
    case kAnswerIgnore: return kAnswerIgnore;
    case kAnswerIgnoreAll: return kAnswerIgnoreAll;
    case kAnswerRetry: retry = retryResends; return 0;
    default: return 0;
  }
}

bool SendIdeOnce(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                 std::uint8_t direction) {
  std::array<std::uint8_t, ide::kData + kMostIdeData> request{};
  const std::array registers{taskFile.features,     taskFile.sectorCount, taskFile.sectorNumber, taskFile.cylinderLow,
                             taskFile.cylinderHigh, taskFile.driveHead,   taskFile.command};
  std::copy(registers.begin(), registers.end(), request.begin());
  win::WriteLe32(request, ide::kDataSize, byteCount);
  win::DWORD returned = 0;
  const auto size = static_cast<win::DWORD>(request.size());
  const bool sent = win::DeviceIoControl(handle, win::IOCTL_IDE_PASS_THROUGH, request.data(), size, request.data(),
                                         size, &returned, nullptr) != 0;
  // A call that failed left no status worth reading: it is a failure whatever the register holds.
  const bool succeeded = sent && (request[ide::kCommand] & win::kAtaStatusError) == 0;
  if (succeeded && direction == kDataIn && buffer != nullptr)
    std::memcpy(buffer, request.data() + ide::kData, byteCount);
  return succeeded;
}

bool SendInScsiOnce(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                    std::uint8_t direction, std::size_t cdbLength) {
  const std::array<std::uint8_t, 10> cdb{win::kScsiVendorCommand,
                                         taskFile.command,
                                         taskFile.sectorCount,
                                         taskFile.sectorNumber,
                                         taskFile.cylinderLow,
                                         taskFile.cylinderHigh,
                                         taskFile.features,
                                         taskFile.driveHead,
                                         0,
                                         0};
  const std::uint8_t way = byteCount == 0 ? kNoData : direction;
  return SendScsiCommandNoPrompt(handle, std::span(cdb).first(cdbLength), buffer, byteCount, way) == 1;
}

}  // namespace

TaskFile LbaTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint32_t lba, std::uint32_t byteCount,
                     std::uint16_t extra) {
  TaskFile file;
  file.sectorCount = static_cast<std::uint8_t>(byteCount / win::kAtaSectorSize);
  file.sectorNumber = Low(lba);
  file.cylinderLow = High(lba);
  file.cylinderHigh = Low(lba >> 16);
  file.driveHead = static_cast<std::uint8_t>(win::kAtaLbaMode | ((lba >> 24) & win::kAtaLbaHighMask) | driveSelect);
  file.command = command;
  if (command == win::kVendorWritePages) {
    // The announcement carries the logical block (features low, count high) and the flags of
    // the count byte (kVendorCountFlag, kVendorSystemBlock).
    file.features = Low(extra);
    file.sectorCount = High(extra);
  }
  return file;
}

TaskFile ChsTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint16_t address, std::uint32_t byteCount,
                     std::uint16_t extra, std::uint8_t count) {
  TaskFile file;
  file.features = Low(extra);
  file.sectorCount = static_cast<std::uint8_t>(byteCount / win::kAtaSectorSize);
  file.sectorNumber = High(extra);
  file.driveHead = static_cast<std::uint8_t>(win::kAtaLbaMode | driveSelect);
  file.command = command;
  if (command == win::kVendorEraseBlock) {
    file.sectorCount = count;
    file.cylinderLow = Low(address);
    file.cylinderHigh = High(address);
  } else if (command == win::kVendorWritePages) {
    file.features = Low(address);
    file.sectorCount = 0;
    file.sectorNumber = Low(extra);
    file.cylinderLow = static_cast<std::uint8_t>(High(extra) | ((High(address) & 0xF8) << 3));
    file.cylinderHigh = static_cast<std::uint8_t>(count | (High(address) << 5));
  } else {
    file.cylinderLow = count;
  }
  return file;
}

TaskFile FormatTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint32_t byteCount, std::uint16_t value,
                        std::uint8_t features) {
  TaskFile file;
  file.features = features;
  file.sectorCount = static_cast<std::uint8_t>(byteCount / win::kAtaSectorSize);
  file.sectorNumber = High(value);
  file.driveHead = static_cast<std::uint8_t>(win::kAtaLbaMode | driveSelect);
  file.command = command;
  return file;
}

TaskFile BlockTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint16_t value) {
  TaskFile file;
  file.sectorNumber = Low(value);
  file.cylinderLow = static_cast<std::uint8_t>(High(value) | 0x20);
  file.driveHead = static_cast<std::uint8_t>(win::kAtaLbaMode | driveSelect);
  file.command = command;
  return file;
}

std::uint8_t SendIdeTaskFile(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer,
                             std::uint32_t byteCount, std::uint8_t direction, AtaPrompt prompt) {
  if (handle == nullptr || handle == win::INVALID_HANDLE_VALUE || byteCount > kMostIdeData) return 0;
  const bool succeeded = SendIdeOnce(handle, taskFile, buffer, byteCount, direction);
  PumpLibraryMessages();
  if (succeeded) return 1;
  bool retry = false;
  return AnswerFailure(prompt, false, retry);
}

std::uint8_t SendAtaCommand(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                            std::uint8_t direction, AtaPrompt prompt) {
  if (IsWindows9xClass(LibraryState().osKind)) {
    const bool succeeded = SendCardDriverCommand(taskFile, buffer, byteCount, direction);
    PumpLibraryMessages();
    bool retry = false;
    return succeeded ? 1 : AnswerFailure(prompt, false, retry);
  }
  if (LibraryState().osKind != kOsWindowsNt4)
    return SendIdeTaskFile(handle, taskFile, buffer, byteCount, direction, prompt);
  if (handle == nullptr || handle == win::INVALID_HANDLE_VALUE) return 0;
  // The prompting form is the eight-byte block; the silent ones are ten bytes long.
  const std::size_t cdbLength = prompt == AtaPrompt::Ask ? 8 : 10;
  for (;;) {
    if (SendInScsiOnce(handle, taskFile, buffer, byteCount, direction, cdbLength)) return 1;
    bool retry = false;
    const std::uint8_t answer = AnswerFailure(prompt, true, retry);
    if (!retry) return answer;
  }
}

}  // namespace pradvik
