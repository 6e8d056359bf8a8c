#include "formatlib/flash/smartmedia_ecc.h"

#include <array>
#include <bit>

namespace pradvik {
namespace {

constexpr std::uint8_t Parity(unsigned value) { return static_cast<std::uint8_t>(std::popcount(value) & 1); }

// Per data byte: bit 6 the parity of the whole byte, bits 5 to 0 its column parities.
constexpr std::array<std::uint8_t, 256> kParityTable = [] {
  std::array<std::uint8_t, 256> table{};
  for (unsigned v = 0; v < 256; ++v) {
    table[v] = static_cast<std::uint8_t>((Parity(v) << 6) | (Parity(v & 0xF0) << 5) | (Parity(v & 0x0F) << 4) |
                                         (Parity(v & 0xCC) << 3) | (Parity(v & 0x33) << 2) | (Parity(v & 0xAA) << 1) |
                                         Parity(v & 0x55));
  }
  return table;
}();

// Interleaves bits k of the two line registers, k from high down to low, most significant first.
std::uint8_t Interleave(std::uint8_t odd, std::uint8_t even, int high) {
  std::uint8_t out = 0;
  for (int k = high; k > high - 4; --k) {
    out = static_cast<std::uint8_t>((out << 2) | (((odd >> k) & 1) << 1) | ((even >> k) & 1));
  }
  return out;
}

}  // namespace

EccBytes CalcSmartMediaEcc(std::span<const std::uint8_t, 256> data) {
  std::uint8_t column = 0;
  std::uint8_t line1 = 0;
  std::uint8_t line0 = 0;
  for (unsigned i = 0; i < 256; ++i) {
    const std::uint8_t t = kParityTable[data[i]];
    column ^= t & 0x3F;
    if ((t & 0x40) != 0) {
      line1 ^= static_cast<std::uint8_t>(i);
      line0 ^= static_cast<std::uint8_t>(~i);
    }
  }
  EccBytes code;
  code.x = static_cast<std::uint8_t>(~Interleave(line1, line0, 7));
  code.y = static_cast<std::uint8_t>(~Interleave(line1, line0, 3));
  code.z = static_cast<std::uint8_t>(((~column) << 2) | 3);
  return code;
}

EccResult CorrectSmartMediaEcc(std::span<std::uint8_t, 259> block, const EccBytes& computed) {
  const std::uint8_t readY = block[256];
  const std::uint8_t readX = block[257];
  const std::uint8_t readZ = block[258];
  const std::uint32_t d = (std::uint32_t(computed.x ^ readX) << 16) | (std::uint32_t(computed.y ^ readY) << 8) |
                          std::uint32_t(computed.z ^ readZ);
  if (d == 0) return kEccClean;
  if (((d ^ (d >> 1)) & 0x555554) == 0x555554) {
    unsigned byteIndex = 0;
    for (int bit = 23; bit >= 9; bit -= 2) byteIndex = (byteIndex << 1) | ((d >> bit) & 1);
    unsigned bitNumber = 0;
    for (int bit = 7; bit >= 3; bit -= 2) bitNumber = (bitNumber << 1) | ((d >> bit) & 1);
    block[byteIndex] ^= static_cast<std::uint8_t>(1U << bitNumber);
    return kEccDataCorrected;
  }
  if (std::popcount(d) == 1) {
    block[256] = computed.y;
    block[257] = computed.x;
    block[258] = computed.z;
    return kEccCodeReplaced;
  }
  return kEccUncorrectable;
}

}  // namespace pradvik
