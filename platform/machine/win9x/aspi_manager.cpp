#include "platform/machine/win9x/aspi_manager.h"

#include "platform/machine/win9x/card_driver_chain.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/modules/builtin_modules.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string_view>

namespace machine {
namespace {

constexpr std::string_view kModule = "WNASPI32.DLL";

using namespace win::aspi;

constexpr win::BYTE kInitiatorId = 7;
constexpr win::BYTE kDirectAccess = 0;

std::atomic<AspiManager*> installed{nullptr};

win::DWORD SendEntry(void* request) {
  AspiManager* manager = installed.load();
  return manager == nullptr ? kStatusNoAdapters : manager->Send(static_cast<win::BYTE*>(request));
}

win::DWORD SupportInfoEntry() {
  AspiManager* manager = installed.load();
  return manager == nullptr ? win::aspi::SupportInfo(kStatusNoAdapters, 0) : manager->SupportInfo();
}

bool ReachedByAspi(Bus bus) { return !AspiAdapterName(bus).empty(); }

std::optional<DataDirection> DirectionOf(win::BYTE flags) {
  switch (flags & kDirectionMask) {
    case kNoData: return DataDirection::None;
    case kDataIn: return DataDirection::In;
    case kDataOut: return DataDirection::Out;
    default: return std::nullopt;
  }
}

void CallPostRoutine(win::DWORD address) {
  using PostRoutine = void (*)();
  auto* slot = static_cast<PostRoutine*>(win::ResolveAddressToken(address, sizeof(PostRoutine)));
  if (slot != nullptr && *slot != nullptr) (*slot)();
}

}  // namespace

AspiManager::AspiManager(const std::vector<std::shared_ptr<Reader>>& readers) {
  std::copy_if(readers.begin(), readers.end(), std::back_inserter(hosts_),
               [](const auto& reader) { return ReachedByAspi(reader->Description().bus); });
}

AspiManager::~AspiManager() { Uninstall(); }

void AspiManager::Install() {
  installed = this;
  win::SetBuiltinProcedure(kModule, "SendASPI32Command", reinterpret_cast<win::FARPROC>(&SendEntry));
  win::SetBuiltinProcedure(kModule, "GetASPI32SupportInfo", reinterpret_cast<win::FARPROC>(&SupportInfoEntry));
}

void AspiManager::Uninstall() {
  AspiManager* self = this;
  if (!installed.compare_exchange_strong(self, nullptr)) return;
  win::SetBuiltinProcedure(kModule, "SendASPI32Command", nullptr);
  win::SetBuiltinProcedure(kModule, "GetASPI32SupportInfo", nullptr);
}

win::DWORD AspiManager::SupportInfo() const {
  if (hosts_.empty()) return win::aspi::SupportInfo(kStatusNoAdapters, 0);
  return win::aspi::SupportInfo(kStatusDone, static_cast<win::BYTE>(std::min<std::size_t>(hosts_.size(), 0xFF)));
}

win::DWORD AspiManager::Send(win::BYTE* request) {
  if (request == nullptr) return kStatusInvalidRequest;
  switch (request[kCommand]) {
    case kHostAdapterInquiry: request[kStatus] = static_cast<win::BYTE>(HostAdapterInquiry(request)); break;
    case kGetDeviceType: request[kStatus] = static_cast<win::BYTE>(DeviceType(request)); break;
    case kExecuteScsi:
      request[kStatus] = static_cast<win::BYTE>(ExecuteScsi(request));
      // A request that ran is posted once its status stands; one refused at once is not.
      if ((request[kFlags] & kPosting) != 0 && (request[kStatus] == kStatusDone || request[kStatus] == kStatusError)) {
        CallPostRoutine(win::ReadLe32(std::span<const win::BYTE>(request, kExecSize), kPostRoutine));
      }
      break;
    default: request[kStatus] = kStatusInvalidRequest; break;
  }
  return request[kStatus];
}

std::shared_ptr<Reader> AspiManager::DeviceAt(win::BYTE host, win::BYTE target, win::BYTE lun) const {
  if (host >= hosts_.size() || target != 0 || lun != 0) return nullptr;
  return hosts_[host];
}

win::DWORD AspiManager::HostAdapterInquiry(win::BYTE* request) const {
  const win::BYTE host = request[kHost];
  request[kHostCount] = static_cast<win::BYTE>(hosts_.size());
  if (host >= hosts_.size()) return hosts_.empty() && host == 0 ? kStatusDone : kStatusInvalidHost;
  request[kHostScsiId] = kInitiatorId;
  const std::string_view manager = "ASPI for WIN32";
  std::memset(request + kManagerId, ' ', kIdentifierSize);
  std::memcpy(request + kManagerId, manager.data(), manager.size());
  const std::string identifier = AspiAdapterName(hosts_[host]->Description().bus);
  std::memset(request + kIdentifier, 0, kIdentifierSize);
  std::memcpy(request + kIdentifier, identifier.data(), std::min(identifier.size(), kIdentifierSize));
  return kStatusDone;
}

win::DWORD AspiManager::DeviceType(win::BYTE* request) const {
  if (request[kHost] >= hosts_.size()) return kStatusInvalidHost;
  if (!DeviceAt(request[kHost], request[kTarget], request[kLun])) return kStatusNoDevice;
  request[kDeviceType] = kDirectAccess;
  return kStatusDone;
}

win::DWORD AspiManager::ExecuteScsi(win::BYTE* request) {
  const std::span<win::BYTE> block(request, kExecSize);
  if (request[kHost] >= hosts_.size()) return kStatusInvalidHost;
  const auto direction = DirectionOf(request[kFlags]);
  const win::BYTE cdbLength = request[kCdbLength];
  if (!direction || cdbLength == 0 || cdbLength > kCdbCapacity) return kStatusInvalidRequest;
  const win::DWORD length = win::ReadLe32(block, kBufferLength);
  auto* data = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(block, kBufferPointer), length));
  if (data == nullptr && length != 0) return kStatusInvalidRequest;
  request[kHostStatus] = 0;
  request[kTargetStatus] = 0;

  const auto reader = DeviceAt(request[kHost], request[kTarget], request[kLun]);
  if (!reader) {
    request[kHostStatus] = kHostSelectionTimeout;
    return kStatusError;
  }
  const std::span<win::BYTE> buffer(data, length);
  ScsiRequest scsi(
      block.subspan(kCdb, cdbLength), *direction, *direction == DataDirection::In ? buffer : std::span<win::BYTE>(),
      *direction == DataDirection::Out ? std::span<const win::BYTE>(buffer) : std::span<const win::BYTE>());
  reader->Execute(scsi);
  request[kTargetStatus] = scsi.Status();
  const std::size_t senseBytes = std::min<std::size_t>(request[kSenseLength], kSenseCapacity);
  if (scsi.Status() != kStatusGood) {
    std::copy_n(scsi.SenseData().begin(), std::min(senseBytes, kSenseSize), block.begin() + kSenseArea);
    return kStatusError;
  }
  return kStatusDone;
}

}  // namespace machine
