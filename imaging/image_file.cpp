#include "imaging/image_file.h"

namespace imaging {

bool ImageFile::PutC(int value) {
  const auto byte = static_cast<std::uint8_t>(value & 0xFF);
  return Write(&byte, 1, 1) == 1;
}

}  // namespace imaging
