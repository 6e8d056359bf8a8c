// The search for the card information structure a SmartMedia card already carries: the first
// blocks of the card, skipping blocks whose redundant area marks them bad, the first page of
// each compared with the structure's signature.
#pragma once

#include "formatlib/flash/format_context.h"

#include <array>
#include <cstdint>
#include <span>

namespace pradvik {

// Where the search reads from: the card through a reader, or recorded answers.
class CisSearchSource {
 public:
  virtual ~CisSearchSource() = default;
  // Command results as the command layer gives them; 0 is a failure.
  virtual std::uint8_t ReadRedundant(std::uint32_t page, std::span<std::uint8_t> reply) = 0;
  virtual std::uint8_t ReadPage(std::uint32_t page, std::span<std::uint8_t, 512> data) = 0;
};

struct CisSearchResult {
  bool found = false;
  std::uint32_t cisPage = 0;
  bool nothingReadable = false;
  std::array<std::uint8_t, 3> firstHalfEcc{};  // redundant bytes 13 to 15
  std::array<std::uint8_t, 3> secondHalfEcc{};  // redundant bytes 8 to 10
};

bool HasCisSignature(std::span<const std::uint8_t> page);
// Searches the code's first blocks; page receives the page in which the structure was found.
CisSearchResult SearchCis(CisSearchSource& source, std::uint8_t mediaCode, std::span<std::uint8_t, 512> page);
// The same on the card of a format, with no prompt on a failing command.
CisSearchResult FindCisBlock(const FormatContext& context, std::span<std::uint8_t, 512> page);

}  // namespace pradvik
