#include "device/reader_commands.h"

#include "device/device_entry.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace tarnlok {
namespace {

struct SmartMediaCode {
  std::array<win::BYTE, 3> ids;
  std::size_t idCount;
  FlashGeometry geometry;
};

constexpr std::array<SmartMediaCode, 12> kSmartMediaCodes{{
    {{0x6E, 0xE8, 0xEC}, 3, {1, 16, 256}},
    {{0x64, 0xEA}, 2, {2, 16, 512}},
    {{0x6B, 0xE3, 0xE5}, 3, {3, 16, 512}},
    {{0xE6}, 1, {4, 16, 1024}},
    {{0x73}, 1, {5, 32, 1024}},
    {{0x75}, 1, {6, 32, 2048}},
    {{0x76}, 1, {7, 32, 4096}},
    {{0x79}, 1, {8, 32, 8192}},
    {{0x71}, 1, {9, 32, 16384}},
    {{0xDC}, 1, {10, 32, 32768}},
    {{0xD3}, 1, {11, 32, 65536}},
    {{0xD5}, 1, {12, 32, 131072}},
}};

// Memory Stick sizes: the most pages of each code and its megabytes.
struct MemoryStickSize {
  win::DWORD maxPages;
  win::DWORD code;
  win::DWORD megabytes;
};

constexpr std::array<MemoryStickSize, 6> kMemoryStickSizes{{
    {8192, 32, 4},
    {16384, 33, 8},
    {32768, 34, 16},
    {65536, 35, 32},
    {131072, 36, 64},
    {262144, 37, 128},
}};

const MemoryStickSize* MemoryStickSizeOf(win::DWORD pages) {
  const auto* found = std::find_if(kMemoryStickSizes.begin(), kMemoryStickSizes.end(),
                                   [pages](const MemoryStickSize& size) { return pages <= size.maxPages; });
  return found == kMemoryStickSizes.end() ? nullptr : found;
}

}  // namespace

bool StartsWithNoMediaReply(std::span<const win::BYTE> reply) {
  return reply.size() >= 2 && win::ReadLe16(reply, 0) == win::kVendorNoCardReply;
}

VendorCdb CommandFirstCdb(win::BYTE subCommand, win::WORD transferLength) {
  VendorCdb cdb{win::kScsiVendorCommand, subCommand};
  win::WriteBe16(cdb, 6, transferLength);
  return cdb;
}

VendorCdb CommandFirstPageCdb(win::BYTE subCommand, win::DWORD page, win::WORD transferLength) {
  VendorCdb cdb = CommandFirstCdb(subCommand, transferLength);
  win::WriteBe32(cdb, 2, (page & 0xFFFFFF) << 8);
  return cdb;
}

VendorCdb CommandFirstBlockCdb(win::BYTE subCommand, win::WORD block, win::BYTE page, win::WORD transferLength) {
  VendorCdb cdb = CommandFirstCdb(subCommand, transferLength);
  cdb[3] = page;
  win::WriteBe16(cdb, 4, block);
  return cdb;
}

VendorCdb CommandLastCdb(win::BYTE subCommand, win::WORD transferLength) {
  VendorCdb cdb{};
  cdb[0] = static_cast<win::BYTE>(transferLength & 0xFF);
  cdb[6] = static_cast<win::BYTE>(transferLength >> 8);
  cdb[7] = subCommand;
  return cdb;
}

VendorCdb CommandLastPageCdb(win::BYTE subCommand, win::DWORD page, win::WORD transferLength) {
  VendorCdb cdb = CommandLastCdb(subCommand, transferLength);
  win::WriteBe32(cdb, 1, (page & 0xFFFFFF) << 8);
  return cdb;
}

VendorCdb CommandLastBlockCdb(win::BYTE subCommand, win::WORD block, win::BYTE page, win::WORD transferLength) {
  VendorCdb cdb = CommandLastCdb(subCommand, transferLength);
  cdb[2] = page;
  win::WriteBe16(cdb, 3, block);
  return cdb;
}

WideVendorCdb WideCdb(const VendorCdb& commandFirst) {
  WideVendorCdb cdb{};
  std::copy(commandFirst.begin(), commandFirst.end(), cdb.begin());
  cdb[1] = 0;
  cdb[9] = commandFirst[1];
  return cdb;
}

win::DWORD RedundantAreaSize(win::DWORD mediaSizeCode) {
  if (mediaSizeCode == 1 || mediaSizeCode == 2) return 128;
  if (mediaSizeCode == 3 || mediaSizeCode == 4) return 256;
  return 512;
}

win::DWORD SmartMediaPageBytes(win::DWORD mediaSizeCode) {
  return mediaSizeCode == 1 || mediaSizeCode == 2 ? 256 : 512;
}

std::optional<FlashGeometry> SmartMediaGeometry(win::BYTE idByte) {
  for (const auto& entry : kSmartMediaCodes) {
    const auto ids = std::span(entry.ids).first(entry.idCount);
    if (std::find(ids.begin(), ids.end(), idByte) != ids.end()) return entry.geometry;
  }
  return std::nullopt;
}

std::optional<win::DWORD> MemoryStickSizeCode(win::DWORD pages) {
  const auto* size = MemoryStickSizeOf(pages);
  return size != nullptr ? std::optional(size->code) : std::nullopt;
}

std::optional<win::DWORD> MemoryStickMegabytes(win::DWORD pages) {
  const auto* size = MemoryStickSizeOf(pages);
  return size != nullptr ? std::optional(size->megabytes) : std::nullopt;
}

std::optional<win::DWORD> MediaSizeCodeMegabytes(win::DWORD code) {
  if (code >= 1 && code <= 8) return win::DWORD{1} << (code - 1);
  const auto* found = std::find_if(kMemoryStickSizes.begin(), kMemoryStickSizes.end(),
                                   [code](const MemoryStickSize& size) { return size.code == code; });
  return found == kMemoryStickSizes.end() ? std::nullopt : std::optional(found->megabytes);
}

}  // namespace tarnlok

namespace tarnlok {

win::BYTE KindFromMediaStatus(win::DWORD status, bool withPro) {
  if ((status & kStatusMemoryStick) != 0) {
    return withPro && (status & kStatusMemoryStickPro) != 0 ? kMemoryStickPro : kMemoryStick;
  }
  if ((status & kStatusSmartMedia) != 0) return kSmartMedia;
  if ((status & kStatusCompactFlash) != 0) return kCompactFlash;
  if ((status & kStatusMmcSd) != 0) return kMmcSd;
  return kDeviceUnknown;
}

win::BYTE ReaderKindFromMediaStatus(win::DWORD status) {
  if ((status & kStatusSmartMedia) != 0) return kSmartMediaReader;
  if ((status & kStatusMemoryStick) != 0) return kMemoryStickReader;
  return 0;
}

}  // namespace tarnlok
