// Raw flash command blocks for tests, in the two forms the readers take: command first (0x20,
// the sub-command, then address and length), and command last (the older firmware's blocks
// turned round, 0xB0 before the length's high byte and the sub-command at the end).
#pragma once

#include <cstdint>
#include <vector>

namespace machine::test_support {

// A SmartMedia page command, command first: the page in the three address bytes after the
// sub-command, then byte5 (a write's count) and the length.
inline std::vector<std::uint8_t> First(std::uint8_t sub, std::uint32_t page, std::uint8_t byte5, std::uint16_t length) {
  return {0x20,
          sub,
          std::uint8_t(page >> 16),
          std::uint8_t(page >> 8),
          std::uint8_t(page),
          byte5,
          std::uint8_t(length >> 8),
          std::uint8_t(length)};
}

// The same command, command last.
inline std::vector<std::uint8_t> Last(std::uint8_t sub, std::uint32_t page, std::uint8_t byte4, std::uint16_t length) {
  return {std::uint8_t(length),
          std::uint8_t(page >> 16),
          std::uint8_t(page >> 8),
          std::uint8_t(page),
          byte4,
          0xB0,
          std::uint8_t(length >> 8),
          sub};
}

}  // namespace machine::test_support
