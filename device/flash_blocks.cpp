#include "device/flash_blocks.h"

#include "platform/win/layouts/byte_order.h"

namespace tarnlok {
namespace {

constexpr std::size_t kSmBlockStatus = 5;
constexpr std::size_t kSmAddressWord = 6;
constexpr std::size_t kSmAddressCopy = 11;
constexpr win::BYTE kGoodBlock = 0xFF;
constexpr win::WORD kSmAddressMark = 0x1000;
constexpr win::BYTE kMsOverwriteGood = 0x80;
constexpr win::BYTE kMsManagementNotSystem = 0x04;

}  // namespace

FlashBlock ClassifyMemoryStickBlock(std::span<const win::BYTE, kMemoryStickExtraBytes> extra) {
  if ((extra[0] & kMsOverwriteGood) == 0) return {FlashBlockRole::kBad, kUnusedLogicalBlock};
  if ((extra[1] & kMsManagementNotSystem) == 0) return {FlashBlockRole::kSystem, kUnusedLogicalBlock};
  const win::WORD logical = win::ReadBe16(extra, 2);
  return {logical == kUnusedLogicalBlock ? FlashBlockRole::kUnused : FlashBlockRole::kUsed, logical};
}

FlashBlock ClassifySmartMediaBlock(std::span<const win::BYTE> redundant) {
  if (win::ReadU8(redundant, kSmBlockStatus) != kGoodBlock) return {FlashBlockRole::kBad, kUnusedLogicalBlock};
  const win::WORD word = win::ReadBe16(redundant, kSmAddressWord);
  if (word == 0) return {FlashBlockRole::kSystem, 0};
  if (word != 0xFFFF && word == win::ReadBe16(redundant, kSmAddressCopy) && (word & kSmAddressMark) != 0) {
    return {FlashBlockRole::kUsed, static_cast<win::WORD>((word >> 1) & 0x3FF)};
  }
  return {FlashBlockRole::kUnused, kUnusedLogicalBlock};
}

}  // namespace tarnlok
