// The Hamming code of the SmartMedia physical format: 22 parity bits in three bytes per 256
// data bytes, correcting one flipped data bit and detecting two.
#pragma once

#include <cstdint>
#include <span>

namespace pradvik {

struct EccBytes {
  std::uint8_t x = 0;  // line parity of address bits 7 to 4
  std::uint8_t y = 0;  // line parity of address bits 3 to 0
  std::uint8_t z = 0;  // column parity
};

enum EccResult : std::uint8_t { kEccClean = 0, kEccDataCorrected = 1, kEccCodeReplaced = 2, kEccUncorrectable = 3 };

EccBytes CalcSmartMediaEcc(std::span<const std::uint8_t, 256> data);
// block: 256 data bytes followed by the three code bytes as the card stores them (Y, X, Z).
// Corrects a single data bit in place, or replaces wrong code bytes with the computed ones.
EccResult CorrectSmartMediaEcc(std::span<std::uint8_t, 259> block, const EccBytes& computed);

}  // namespace pradvik
