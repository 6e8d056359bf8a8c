#include "formatlib/flash/flash_road.h"

#include "formatlib/command/ata_command.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/vendor_block.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"

#include <pradvik_exports.h>

#include <algorithm>
#include <array>
#include <vector>

namespace pradvik {
namespace {

// On the ATA road a SmartMedia write set-up's sector count (the high byte of its extra value)
// carries the system-block flag of the count byte.
constexpr std::uint16_t kSystemBlockExtra = std::uint16_t{win::kVendorSystemBlock} << 8;
// Physical blocks 0 and 1 are erased under this logical number on the ATA road.
constexpr std::uint16_t kStickBootLogical = 8190;
constexpr std::size_t kSector = 512;
// A boot block's write: the count byte's flags, and no logical block.
constexpr std::uint8_t kBootBlockCount = win::kVendorCountFlag | win::kVendorSystemBlock;
constexpr std::uint16_t kNoLogicalBlock = 0xFFFF;

// One vendor command: the four address bytes (most significant first) and the length field.
struct VendorRequest {
  std::uint8_t command;
  std::uint32_t address;
  std::uint16_t length;
};

VendorBlock BlockFor(const FlashRoad& road, const VendorRequest& request) {
  const auto a = [&request](int shift) { return static_cast<std::uint8_t>(request.address >> shift); };
  const auto lengthHigh = static_cast<std::uint8_t>(request.length >> 8);
  const auto lengthLow = static_cast<std::uint8_t>(request.length);
  if (road.Newer()) return {win::kScsiVendorCommand, request.command, a(24), a(16), a(8), a(0), lengthHigh, lengthLow};
  const std::uint8_t drive = road.MemoryStick() ? 0xA0 : 0xB0;
  return OlderReaderBlock({lengthLow, a(24), a(16), a(8), a(0), drive, lengthHigh, request.command});
}

CommandResult SendVendor(const FlashRoad& road, const VendorRequest& request, std::uint8_t* data, std::uint32_t length,
                         std::uint8_t direction) {
  const std::uint8_t transport = road.Newer() ? road.transportKind : kTransportEightByte;
  return SendVendorBlock(road.handle, transport, BlockFor(road, request), data, length, direction, true, 0);
}

// The data of an ATA write set-up follow in a WRITE(10) of logical block 0.
CommandResult WriteAfterSetup(const FlashRoad& road, CommandResult setup, std::span<const std::uint8_t> data) {
  if (setup != 1) return setup;
  const auto sectors = static_cast<std::uint8_t>(data.size() / kSector);
  const std::array<std::uint8_t, 10> write10{win::kScsiWrite10, 0, 0, 0, 0, 0, 0, 0, sectors, 0};
  std::vector<std::uint8_t> copy(data.begin(), data.end());
  return SendScsiCommand(road.handle, write10, copy.data(), static_cast<std::uint32_t>(copy.size()), kDataOut);
}

std::uint16_t StickAtaAddress(std::uint32_t block, std::uint16_t logical) {
  return block < 2 ? kStickBootLogical : logical;
}

}  // namespace

bool FlashRoad::Newer() const { return IsNewerKind(deviceKind); }
bool FlashRoad::MemoryStick() const { return deviceKind == kKindMemoryStick || deviceKind == kKindNewerMemoryStick; }
bool FlashRoad::Ata() const { return Newer() && !IsScsiTransport(transportKind); }
std::uint32_t FlashRoad::ShortReply() const { return Newer() ? ReplyLength(transportKind, wideStatus, 2) : 2; }

bool IsNoCardReply(std::span<const std::uint8_t> reply) {
  return reply.size() >= 2 && win::ReadLe16(reply, 0) == win::kVendorNoCardReply;
}

CommandResult ReadRedundantArea(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t> reply) {
  if (road.Ata()) {
    std::array<std::uint8_t, kSector> sector{};
    const CommandResult result =
        SendAtaCommand(road.handle, LbaTaskFile(road.ataDriveSelect, win::kVendorReadRedundant, page, kSector, 0),
                       sector.data(), kSector, kDataIn, AtaPrompt::Ask);
    std::copy_n(sector.begin(), std::min(reply.size(), sector.size()), reply.begin());
    return result;
  }
  return SendVendor(road, {win::kVendorReadRedundant, page << 8, static_cast<std::uint16_t>(reply.size())},
                    reply.data(), static_cast<std::uint32_t>(reply.size()), kDataIn);
}

CommandResult ReadSmartMediaPages(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t> data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  if (road.Ata()) {
    return SendAtaCommand(road.handle, LbaTaskFile(road.ataDriveSelect, win::kVendorReadPages, page, length, 0),
                          data.data(), length, kDataIn, AtaPrompt::Ask);
  }
  return SendVendor(road, {win::kVendorReadPages, page << 8, static_cast<std::uint16_t>(length)}, data.data(), length,
                    kDataIn);
}

CommandResult EraseSmartMediaBlock(const FlashRoad& road, std::uint32_t page, std::span<std::uint8_t, 6> reply) {
  if (road.Ata()) {
    std::array<std::uint8_t, kSector> sector{};
    const CommandResult result =
        SendAtaCommand(road.handle, LbaTaskFile(road.ataDriveSelect, win::kVendorEraseBlock, page, kSector, 0),
                       sector.data(), kSector, kDataIn, AtaPrompt::Ask);
    std::copy_n(sector.begin(), reply.size(), reply.begin());
    return result;
  }
  return SendVendor(road, {win::kVendorEraseBlock, page << 8, 0}, reply.data(), road.ShortReply(), kDataIn);
}

CommandResult WriteSmartMediaPages(const FlashRoad& road, std::uint32_t page, std::uint8_t countByte,
                                   std::uint16_t logical, std::span<const std::uint8_t> data) {
  if (road.Ata()) {
    const std::uint16_t extra = (countByte & win::kVendorSystemBlock) != 0 ? kSystemBlockExtra : logical;
    const CommandResult setup =
        SendAtaCommand(road.handle, LbaTaskFile(road.ataDriveSelect, win::kVendorWritePages, page, 0, extra), nullptr,
                       0, kNoData, AtaPrompt::Ask);
    return WriteAfterSetup(road, setup, data);
  }
  std::vector<std::uint8_t> copy(data.begin(), data.end());
  return SendVendor(road, {win::kVendorWritePages, (page << 8) | countByte, logical}, copy.data(),
                    static_cast<std::uint32_t>(copy.size()), kDataOut);
}

CommandResult ReadExtraData(const FlashRoad& road, std::uint32_t block, std::span<std::uint8_t> reply) {
  if (road.Ata()) {
    std::array<std::uint8_t, kSector> sector{};
    const CommandResult result = SendAtaCommand(
        road.handle,
        ChsTaskFile(road.ataDriveSelect, win::kVendorReadExtra, 0, kSector, static_cast<std::uint16_t>(block), 0),
        sector.data(), kSector, kDataIn, AtaPrompt::Ask);
    std::copy_n(sector.begin(), std::min(reply.size(), sector.size()), reply.begin());
    return result;
  }
  return SendVendor(road, {win::kVendorReadExtra, block, 4}, reply.data(), static_cast<std::uint32_t>(reply.size()),
                    kDataIn);
}

CommandResult ReadStickPages(const FlashRoad& road, std::uint32_t block, std::uint8_t pageInBlock,
                             std::span<std::uint8_t> data) {
  const auto length = static_cast<std::uint32_t>(data.size());
  if (road.Ata()) {
    return SendAtaCommand(road.handle,
                          ChsTaskFile(road.ataDriveSelect, win::kVendorReadPages, 0, length,
                                      static_cast<std::uint16_t>(block), pageInBlock),
                          data.data(), length, kDataIn, AtaPrompt::Ask);
  }
  return SendVendor(
      road, {win::kVendorReadPages, (std::uint32_t{pageInBlock} << 16) | block, static_cast<std::uint16_t>(length)},
      data.data(), length, kDataIn);
}

CommandResult EraseStickBlock(const FlashRoad& road, std::uint32_t block, std::uint16_t logical, std::uint8_t eraseFlag,
                              std::span<std::uint8_t, 6> reply) {
  if (road.Ata()) {
    return SendAtaCommand(road.handle,
                          ChsTaskFile(road.ataDriveSelect, win::kVendorEraseBlock, StickAtaAddress(block, logical), 0,
                                      static_cast<std::uint16_t>(block), eraseFlag),
                          nullptr, 0, kNoData, AtaPrompt::Ask);
  }
  // The erase flag rides in the length field: its low byte on the older readers, high on the newer.
  const std::uint16_t flagField = road.Newer() ? static_cast<std::uint16_t>(eraseFlag << 8) : eraseFlag;
  return SendVendor(road, {win::kVendorEraseBlock, (std::uint32_t{logical} << 16) | block, flagField}, reply.data(),
                    road.ShortReply(), kDataIn);
}

CommandResult WriteStickPages(const FlashRoad& road, std::uint32_t block, std::uint8_t pageInBlock,
                              std::uint8_t countByte, std::uint16_t logical, std::span<const std::uint8_t> data) {
  if (road.Ata()) {
    const CommandResult setup = SendAtaCommand(road.handle,
                                               ChsTaskFile(road.ataDriveSelect, win::kVendorWritePages, logical, 0,
                                                           static_cast<std::uint16_t>(block), pageInBlock),
                                               nullptr, 0, kNoData, AtaPrompt::Ask);
    return WriteAfterSetup(road, setup, data);
  }
  std::vector<std::uint8_t> copy(data.begin(), data.end());
  return SendVendor(
      road, {win::kVendorWriteStickPages, (std::uint32_t{pageInBlock} << 24) | (block << 8) | countByte, logical},
      copy.data(), static_cast<std::uint32_t>(copy.size()), kDataOut);
}

CommandResult WriteStickBootBlock(const FlashRoad& road, std::uint32_t block, std::span<const std::uint8_t> data) {
  if (road.Ata()) {
    const CommandResult setup = SendAtaCommand(
        road.handle, BlockTaskFile(road.ataDriveSelect, win::kVendorWritePages, static_cast<std::uint16_t>(block)),
        nullptr, 0, kNoData, AtaPrompt::Ask);
    return WriteAfterSetup(road, setup, data);
  }
  const auto count = static_cast<std::uint8_t>(kBootBlockCount | (data.size() / kSector));
  return WriteStickPages(road, block, 0, count, kNoLogicalBlock, data);
}

CommandResult WriteExtraData(const FlashRoad& road, std::uint32_t block, std::span<const std::uint8_t, 4> extra) {
  if (road.Ata()) {
    const CommandResult setup =
        SendAtaCommand(road.handle,
                       ChsTaskFile(road.ataDriveSelect, win::kVendorWritePages, win::kVendorStickExtraWrite, 0,
                                   static_cast<std::uint16_t>(block), 0),
                       nullptr, 0, kNoData, AtaPrompt::Ask);
    std::array<std::uint8_t, kSector> page{};
    std::copy(extra.begin(), extra.end(), page.begin());
    return WriteAfterSetup(road, setup, page);
  }
  std::array<std::uint8_t, 6> bytes{};
  std::copy(extra.begin(), extra.end(), bytes.begin());
  const std::uint32_t length = road.Newer() ? ReplyLength(road.transportKind, road.wideStatus, 4) : 4;
  return SendVendor(road, {win::kVendorWriteRedundant, block, 4}, bytes.data(), length, kDataOut);
}

}  // namespace pradvik
