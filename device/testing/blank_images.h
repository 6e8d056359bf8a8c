// Large plain card images for the device tests that measure cards without reading them: the
// file is sparse, so a card of gigabytes costs nothing to make.
#pragma once

#include "tests/support/test_data_folder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarnlok::test_support {

// A zero-filled image of that many 512-byte sectors in the test's data folder.
inline std::filesystem::path WriteBlankImage(const std::string& name, std::uint64_t sectors) {
  const auto path = TestDataHome() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).close();
  std::filesystem::resize_file(path, sectors * 512);
  return path;
}

}  // namespace tarnlok::test_support
