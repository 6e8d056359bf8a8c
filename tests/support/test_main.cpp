// Test entry: every test process gets a data folder of its own, so C:, the registry and named
// objects never leak between tests or into the user's data, and is removed afterwards unless
// TARNLOK_KEEP_DATA is set.
#include "tests/support/test_data_folder.h"

#include "platform/win/system/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tarnlok::testing {
namespace {

std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

}  // namespace

const std::filesystem::path& TestDataHome() { return Folder(); }

std::filesystem::path MakeTestDataHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace tarnlok::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto& folder = tarnlok::testing::Folder();
  folder = tarnlok::testing::MakeTestDataHome();
  ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  win::StartProcess();
  const int result = RUN_ALL_TESTS();
  if (std::getenv("TARNLOK_KEEP_DATA") == nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  return result;
}
