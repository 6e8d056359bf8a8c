#include "formatlib/command/scsi_command.h"

#include "formatlib/command/aspi_command.h"
#include "formatlib/command/card_driver_command.h"
#include "formatlib/command/dos_volume_lock.h"
#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_error_prompt.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pradvik {
namespace {

namespace spt = win::scsi_pass_through;
namespace sense = win::sense_data;

std::vector<std::uint8_t> BuildRequest(std::span<const std::uint8_t> cdb, const std::uint8_t* data,
                                       std::uint32_t dataLength, std::uint8_t direction) {
  std::vector<std::uint8_t> request(spt::kDataArea + dataLength, 0);
  spt::WriteRequestHeader(request, cdb, direction, dataLength);
  if (direction == kDataOut && data != nullptr && dataLength != 0) {
    std::memcpy(request.data() + spt::kDataArea, data, dataLength);
  }
  return request;
}

// One command: sends it, copies the data in back, judges the status and sense, pumps messages.
// Windows 9x has no pass-through: the command goes through ASPI instead, or for a reader on an
// ATA road through the card driver.
ScsiExchange SendOnce(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                      std::uint32_t dataLength, std::uint8_t direction, bool& succeeded) {
  ScsiExchange exchange;
  succeeded = false;
  if (dataLength > kMostScsiData || cdb.size() > spt::kCdbCapacity) return exchange;
  if (IsWindows9xClass(LibraryState().osKind)) {
    exchange = ThroughCardDriver() ? SendScsiThroughCardDriver(cdb, data, dataLength, succeeded)
                                   : SendAspiCommand(cdb, data, dataLength, direction, succeeded);
    PumpLibraryMessages();
    return exchange;
  }
  std::vector<std::uint8_t> request;
  try {
    request = BuildRequest(cdb, data, dataLength, direction);
  } catch (const std::bad_alloc&) {
    ShowLibraryMessage(kStrNoMemory, ui::MB_ICONSTOP);
    return exchange;
  }
  win::DWORD returned = 0;
  const auto size = static_cast<win::DWORD>(request.size());
  exchange.delivered = win::DeviceIoControl(handle, win::IOCTL_SCSI_PASS_THROUGH, request.data(), size, request.data(),
                                            size, &returned, nullptr) != 0;
  exchange.senseKey = request[spt::kSenseArea + sense::kSenseKey] & sense::kSenseKeyMask;
  exchange.additionalSense = request[spt::kSenseArea + sense::kAdditionalSenseCode];
  if (direction == kDataIn && data != nullptr) std::memcpy(data, request.data() + spt::kDataArea, dataLength);
  // A command the reader answered with CHECK CONDITION failed, whichever way its data went.
  succeeded = exchange.delivered && request[spt::kScsiStatus] == win::kScsiStatusGood &&
              request[spt::kSenseArea + sense::kResponseCode] == 0;
  PumpLibraryMessages();
  return exchange;
}

}  // namespace

std::uint8_t SendScsiCommandNoPrompt(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                                     std::uint32_t dataLength, std::uint8_t direction) {
  bool succeeded = false;
  SendOnce(handle, cdb, data, dataLength, direction, succeeded);
  return succeeded ? 1 : 0;
}

ScsiExchange SendScsiDirect(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                            std::uint32_t dataLength, std::uint8_t direction) {
  bool succeeded = false;
  return SendOnce(handle, cdb, data, dataLength, direction, succeeded);
}

std::uint8_t SendScsiCommand(win::HANDLE handle, std::span<const std::uint8_t> cdb, std::uint8_t* data,
                             std::uint32_t dataLength, std::uint8_t direction) {
  for (;;) {
    const std::uint8_t result = SendScsiCommandNoPrompt(handle, cdb, data, dataLength, direction);
    const FormatLibraryState& state = LibraryState();
    if (state.promptAnswer == kAnswerIgnoreAll) return result == 1 ? 1 : kAnswerIgnoreAll;
    if (result == 1 || state.preparedErrorText.empty()) return result;
    switch (AskAfterFailure(true)) {
      case kAnswerIgnore: return kAnswerIgnore;
      case kAnswerIgnoreAll: return kAnswerIgnoreAll;
      case kAnswerRetry: continue;
      default: return 0;
    }
  }
}

bool SendInquiry(win::HANDLE handle) {
  constexpr std::uint8_t kAnswerLength = 32;
  constexpr std::uint8_t kInquiry[6] = {win::kScsiInquiry, 0, 0, 0, kAnswerLength, 0};
  std::uint8_t answer[kAnswerLength] = {};
  return SendScsiDirect(handle, kInquiry, answer, sizeof(answer), kDataIn).delivered;
}

bool LockOrDismountVolume(win::HANDLE handle, int mode) {
  if (IsWindows9xClass(LibraryState().osKind)) return LockDosVolume(handle, LibraryState().driveIndex, mode == 1);
  win::DWORD returned = 0;
  if (mode == 1)
    return win::DeviceIoControl(handle, win::FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  if (mode != 2) return false;
  win::DeviceIoControl(handle, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
  return win::DeviceIoControl(handle, win::FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
}

void ToExtendedCdb(std::span<std::uint8_t, 12> out, std::span<const std::uint8_t, 8> in) {
  std::copy(in.begin(), in.end(), out.begin());
  out[9] = in[1];
  out[1] = 0;
}

}  // namespace pradvik
