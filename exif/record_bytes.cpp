#include "record_bytes.h"

#include <algorithm>

namespace viduvod {

void StoreLe16(std::span<std::uint8_t> field, std::uint16_t value) {
  field[0] = static_cast<std::uint8_t>(value);
  field[1] = static_cast<std::uint8_t>(value >> 8);
}

void StoreLe32(std::span<std::uint8_t> field, std::uint32_t value) {
  StoreLe16(field, static_cast<std::uint16_t>(value));
  StoreLe16(field.subspan(2), static_cast<std::uint16_t>(value >> 16));
}

void StoreText(std::span<std::uint8_t> field, std::string_view text) {
  std::fill(field.begin(), field.end(), std::uint8_t{0});
  std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

}  // namespace viduvod
