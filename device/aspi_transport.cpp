#include "device/aspi_transport.h"

#include "device/device_state.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/files/files.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

namespace tarnlok {
namespace {

namespace aspi = win::aspi;

constexpr win::BYTE kHostAdapterFlags = 8;

// Requests complete while SendASPI32Command runs here; this bounds a wait for one that never does.
constexpr int kMaxWaitRounds = 100000;

using PostRoutine = void (*)();
PostRoutine postRoutineSlot = &AspiPostRoutine;

// Waits while the request is pending; a request that completed also waits for its post routine
// when asked to. One that was refused at once is never posted, so nothing waits for it.
template <std::size_t Size>
void WaitWhilePending(const std::array<win::BYTE, Size>& block, bool untilPosted, win::DWORD sleepMilliseconds) {
  for (int round = 0; round < kMaxWaitRounds && block[aspi::kStatus] == aspi::kStatusPending; ++round)
    win::Sleep(sleepMilliseconds);
  if (untilPosted && block[aspi::kStatus] == aspi::kStatusDone) WaitAspiPosted();
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
  if (SendAspiSrb == nullptr || cdb.size() > aspi::kCdbCapacity) return false;
  const win::AddressRegistration buffer(data, dataLength);
  if (data != nullptr && dataLength != 0 && buffer.token() == 0) return false;
  const win::AddressRegistration post(&postRoutineSlot, sizeof(postRoutineSlot));
  std::array<win::BYTE, aspi::kExecSize> block{};
  block[aspi::kCommand] = aspi::kExecuteScsi;
  block[aspi::kStatus] = 0xFF;
  block[aspi::kHost] = address.host;
  block[aspi::kFlags] = static_cast<win::BYTE>(direction | aspi::kPosting);
  block[aspi::kTarget] = address.target;
  block[aspi::kLun] = address.lun;
  win::WriteLe32(block, aspi::kBufferLength, dataLength);
  win::WriteLe32(block, aspi::kBufferPointer, buffer.token());
  block[aspi::kSenseLength] = aspi::kSenseRequested;
  block[aspi::kCdbLength] = static_cast<win::BYTE>(cdb.size());
  win::WriteLe32(block, aspi::kPostRoutine, post.token());
  std::copy(cdb.begin(), cdb.end(), block.begin() + aspi::kCdb);
  AspiCommandPosted = 0;
  SendAspiSrb(block.data());
  WaitWhilePending(block, waitForPost, 0);
  return block[aspi::kStatus] == aspi::kStatusDone;
}

bool ExecAspiCommand(win::BYTE host, win::BYTE target, win::BYTE lun, const win::BYTE* cdb, win::BYTE cdbLength,
                     win::BYTE* data, win::DWORD dataLength, win::BYTE aspiFlags) {
  if (cdb == nullptr || (data == nullptr && dataLength != 0)) return false;
  if (!LoadAspiLibrary(false)) return false;
  return SendAspiRequest({host, target, lun}, std::span(cdb, cdbLength), data, dataLength, aspiFlags, true);
}

bool AspiInquiry(win::BYTE host, win::BYTE target, win::BYTE lun, win::BYTE* buffer, win::BYTE length) {
  const win::BYTE cdb[6] = {win::kScsiInquiry, 0, 0, 0, length, 0};
  if (buffer == nullptr || !LoadAspiLibrary(false)) return false;
  return SendAspiRequest({host, target, lun}, cdb, buffer, length, aspi::kDataIn, true);
}

bool GetAspiAdapterName(win::BYTE host, char* text) {
  if (SendAspiSrb == nullptr || text == nullptr) return false;
  std::array<win::BYTE, aspi::kInquirySize> block{};
  block[aspi::kCommand] = aspi::kHostAdapterInquiry;
  block[aspi::kHost] = host;
  block[aspi::kFlags] = kHostAdapterFlags;
  SendAspiSrb(block.data());
  WaitWhilePending(block, false, 1);
  if (block[aspi::kStatus] != aspi::kStatusDone) return false;
  std::memcpy(text, block.data() + aspi::kIdentifier, aspi::kAdapterNameSize);
  text[aspi::kAdapterNameSize] = '\0';
  return true;
}

void AspiPostRoutine() { AspiCommandPosted = 1; }

void WaitAspiPosted() {
  for (int round = 0; round < kMaxWaitRounds && AspiCommandPosted == 0; ++round) win::Sleep(0);
}

}  // namespace tarnlok
