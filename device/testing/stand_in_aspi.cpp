#include "device/testing/stand_in_aspi.h"

#include "device/device_state.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/modules/builtin_modules.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace tarnlok::test_support {
namespace {

StandInAspi* current = nullptr;

win::DWORD SendStandIn(void* block) { return current->Send(static_cast<win::BYTE*>(block)); }

win::DWORD SupportInfoStandIn() { return (1U << 8) | static_cast<win::DWORD>(current->adapterNames.size() & 0xFF); }

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
    block[1] = 0x04;
    return block[1];
  }
  if (block[0] == 0) {  // host adapter inquiry
    if (block[2] >= adapterNames.size()) {
      block[1] = 0x81;
      return block[1];
    }
    std::memset(block + 26, 0, 16);
    std::memcpy(block + 26, adapterNames[block[2]].data(), std::min<std::size_t>(16, adapterNames[block[2]].size()));
    block[1] = 1;
    return 1;
  }
  Execute(block);
  if (block[1] == 1 && postRoutineCalls) {
    const win::DWORD post = win::ReadLe32(std::span<const win::BYTE>(block, 80), 24);
    auto* slot = static_cast<void (**)()>(win::ResolveAddressToken(post, sizeof(void (*)())));
    if (slot != nullptr) (*slot)();
  }
  return block[1];
}

void StandInAspi::Execute(win::BYTE* block) {
  const std::span<const win::BYTE> request(block, 80);
  const auto found = devices_.find({block[2], block[8], block[9]});
  const std::span<const win::BYTE> cdb(block + 48, block[21]);
  flags.push_back(block[3]);
  bufferLengths.push_back(win::ReadLe32(request, 12));
  block[1] = 0x04;  // error unless answered below
  if (found == devices_.end() || cdb.empty()) return;
  const AspiDevice& device = found->second;
  const win::DWORD length = win::ReadLe32(request, 12);
  auto* data = static_cast<win::BYTE*>(win::ResolveAddressToken(win::ReadLe32(request, 16), length));
  if (length != 0 && data == nullptr) return;
  std::vector<win::BYTE> reply;
  switch (cdb[0]) {
    case 0x12:
      reply.assign(56, 0);
      PutText(reply, 8, device.vendor, 8);
      PutText(reply, 16, device.product, 16);
      PutText(reply, 32, device.revision, 4);
      win::WriteLe32(reply, 36, device.sectors != 0 ? device.inquiryStatus : 0);
      break;
    case 0x00:
      if (device.sectors == 0) return;
      break;
    case 0x25:
      if (device.sectors == 0) return;
      reply.assign(8, 0);
      win::WriteBe32(reply, 0, device.sectors - 1);
      win::WriteBe32(reply, 4, 512);
      break;
    case 0x1A:
      if (device.sectors == 0) return;
      reply.assign(12, 0);
      break;
    case 0x20:
      if (!device.vendorCommands) return;
      reply.assign(4, 0);
      win::WriteLe32(reply, 0, device.sectors != 0 ? device.statusWord : 0x04FF);
      break;
    default: return;
  }
  if (data != nullptr) std::copy_n(reply.begin(), std::min<std::size_t>(reply.size(), length), data);
  block[1] = 1;
}

}  // namespace tarnlok::test_support
