#include "formatlib/command/aspi_command.h"

#include "formatlib/command/format_library_state.h"

#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/system_clock.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace pradvik {
namespace {

namespace node = win::card_driver_layout;

using SendProc = win::DWORD (*)(void* request);
using SupportInfoProc = win::DWORD (*)();

namespace aspi = win::aspi;
namespace inquiry = win::inquiry_data;
namespace sense = win::sense_data;

// A request that never completes is given up after this many yields.
constexpr int kMostWaitRounds = 100000;

// The manager, loaded for one command and freed after it.
class Manager {
 public:
  Manager() : module_(win::LoadLibraryA("WNASPI32.DLL")) {
    if (module_ == nullptr) return;
    send_ = reinterpret_cast<SendProc>(win::GetProcAddress(module_, "SendASPI32Command"));
    supportInfo_ = reinterpret_cast<SupportInfoProc>(win::GetProcAddress(module_, "GetASPI32SupportInfo"));
  }
  ~Manager() {
    if (module_ != nullptr) win::FreeLibrary(module_);
  }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  bool Loaded() const { return send_ != nullptr && supportInfo_ != nullptr; }
  win::DWORD SupportInfo() const { return supportInfo_(); }
  template <std::size_t Size>
  std::uint8_t Send(std::array<std::uint8_t, Size>& request) const {
    send_(request.data());
    for (int round = 0; round < kMostWaitRounds && request[aspi::kStatus] == aspi::kStatusPending; ++round)
      win::Sleep(0);
    return request[aspi::kStatus];
  }

 private:
  win::HMODULE module_;
  SendProc send_ = nullptr;
  SupportInfoProc supportInfo_ = nullptr;
};

std::array<std::uint8_t, aspi::kExecSize> ExecRequest(std::uint8_t host, std::span<const std::uint8_t> cdb,
                                                      std::uint32_t token, std::uint32_t length,
                                                      std::uint8_t direction) {
  std::array<std::uint8_t, aspi::kExecSize> request{};
  request[aspi::kCommand] = aspi::kExecuteScsi;
  request[aspi::kHost] = host;
  request[aspi::kFlags] = direction == kDataIn ? aspi::kDataIn : direction == kDataOut ? aspi::kDataOut : aspi::kNoData;
  win::WriteLe32(request, aspi::kBufferLength, length);
  win::WriteLe32(request, aspi::kBufferPointer, token);
  request[aspi::kSenseLength] = aspi::kSenseRequested;
  request[aspi::kCdbLength] = static_cast<std::uint8_t>(cdb.size());
  std::copy(cdb.begin(), cdb.end(), request.begin() + aspi::kCdb);
  return request;
}

// Text of a fixed field without its trailing blanks and zeros.
std::string_view Trimmed(const std::uint8_t* bytes, std::size_t length) {
  std::string_view text(reinterpret_cast<const char*>(bytes), length);
  const std::size_t end = text.find_last_not_of(std::string_view(" \0", 2));
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

bool AdapterNamed(const Manager& manager, std::uint8_t host, std::string_view name) {
  std::array<std::uint8_t, aspi::kInquirySize> request{};
  request[aspi::kCommand] = aspi::kHostAdapterInquiry;
  request[aspi::kHost] = host;
  return manager.Send(request) == aspi::kStatusDone &&
         Trimmed(request.data() + aspi::kIdentifier, aspi::kAdapterNameSize) == name;
}

bool DeviceIs(const Manager& manager, std::uint8_t host, std::string_view vendor, std::string_view product) {
  constexpr std::uint8_t kAnswerLength = 36;
  constexpr std::array<std::uint8_t, 6> kInquiry{win::kScsiInquiry, 0, 0, 0, kAnswerLength, 0};
  std::array<std::uint8_t, kAnswerLength> answer{};
  const win::AddressRegistration buffer(answer.data(), answer.size());
  auto request = ExecRequest(host, kInquiry, buffer.token(), answer.size(), kDataIn);
  return buffer.token() != 0 && manager.Send(request) == aspi::kStatusDone &&
         Trimmed(answer.data() + inquiry::kVendor, inquiry::kVendorSize) == vendor &&
         Trimmed(answer.data() + inquiry::kProduct, inquiry::kProductSize) == product;
}

// The adapter whose name and device are the node's.
std::optional<std::uint8_t> FindHost(const Manager& manager, std::uint32_t nodeAddress) {
  const auto* bytes = static_cast<const std::uint8_t*>(win::ResolveAddressToken(nodeAddress, node::kNodeSize));
  if (bytes == nullptr) return std::nullopt;
  const std::string_view adapter = Trimmed(bytes + node::kNodeAdapterName, aspi::kAdapterNameSize);
  const std::string_view vendor = Trimmed(bytes + node::kNodeVendor, inquiry::kVendorSize);
  const std::string_view product = Trimmed(bytes + node::kNodeProduct, inquiry::kProductSize);
  if (adapter.empty()) return std::nullopt;
  const win::DWORD support = manager.SupportInfo();
  if (aspi::SupportStatus(support) != aspi::kStatusDone) return std::nullopt;
  const std::uint8_t hosts = aspi::SupportHostCount(support);
  for (std::uint8_t host = 0; host < hosts; ++host) {
    if (AdapterNamed(manager, host, adapter) && DeviceIs(manager, host, vendor, product)) return host;
  }
  return std::nullopt;
}

}  // namespace

ScsiExchange SendAspiCommand(std::span<const std::uint8_t> cdb, std::uint8_t* data, std::uint32_t dataLength,
                             std::uint8_t direction, bool& succeeded) {
  ScsiExchange exchange;
  succeeded = false;
  if (cdb.size() > aspi::kCdbCapacity) return exchange;
  const Manager manager;
  if (!manager.Loaded()) return exchange;
  FormatLibraryState& state = LibraryState();
  if (!state.aspiHost) state.aspiHost = FindHost(manager, state.deviceId);
  if (!state.aspiHost) return exchange;
  const win::AddressRegistration buffer(data, dataLength);
  if (data != nullptr && dataLength != 0 && buffer.token() == 0) return exchange;
  auto request = ExecRequest(*state.aspiHost, cdb, buffer.token(), dataLength, direction);
  const std::uint8_t status = manager.Send(request);
  exchange.delivered = status == aspi::kStatusDone || request[aspi::kTargetStatus] != 0;
  exchange.senseKey = request[aspi::kSenseArea + sense::kSenseKey] & sense::kSenseKeyMask;
  exchange.additionalSense = request[aspi::kSenseArea + sense::kAdditionalSenseCode];
  succeeded = status == aspi::kStatusDone;
  return exchange;
}

}  // namespace pradvik
