#include "device/testing/stand_in_aspi.h"

#include "device/device_state.h"
#include "device/reader_commands.h"
#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/modules/builtin_modules.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace tarnlok::test_support {
namespace {

namespace aspi = win::aspi;

constexpr std::size_t kInquirySize = 56;  // the standard 36 bytes, the status word and vendor bytes
constexpr std::size_t kInquiryStatusWord = 36;

StandInAspi* current = nullptr;

win::DWORD SendStandIn(void* block) { return current->Send(static_cast<win::BYTE*>(block)); }

win::DWORD SupportInfoStandIn() {
  return aspi::SupportInfo(aspi::kStatusDone, static_cast<win::BYTE>(current->adapterNames.size() & 0xFF));
}

void PutText(std::vector<win::BYTE>& bytes, std::size_t offset, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) bytes[offset + i] = static_cast<win::BYTE>(i < text.size() ? text[i] : ' ');
}

}  // namespace

StandInAspi::StandInAspi() {
  current = this;
  win::SetBuiltinProcedure("WNASPI32.DLL", "SendASPI32Command", reinterpret_cast<win::FARPROC>(&SendStandIn));
  win::SetBuiltinProcedure("WNASPI32.DLL", "GetASPI32SupportInfo", reinterpret_cast<win::FARPROC>(&SupportInfoStandIn));
}

StandInAspi::~StandInAspi() {
  win::SetBuiltinProcedure("WNASPI32.DLL", "SendASPI32Command", nullptr);
  win::SetBuiltinProcedure("WNASPI32.DLL", "GetASPI32SupportInfo", nullptr);
  current = nullptr;
  AspiLibrary = nullptr;
  SendAspiSrb = nullptr;
  GetAspiSupportInfo = nullptr;
}

void StandInAspi::Add(win::BYTE host, win::BYTE target, win::BYTE lun, AspiDevice device) {
  devices_[{host, target, lun}] = std::move(device);
}

win::DWORD StandInAspi::Send(win::BYTE* block) {
  ++requests;
  if (refuseAtOnce) {
    block[aspi::kStatus] = aspi::kStatusError;
    return block[aspi::kStatus];
  }
  if (block[aspi::kCommand] == aspi::kHostAdapterInquiry) {
    const win::BYTE host = block[aspi::kHost];
    if (host >= adapterNames.size()) {
      block[aspi::kStatus] = aspi::kStatusInvalidHost;
      return block[aspi::kStatus];
    }
    std::memset(block + aspi::kIdentifier, 0, aspi::kIdentifierSize);
    std::memcpy(block + aspi::kIdentifier, adapterNames[host].data(),
                std::min(aspi::kIdentifierSize, adapterNames[host].size()));
    block[aspi::kStatus] = aspi::kStatusDone;
    return block[aspi::kStatus];
  }
  Execute(block);
  if (block[aspi::kStatus] == aspi::kStatusDone && postRoutineCalls) {
    const win::DWORD post = win::ReadLe32(std::span<const win::BYTE>(block, aspi::kExecSize), aspi::kPostRoutine);
    auto* slot = static_cast<void (**)()>(win::ResolveAddressToken(post, sizeof(void (*)())));
    if (slot != nullptr) (*slot)();
  }
  return block[aspi::kStatus];
}

void StandInAspi::Execute(win::BYTE* block) {
  const std::span<const win::BYTE> request(block, aspi::kExecSize);
  const auto found = devices_.find({block[aspi::kHost], block[aspi::kTarget], block[aspi::kLun]});
  const std::span<const win::BYTE> cdb(block + aspi::kCdb, block[aspi::kCdbLength]);
  flags.push_back(block[aspi::kFlags]);
  bufferLengths.push_back(win::ReadLe32(request, aspi::kBufferLength));
  block[aspi::kStatus] = aspi::kStatusError;  // unless answered below
  if (found == devices_.end() || cdb.empty()) return;
  const AspiDevice& device = found->second;
  const win::DWORD length = win::ReadLe32(request, aspi::kBufferLength);
  auto* data = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(request, aspi::kBufferPointer), length));
  if (length != 0 && data == nullptr) return;
  const bool card = device.sectors != 0;
  std::vector<win::BYTE> reply;
  switch (cdb[0]) {
    case win::kScsiInquiry:
      reply.assign(kInquirySize, 0);
      PutText(reply, 8, device.vendor, 8);
      PutText(reply, 16, device.product, 16);
      PutText(reply, 32, device.revision, 4);
      win::WriteLe32(reply, kInquiryStatusWord, card ? device.inquiryStatus : 0);
      break;
    case win::kScsiTestUnitReady:
      if (!card) return;
      break;
    case win::kScsiReadCapacity:
      if (!card) return;
      reply.assign(8, 0);
      win::WriteBe32(reply, 0, device.sectors - 1);
      win::WriteBe32(reply, 4, win::kAtaSectorSize);
      break;
    case win::kScsiModeSense6:
      if (!card) return;
      reply.assign(12, 0);
      break;
    case win::kScsiVendorCommand:
      if (!device.vendorCommands) return;
      reply.assign(4, 0);
      win::WriteLe32(reply, 0, card ? device.statusWord : win::kVendorNoCardReply);
      break;
    default: return;
  }
  if (data != nullptr) std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), length), data);
  block[aspi::kStatus] = aspi::kStatusDone;
}

}  // namespace tarnlok::test_support
