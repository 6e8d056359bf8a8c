// The 16-byte redundant area that SmartMedia keeps beside every 512 bytes of data (SSFDC
// physical format): bytes 0-3 reserved, 4 data status, 5 block status, 6-7 and 11-12 the
// block address, 8-10 the error-correcting code of the second 256 data bytes and 13-15 that of
// the first. Cards of 256-byte pages keep bytes 0-7 in the spare of the even page and 8-15 in
// that of the odd one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace machine {

constexpr std::size_t kRedundantSize = 16;
constexpr std::size_t kDataStatusAt = 4;
constexpr std::size_t kBlockStatusAt = 5;
constexpr std::size_t kBlockAddressAt = 6;  // the first copy of the block address
constexpr std::uint8_t kGoodStatus = 0xFF;
constexpr std::uint8_t kBadStatus = 0x00;
// The block address of the card information structure's block.
constexpr std::uint16_t kCisBlockAddress = 0x0000;

using Redundant = std::array<std::uint8_t, kRedundantSize>;

// The three code bytes of 256 data bytes in card order: line parity of address bits 3-0,
// line parity of address bits 7-4, column parity (the SmartMedia Hamming code).
std::array<std::uint8_t, 3> SmartMediaEcc(std::span<const std::uint8_t> half);

// The block address field of a logical block within its zone: 0001 0LLL LLLL LLLP with even
// parity over all sixteen bits.
std::uint16_t EncodeBlockAddress(std::uint32_t logicalInZone);
// The logical block of a block address field; none when it is not a valid one.
std::optional<std::uint32_t> DecodeBlockAddress(std::uint16_t field);

// The redundant area of a programmed 512-byte unit: status good, the address in both places
// and the code of each half.
Redundant RedundantFor(std::span<const std::uint8_t> unit, std::uint16_t blockAddress);

// The block's logical block within its zone from a unit's redundant area: the first valid copy
// of the address; none for the information structure's block, bad or unwritten blocks.
std::optional<std::uint32_t> LogicalOfRedundant(std::span<const std::uint8_t> redundant);

}  // namespace machine
