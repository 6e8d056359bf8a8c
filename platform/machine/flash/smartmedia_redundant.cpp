#include "platform/machine/smartmedia_redundant.h"

#include "platform/win/byte_order.h"

#include <bit>

namespace machine {
namespace {

constexpr std::size_t kHalf = 256;
constexpr std::size_t kAddressCopyAt = 11;
constexpr std::size_t kSecondEccAt = 8;
constexpr std::size_t kFirstEccAt = 13;
constexpr std::uint16_t kAddressMark = 0x1000;
constexpr std::uint16_t kAddressMarkMask = 0xF800;
constexpr std::uint32_t kAddressBits = 0x3FF;

// Spreads the eight line-parity pairs of address bits [low, low + 4) over one code byte: for
// each bit from the highest, the parity of the lines with that address bit set, then clear.
std::uint8_t LineParityByte(std::uint8_t withBit, std::uint8_t withoutBit, int low) {
  std::uint8_t code = 0;
  for (int bit = low + 3; bit >= low; --bit) {
    code = static_cast<std::uint8_t>((code << 2) | (((withBit >> bit) & 1) << 1) | ((withoutBit >> bit) & 1));
  }
  return code;
}

// The six column parities of a byte value: bits 1-2-4 groups set and clear, as in the code's
// column parity byte (CP5 ... CP0 from the most significant bit).
std::uint8_t ColumnParity(std::uint8_t value) {
  const auto parity = [value](std::uint8_t mask) {
    return static_cast<std::uint8_t>(std::popcount<unsigned>(value & mask) & 1);
  };
  return static_cast<std::uint8_t>((parity(0xF0) << 5) | (parity(0x0F) << 4) | (parity(0xCC) << 3) |
                                   (parity(0x33) << 2) | (parity(0xAA) << 1) | parity(0x55));
}

}  // namespace

std::array<std::uint8_t, 3> SmartMediaEcc(std::span<const std::uint8_t> half) {
  std::uint8_t columns = 0;
  std::uint8_t withBit = 0;
  std::uint8_t withoutBit = 0;
  for (std::size_t i = 0; i < kHalf && i < half.size(); ++i) {
    columns ^= ColumnParity(half[i]);
    if ((std::popcount<unsigned>(half[i]) & 1) != 0) {
      withBit ^= static_cast<std::uint8_t>(i);
      withoutBit ^= static_cast<std::uint8_t>(~i);
    }
  }
  // The code is stored inverted, so an erased page (all ones) carries a matching code.
  const auto low = static_cast<std::uint8_t>(~LineParityByte(withBit, withoutBit, 0));
  const auto high = static_cast<std::uint8_t>(~LineParityByte(withBit, withoutBit, 4));
  const auto column = static_cast<std::uint8_t>((~columns << 2) | 0x03);
  return {low, high, column};
}

std::uint16_t EncodeBlockAddress(std::uint32_t logicalInZone) {
  const auto field = static_cast<std::uint16_t>(kAddressMark | ((logicalInZone & kAddressBits) << 1));
  return static_cast<std::uint16_t>(field | (std::popcount<unsigned>(field) & 1));
}

std::optional<std::uint32_t> DecodeBlockAddress(std::uint16_t field) {
  if ((field & kAddressMarkMask) != kAddressMark || (std::popcount<unsigned>(field) & 1) != 0) return std::nullopt;
  return (field >> 1) & kAddressBits;
}

Redundant RedundantFor(std::span<const std::uint8_t> unit, std::uint16_t blockAddress) {
  Redundant redundant;
  redundant.fill(0xFF);
  win::WriteBe16(redundant, kBlockAddressAt, blockAddress);
  win::WriteBe16(redundant, kAddressCopyAt, blockAddress);
  const auto first = SmartMediaEcc(unit.first(kHalf));
  const auto second = SmartMediaEcc(unit.subspan(kHalf, kHalf));
  std::copy(second.begin(), second.end(), redundant.begin() + kSecondEccAt);
  std::copy(first.begin(), first.end(), redundant.begin() + kFirstEccAt);
  return redundant;
}

std::optional<std::uint32_t> LogicalOfRedundant(std::span<const std::uint8_t> redundant) {
  if (redundant.size() < kRedundantSize || redundant[kBlockStatusAt] != kGoodStatus) return std::nullopt;
  if (const auto logical = DecodeBlockAddress(win::ReadBe16(redundant, kBlockAddressAt))) return logical;
  return DecodeBlockAddress(win::ReadBe16(redundant, kAddressCopyAt));
}

}  // namespace machine
