#include "formatlib/command/query_exports.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/mode_descriptor.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/vendor_block.h"
#include "formatlib/command/volume_handle.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <array>
#include <span>

namespace pradvik::exports {
namespace {

constexpr int kCapacityTries = 10;
constexpr int kStartStopTries = 5;

namespace mode6 = win::mode_sense6;
// MODE SENSE's header and block descriptor; the header and the maker's page.
constexpr std::uint8_t kModeLength = mode6::kHeaderSize + mode6::kBlockDescriptorSize;
constexpr std::uint8_t kMakerPageLength = mode6::kHeaderSize + mode6::kMakerPageSize;
using ModeData = std::array<std::uint8_t, kModeLength>;

std::uint32_t Word(const std::uint8_t* bytes) { return win::ReadLe32(std::span(bytes, 4), 0); }
bool NoCard(std::uint32_t status) { return (status & 0xFFFF) == win::kVendorNoCardReply; }
bool IsUsable(win::HANDLE handle) { return handle != nullptr && handle != win::INVALID_HANDLE_VALUE; }

// The card's kind from the status word, for a kind the reader did not name itself.
std::uint8_t KindFromStatus(std::uint8_t kind, std::uint32_t status) {
  if ((status & win::kStatusMemoryStick) != 0)
    return (status & win::kStatusMemoryStickPro) != 0 ? kKindMemoryStickPro : kKindMemoryStick;
  if ((status & win::kStatusSmartMedia) != 0) return kKindSmartMedia;
  return kind;
}

// The status or identification command of FindDeviceType on its transport.
bool AskReader(win::HANDLE volume, std::uint8_t kind, std::uint8_t command, std::uint8_t olderByte0,
               std::uint8_t transportKind, int wideStatus, std::uint8_t* reply) {
  ClearErrorText();
  const std::uint32_t length = ReplyLength(transportKind, wideStatus, 4);
  const VendorBlock block = SimpleVendorBlock(kind, command, olderByte0);
  const std::uint8_t transport = transportKind == kTransportTwelveByte ? kTransportTwelveByte : kTransportEightByte;
  return SendVendorBlock(volume, transport, block, reply, length, kDataIn, false, static_cast<std::uint8_t>(length)) ==
         1;
}

// Lock or unlock on the transport: 1 when the reader took it.
int SendLockCommand(win::HANDLE volume, std::uint8_t kind, std::uint8_t command, std::uint8_t transportKind,
                    std::uint8_t ataDriveSelect, int wideStatus) {
  ClearErrorText();
  std::array<std::uint8_t, 6> reply{};
  if (!IsScsiTransport(transportKind)) {
    return SendAtaCommand(volume, LbaTaskFile(ataDriveSelect, command, 0, 0, 0), nullptr, 0, kNoData,
                          AtaPrompt::Silent) == 1;
  }
  const std::uint32_t length = ReplyLength(transportKind, wideStatus, 2);
  if (SendVendorBlock(volume, transportKind, SimpleVendorBlock(kind, command), reply.data(), length, kDataIn, false,
                      static_cast<std::uint8_t>(length)) != 1) {
    return 0;
  }
  // A reader without a card answers the lock with the no-card word and has not locked.
  return command == win::kVendorLock && win::ReadLe16(reply, 0) == win::kVendorNoCardReply ? 0 : 1;
}

int LockOrUnlock(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, BYTE transportKind,
                 BYTE ataDriveSelect, int wideStatus, std::uint8_t command) {
  if (!IsNtClass(RunExportPrologue(deviceId, driveIndex))) return 0;
  const OwnedVolume own(IsUsable(volumeHandle) ? win::INVALID_HANDLE_VALUE : OpenVolume(driveIndex));
  const win::HANDLE volume = IsUsable(volumeHandle) ? volumeHandle : own.Get();
  const int result = SendLockCommand(volume, deviceKind, command, transportKind, ataDriveSelect, wideStatus);
  if (command == win::kVendorUnlock) {
    // Let the system see the card again.
    if (transportKind != kTransportNoLock) {
      std::array<std::uint8_t, 512> sector{};
      win::DWORD read = 0;
      win::ReadFile(volume, sector.data(), static_cast<win::DWORD>(sector.size()), &read, nullptr);
    }
    SendInquiry(volume);
  }
  return result;
}

win::HANDLE OpenBulkVolume(std::uint8_t driveIndex) {
  const std::string path = std::string("\\\\.\\") + static_cast<char>('A' + driveIndex) + ":";
  for (int attempt = 0; attempt < 4; ++attempt) {
    const bool shared = attempt % 2 == 0;
    const win::HANDLE handle = win::CreateFileA(
        path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
        shared ? win::FILE_SHARE_READ | win::FILE_SHARE_WRITE : win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING,
        shared ? win::FILE_FLAG_DELETE_ON_CLOSE : win::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != win::INVALID_HANDLE_VALUE) return handle;
  }
  return win::INVALID_HANDLE_VALUE;
}

bool AnyByteSet(const std::array<std::uint8_t, 4>& status) {
  return std::any_of(status.begin(), status.end(), [](std::uint8_t byte) { return byte != 0; });
}

}  // namespace

int FindDeviceType(DWORD deviceId, BYTE driveIndex, BYTE* deviceKind, BYTE* status, BYTE* writeProtected,
                   int showMessages, BYTE transportKind, int wideStatus) {
  const std::uint8_t osKind = RunExportPrologue(deviceId, driveIndex);
  if (status != nullptr) std::fill_n(status, 4, 0);
  if (!IsNtClass(osKind)) return 1;
  if (deviceKind == nullptr || status == nullptr || writeProtected == nullptr) return 0;
  const OwnedVolume volume(OpenVolume(driveIndex));
  if (!volume.IsOpen()) return 0;
  *writeProtected = 0;
  const bool answered = AskReader(volume.Get(), *deviceKind, win::kVendorStatus, 0, transportKind, wideStatus, status);
  const std::uint32_t word = Word(status);
  if (answered && !IsNewerKind(*deviceKind)) *deviceKind = KindFromStatus(*deviceKind, word);
  if (*deviceKind == 0) return 0;
  if (NoCard(word)) {
    if (showMessages != 0) ShowLibraryMessage(kStrNoMediaInDrive, ui::MB_ICONSTOP);
    return 0;
  }
  if ((word & win::kStatusWriteProtected) != 0) {
    *writeProtected = 1;
    if (showMessages != 0) ShowLibraryMessage(kStrWriteProtected, ui::MB_ICONSTOP);
  }
  if (*deviceKind == kKindMemoryStickPro) return 1;
  return AskReader(volume.Get(), *deviceKind, win::kVendorGeometry, 4, transportKind, wideStatus, status) ? 1 : 0;
}

int LockTheDevice(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, DWORD, BYTE transportKind,
                  BYTE ataDriveSelect, int wideStatus) {
  return LockOrUnlock(deviceId, driveIndex, volumeHandle, deviceKind, transportKind, ataDriveSelect, wideStatus,
                      win::kVendorLock);
}

int UnlockTheDevice(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE deviceKind, DWORD, BYTE transportKind,
                    BYTE ataDriveSelect, int wideStatus) {
  return LockOrUnlock(deviceId, driveIndex, volumeHandle, deviceKind, transportKind, ataDriveSelect, wideStatus,
                      win::kVendorUnlock);
}

int IssueStartStopCmd(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, int loadFlag, BYTE deviceKind) {
  if (!IsNtClass(RunExportPrologue(deviceId, driveIndex)) || !IsUsable(volumeHandle)) return 0;
  constexpr std::array<std::uint8_t, 6> kModeSense{
      win::kScsiModeSense6, mode6::kDisableBlockDescriptors, mode6::kMakerPage, 0, kMakerPageLength, 0};
  namespace start_stop = win::start_stop_unit;
  const auto action = static_cast<std::uint8_t>(start_stop::kLoadEject | (loadFlag != 0 ? start_stop::kStart : 0));
  const std::array<std::uint8_t, 6> startStop{win::kScsiStartStopUnit, 0, 0, 0, action, 0};
  for (int pass = 0; pass < 2; ++pass) {
    ClearErrorText();
    std::array<std::uint8_t, kMakerPageLength> page{};
    if (SendScsiCommandNoPrompt(volumeHandle, kModeSense, page.data(), page.size(), kDataIn) == 1) {
      if (page[mode6::kHeaderSize + mode6::kMakerPageCardPresent] == 0) return 0;
      for (int attempt = 0; attempt < kStartStopTries; ++attempt) {
        if (SendScsiCommandNoPrompt(volumeHandle, startStop, nullptr, 0, kNoData) == 1) return 1;
      }
      return 0;
    }
    if (deviceKind != kKindSmartMedia && deviceKind != kKindNewerSmartMedia) return 0;
    std::array<std::uint8_t, 2> reply{};
    SendScsiCommandNoPrompt(volumeHandle, SimpleVendorBlock(deviceKind, win::kVendorUnlock), reply.data(), reply.size(),
                            kDataIn);
  }
  return 0;
}

int CheckFormatSupport(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle) {
  if (!IsNtClass(RunExportPrologue(deviceId, driveIndex)) || !IsUsable(volumeHandle)) return 0;
  ClearErrorText();
  const VendorBlock block{0, 0, 0, 0, 0, 0, 0, win::kVendorStatus};
  std::array<std::uint8_t, 4> reply{};
  const bool answered = SendScsiCommandNoPrompt(volumeHandle, block, reply.data(), reply.size(), kDataIn) == 1;
  const std::uint32_t word = Word(reply.data());
  if (!answered) return NoCard(word) ? 1 : 0;
  return NoCard(word) || (word & (win::kStatusMemoryStick | win::kStatusSmartMedia)) != 0 ? 1 : 0;
}

int GetDeviceCapacity(DWORD deviceId, BYTE driveIndex, BYTE* capacity, BYTE* writeProtected, int showMessages) {
  if (!IsNtClass(RunExportPrologue(deviceId, driveIndex))) return 0;
  if (capacity == nullptr || writeProtected == nullptr) return 0;
  const OwnedVolume volume(OpenVolume(driveIndex));
  if (!volume.IsOpen()) return 0;
  ClearErrorText();
  constexpr std::array<std::uint8_t, 6> kTestUnitReady{win::kScsiTestUnitReady};
  const ScsiExchange ready = SendScsiDirect(volume.Get(), kTestUnitReady, nullptr, 0, kNoData);
  if (ready.additionalSense == win::kAscMediumNotPresent) return 0;
  const int provisional = ready.delivered && ready.senseKey == win::kSenseKeyNoSense ? 1 : 0;
  constexpr std::array<std::uint8_t, 6> kModeSense{win::kScsiModeSense6, 0, 0, 0, kModeLength, 0};
  ModeData mode{};
  for (int attempt = 0; attempt < kCapacityTries; ++attempt) {
    if (SendScsiCommandNoPrompt(volume.Get(), kModeSense, mode.data(), mode.size(), kDataIn) == 1) break;
  }
  if ((mode[mode6::kDeviceSpecific] & mode6::kWriteProtected) != 0) {
    *writeProtected = 1;
    if (showMessages != 0) ShowLibraryMessage(kStrWriteProtected, ui::MB_ICONSTOP);
    return 0;
  }
  constexpr std::array<std::uint8_t, 10> kReadCapacity{win::kScsiReadCapacity};
  constexpr std::size_t kCapacitySize = win::read_capacity::kSize;
  for (int attempt = 0; attempt < kCapacityTries; ++attempt) {
    if (SendScsiCommandNoPrompt(volume.Get(), kReadCapacity, capacity, kCapacitySize, kDataIn) != 1) continue;
    if (std::all_of(capacity, capacity + kCapacitySize, [](BYTE byte) { return byte == 0; }))
      CapacityFromDescriptor(mode, std::span<BYTE, kCapacitySize>(capacity, kCapacitySize));
    return 1;
  }
  CapacityFromDescriptor(mode, std::span<BYTE, kCapacitySize>(capacity, kCapacitySize));
  return provisional;
}

int FindBulkSMMS(DWORD deviceId, BYTE driveIndex, HANDLE volumeHandle, BYTE* status) {
  if (!IsNtClass(RunExportPrologue(deviceId, driveIndex)) || status == nullptr) return 0;
  std::fill_n(status, 4, 0);
  const OwnedVolume own(volumeHandle == win::INVALID_HANDLE_VALUE ? OpenBulkVolume(driveIndex)
                                                                  : win::INVALID_HANDLE_VALUE);
  const win::HANDLE volume = volumeHandle == win::INVALID_HANDLE_VALUE ? own.Get() : volumeHandle;
  ClearErrorText();
  const VendorBlock statusBlock = SimpleVendorBlock(kKindNewerSmartMedia, win::kVendorStatus);
  std::array<std::uint8_t, 4> first{};
  if (SendScsiCommandNoPrompt(volume, statusBlock, first.data(), first.size(), kDataIn) != 1) return 0;
  std::copy(first.begin(), first.end(), status);
  if (AnyByteSet(first)) return 1;
  std::array<std::uint8_t, 2> reply{};
  SendScsiCommandNoPrompt(volume, SimpleVendorBlock(kKindNewerSmartMedia, win::kVendorLock), reply.data(), reply.size(),
                          kDataIn);
  std::array<std::uint8_t, 4> second{};
  const bool answered = SendScsiCommandNoPrompt(volume, statusBlock, second.data(), second.size(), kDataIn) == 1;
  std::copy(second.begin(), second.end(), status);
  SendScsiCommandNoPrompt(volume, SimpleVendorBlock(kKindNewerSmartMedia, win::kVendorUnlock), reply.data(),
                          reply.size(), kDataIn);
  return answered && AnyByteSet(second) ? 1 : 0;
}

}  // namespace pradvik::exports
