#include "device/aspi_transport.h"

#include "device/device_state.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/files/files.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace tarnlok {
namespace {

// SRB_ExecSCSICmd.
constexpr std::size_t kExecSize = 80;
constexpr std::size_t kCmd = 0;
constexpr std::size_t kStatus = 1;
constexpr std::size_t kHaId = 2;
constexpr std::size_t kFlags = 3;
constexpr std::size_t kTarget = 8;
constexpr std::size_t kLun = 9;
constexpr std::size_t kBufLen = 12;
constexpr std::size_t kBufPointer = 16;
constexpr std::size_t kSenseLen = 20;
constexpr std::size_t kCdbLen = 21;
constexpr std::size_t kPostProc = 24;
constexpr std::size_t kCdbBytes = 48;
constexpr std::size_t kCdbCapacity = 16;
constexpr win::BYTE kExecScsiCommand = 2;
constexpr win::BYTE kSenseLength = 14;

// SRB_HAInquiry.
constexpr std::size_t kInquirySize = 60;
constexpr std::size_t kAdapterIdentifier = 26;
constexpr win::BYTE kHostAdapterInquiry = 0;
constexpr win::BYTE kHostAdapterFlags = 8;
constexpr std::size_t kAdapterNameLength = 8;

// Requests complete while SendASPI32Command runs here; this bounds a wait for one that never does.
constexpr int kMaxWaitRounds = 100000;

using PostRoutine = void (*)();
PostRoutine postRoutineSlot = &AspiPostRoutine;

// Waits while the request is pending; a request that completed also waits for its post routine
// when asked to. One that was refused at once is never posted, so nothing waits for it.
template <std::size_t Size>
void WaitWhilePending(const std::array<win::BYTE, Size>& block, bool untilPosted, win::DWORD sleepMilliseconds) {
  for (int round = 0; round < kMaxWaitRounds && block[kStatus] == kAspiPending; ++round) win::Sleep(sleepMilliseconds);
  if (untilPosted && block[kStatus] == kAspiComplete) WaitAspiPosted();
}

std::string AspiLibraryPath() {
  std::array<char, 300> folder{};
  const win::UINT length = win::GetSystemDirectoryA(folder.data(), static_cast<win::UINT>(folder.size()));
  const std::string base =
      length != 0 && length < folder.size() ? std::string(folder.data()) + "\\" : std::string("C:\\Windows\\System\\");
  return base + "WNASPI32.DLL";
}

}  // namespace

bool LoadAspiLibrary(bool withSupportInfo) {
  if (AspiLibrary == nullptr) {
    AspiLibrary = win::LoadLibraryA(AspiLibraryPath().c_str());
    if (AspiLibrary == nullptr) return false;
  }
  if (SendAspiSrb == nullptr) {
    SendAspiSrb = reinterpret_cast<AspiSendProc>(win::GetProcAddress(AspiLibrary, "SendASPI32Command"));
    if (SendAspiSrb == nullptr) return false;
  }
  if (withSupportInfo && GetAspiSupportInfo == nullptr) {
    GetAspiSupportInfo =
        reinterpret_cast<AspiSupportInfoProc>(win::GetProcAddress(AspiLibrary, "GetASPI32SupportInfo"));
    if (GetAspiSupportInfo == nullptr) return false;
  }
  return true;
}

bool SendAspiRequest(AspiAddress address, std::span<const win::BYTE> cdb, win::BYTE* data, win::DWORD dataLength,
                     win::BYTE direction, bool waitForPost) {
  if (SendAspiSrb == nullptr || cdb.size() > kCdbCapacity) return false;
  const win::AddressRegistration buffer(data, dataLength);
  if (data != nullptr && dataLength != 0 && buffer.token() == 0) return false;
  const win::AddressRegistration post(&postRoutineSlot, sizeof(postRoutineSlot));
  std::array<win::BYTE, kExecSize> block{};
  block[kCmd] = kExecScsiCommand;
  block[kStatus] = 0xFF;
  block[kHaId] = address.host;
  block[kFlags] = static_cast<win::BYTE>(direction | kAspiPosting);
  block[kTarget] = address.target;
  block[kLun] = address.lun;
  win::WriteLe32(block, kBufLen, dataLength);
  win::WriteLe32(block, kBufPointer, buffer.token());
  block[kSenseLen] = kSenseLength;
  block[kCdbLen] = static_cast<win::BYTE>(cdb.size());
  win::WriteLe32(block, kPostProc, post.token());
  std::copy(cdb.begin(), cdb.end(), block.begin() + kCdbBytes);
  AspiCommandPosted = 0;
  SendAspiSrb(block.data());
  WaitWhilePending(block, waitForPost, 0);
  return block[kStatus] == kAspiComplete;
}

bool ExecAspiCommand(win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb, win::BYTE cdbLength,
                     win::BYTE* data, win::DWORD dataLength, win::BYTE aspiFlags) {
  if (cdb == nullptr || (data == nullptr && dataLength != 0)) return false;
  if (!LoadAspiLibrary(false)) return false;
  return SendAspiRequest({host, target, lun}, std::span(cdb, cdbLength), data, dataLength, aspiFlags, true);
}

bool AspiInquiry(win::BYTE host, win::BYTE target, win::BYTE lun, win::BYTE* buffer, win::BYTE length) {
  const win::BYTE cdb[6] = {0x12, 0, 0, 0, length, 0};
  if (buffer == nullptr || !LoadAspiLibrary(false)) return false;
  return SendAspiRequest({host, target, lun}, cdb, buffer, length, kAspiDataIn, true);
}

bool GetAspiAdapterName(win::BYTE host, char* text) {
  if (SendAspiSrb == nullptr || text == nullptr) return false;
  std::array<win::BYTE, kInquirySize> block{};
  block[kCmd] = kHostAdapterInquiry;
  block[kHaId] = host;
  block[kFlags] = kHostAdapterFlags;
  SendAspiSrb(block.data());
  WaitWhilePending(block, false, 1);
  if (block[kStatus] != kAspiComplete) return false;
  std::memcpy(text, block.data() + kAdapterIdentifier, kAdapterNameLength);
  text[kAdapterNameLength] = '\0';
  return true;
}

void AspiPostRoutine() { AspiCommandPosted = 1; }

void WaitAspiPosted() {
  for (int round = 0; round < kMaxWaitRounds && AspiCommandPosted == 0; ++round) win::Sleep(0);
}

}  // namespace tarnlok
