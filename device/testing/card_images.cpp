#include "device/testing/card_images.h"

#include "platform/win/layouts/byte_order.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace tarnlok::test_support {

std::vector<win::BYTE> NumberedImage(std::size_t sectors) {
  constexpr std::size_t kSector = 512;
  std::vector<win::BYTE> image(sectors * kSector, 0);
  for (std::size_t n = 0; n < sectors; ++n) win::WriteLe32(image, n * kSector, static_cast<win::DWORD>(n));
  return image;
}

std::vector<win::BYTE> FormattedVolume(int fatBits, std::size_t sectors, const std::string& label) {
  const auto path = tarnlok::test_support::TestDataHome() / ("fat" + std::to_string(fatBits) + ".img");
  std::filesystem::remove(path);
  const std::string labelOption = label.empty() ? std::string() : " -n '" + label + "'";
  const std::string command = "mkfs.fat -C -F " + std::to_string(fatBits) + " -i 1234ABCD" + labelOption + " '" +
                              path.string() + "' " + std::to_string(sectors / 2) + " >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream file(path, std::ios::binary);
  return std::vector<win::BYTE>(std::istreambuf_iterator<char>(file), {});
}

std::vector<win::BYTE> Partitioned(const std::vector<win::BYTE>& volume, win::DWORD start) {
  std::vector<win::BYTE> image(std::size_t{std::max<win::DWORD>(start, 1)} * 512, 0);
  image[446 + 4] = 0x06;
  win::WriteLe32(image, 454, start);
  win::WriteLe32(image, 458, static_cast<win::DWORD>(volume.size() / 512));
  win::WriteLe16(image, 510, 0xAA55);
  image.insert(image.end(), volume.begin(), volume.end());
  return image;
}

std::filesystem::path WriteImage(const std::string& name, const std::vector<win::BYTE>& bytes) {
  const auto path = tarnlok::test_support::TestDataHome() / name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

}  // namespace tarnlok::test_support
