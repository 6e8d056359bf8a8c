// Test entry: every test process gets a data folder of its own, so C:, the registry and named
// objects never leak into the user's data, and is removed afterwards unless TARNLOK_KEEP_DATA
// is set. The platform keeps the folder's path for the whole process, so between cases the
// folder is emptied and what the process holds of it is started afresh: each case begins as
// in a process of its own, whether ctest runs the cases apart or together.
#include "tests/support/test_data_folder.h"

#include "platform/win/files/paths.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tarnlok::test_support {
namespace {

std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

// Empties the data home and starts the process's hold on it again before every case.
class FreshDataFolderPerCase : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    for (const auto& entry : std::filesystem::directory_iterator(Folder())) std::filesystem::remove_all(entry.path());
    win::RestartRegistry();
    win::SetCurrentDirectoryPath(win::ProgramFolder());
    win::StartProcess();
  }
};

}  // namespace

const std::filesystem::path& TestDataHome() { return Folder(); }

std::filesystem::path MakeTestDataHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarnlok-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

}  // namespace tarnlok::test_support

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto& folder = tarnlok::test_support::Folder();
  folder = tarnlok::test_support::MakeTestDataHome();
  ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
  ::testing::UnitTest::GetInstance()->listeners().Append(new tarnlok::test_support::FreshDataFolderPerCase);
  const int result = RUN_ALL_TESTS();
  if (std::getenv("TARNLOK_KEEP_DATA") == nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  return result;
}
