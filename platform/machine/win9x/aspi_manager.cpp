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

namespace aspi = win::aspi_layout;
namespace inquiry = win::aspi_layout::host_inquiry;
namespace exec = win::aspi_layout::execute;

constexpr win::BYTE kInitiatorId = 7;
constexpr win::BYTE kDirectAccess = 0;

std::atomic<AspiManager*> installed{nullptr};

win::DWORD SendEntry(void* request) {
  AspiManager* manager = installed.load();
  return manager == nullptr ? aspi::kStatusNoAdapters : manager->Send(static_cast<win::BYTE*>(request));
}

win::DWORD SupportInfoEntry() {
  AspiManager* manager = installed.load();
  return manager == nullptr ? aspi::SupportInfo(aspi::kStatusNoAdapters, 0) : manager->SupportInfo();
}

bool ReachedByAspi(Bus bus) { return !AspiAdapterName(bus).empty(); }

std::optional<DataDirection> DirectionOf(win::BYTE flags) {
  switch (flags & aspi::kDirectionMask) {
    case aspi::kNoData: return DataDirection::None;
    case aspi::kDataIn: return DataDirection::In;
    case aspi::kDataOut: return DataDirection::Out;
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
  if (hosts_.empty()) return aspi::SupportInfo(aspi::kStatusNoAdapters, 0);
  return aspi::SupportInfo(aspi::kStatusDone, static_cast<win::BYTE>(std::min<std::size_t>(hosts_.size(), 0xFF)));
}

win::DWORD AspiManager::Send(win::BYTE* request) {
  if (request == nullptr) return aspi::kStatusInvalidRequest;
  switch (request[aspi::kCommand]) {
    case aspi::kHostAdapterInquiry: request[aspi::kStatus] = static_cast<win::BYTE>(HostAdapterInquiry(request)); break;
    case aspi::kGetDeviceType: request[aspi::kStatus] = static_cast<win::BYTE>(DeviceType(request)); break;
    case aspi::kExecuteScsi:
      request[aspi::kStatus] = static_cast<win::BYTE>(ExecuteScsi(request));
      // A request that ran is posted once its status stands; one refused at once is not.
      if ((request[aspi::kFlags] & aspi::kPosting) != 0 &&
          (request[aspi::kStatus] == aspi::kStatusDone || request[aspi::kStatus] == aspi::kStatusError)) {
        CallPostRoutine(win::ReadLe32(std::span<const win::BYTE>(request, exec::kSize), exec::kPostRoutine));
      }
      break;
    default: request[aspi::kStatus] = aspi::kStatusInvalidRequest; break;
  }
  return request[aspi::kStatus];
}

std::shared_ptr<Reader> AspiManager::DeviceAt(win::BYTE host, win::BYTE target, win::BYTE lun) const {
  if (host >= hosts_.size() || target != 0 || lun != 0) return nullptr;
  return hosts_[host];
}

win::DWORD AspiManager::HostAdapterInquiry(win::BYTE* request) const {
  const win::BYTE host = request[aspi::kHost];
  request[inquiry::kHostCount] = static_cast<win::BYTE>(hosts_.size());
  if (host >= hosts_.size()) return hosts_.empty() && host == 0 ? aspi::kStatusDone : aspi::kStatusInvalidHost;
  request[inquiry::kHostScsiId] = kInitiatorId;
  const std::string_view manager = "ASPI for WIN32";
  std::memset(request + inquiry::kManagerId, ' ', inquiry::kIdentifierSize);
  std::memcpy(request + inquiry::kManagerId, manager.data(), manager.size());
  const std::string identifier = AspiAdapterName(hosts_[host]->Description().bus);
  std::memset(request + inquiry::kIdentifier, 0, inquiry::kIdentifierSize);
  std::memcpy(request + inquiry::kIdentifier, identifier.data(), std::min(identifier.size(), inquiry::kIdentifierSize));
  return aspi::kStatusDone;
}

win::DWORD AspiManager::DeviceType(win::BYTE* request) const {
  if (request[aspi::kHost] >= hosts_.size()) return aspi::kStatusInvalidHost;
  if (!DeviceAt(request[aspi::kHost], request[aspi::device_type::kTarget], request[aspi::device_type::kLun]))
    return aspi::kStatusNoDevice;
  request[aspi::device_type::kDeviceType] = kDirectAccess;
  return aspi::kStatusDone;
}

win::DWORD AspiManager::ExecuteScsi(win::BYTE* request) {
  const std::span<win::BYTE> block(request, exec::kSize);
  if (request[aspi::kHost] >= hosts_.size()) return aspi::kStatusInvalidHost;
  const auto direction = DirectionOf(request[aspi::kFlags]);
  const win::BYTE cdbLength = request[exec::kCdbLength];
  if (!direction || cdbLength == 0 || cdbLength > exec::kCdbCapacity) return aspi::kStatusInvalidRequest;
  const win::DWORD length = win::ReadLe32(block, exec::kBufferLength);
  auto* data = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(block, exec::kBufferAddress), length));
  if (data == nullptr && length != 0) return aspi::kStatusInvalidRequest;
  request[exec::kHostStatus] = 0;
  request[exec::kTargetStatus] = 0;

  const auto reader = DeviceAt(request[aspi::kHost], request[exec::kTarget], request[exec::kLun]);
  if (!reader) {
    request[exec::kHostStatus] = aspi::kHostSelectionTimeout;
    return aspi::kStatusError;
  }
  const std::span<win::BYTE> buffer(data, length);
  ScsiRequest scsi(
      block.subspan(exec::kCdb, cdbLength), *direction,
      *direction == DataDirection::In ? buffer : std::span<win::BYTE>(),
      *direction == DataDirection::Out ? std::span<const win::BYTE>(buffer) : std::span<const win::BYTE>());
  reader->Execute(scsi);
  request[exec::kTargetStatus] = scsi.Status();
  const std::size_t senseBytes = std::min<std::size_t>(request[exec::kSenseLength], exec::kSenseCapacity);
  if (scsi.Status() != kStatusGood) {
    std::copy_n(scsi.SenseData().begin(), std::min(senseBytes, kSenseSize), block.begin() + exec::kSense);
    return aspi::kStatusError;
  }
  return aspi::kStatusDone;
}

}  // namespace machine
