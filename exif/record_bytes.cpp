#include "exif/record_bytes.h"

#include <algorithm>

namespace viduvod {

void StoreText(std::span<std::uint8_t> field, std::string_view text) {
  std::fill(field.begin(), field.end(), std::uint8_t{0});
  std::copy_n(text.begin(), std::min(text.size(), field.size()), field.begin());
}

}  // namespace viduvod
