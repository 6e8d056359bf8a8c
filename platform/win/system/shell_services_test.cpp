#include "platform/win/system/shell_services.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

constexpr int kRestore = 9;  // SW_RESTORE

// Records every launch instead of starting anything; answers as told.
class ShellServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetShellLauncher([this](const ShellLaunch& launch) {
      launches_.push_back(launch);
      return accept_;
    });
    std::filesystem::create_directories(programFolder_);
    std::filesystem::create_directories(DriveCFolder() / "Recovered");
  }
  void TearDown() override { SetShellLauncher(nullptr); }

  // The program folder links to the built programs: replace the link rather than write through it.
  static void MakeFile(const std::filesystem::path& path, std::filesystem::perms permissions) {
    std::filesystem::remove(path);
    std::ofstream(path) << "#!/bin/sh\n";
    std::filesystem::permissions(path, permissions);
  }

  static int Execute(const char* operation, const char* file, const char* parameters = nullptr,
                     const char* directory = nullptr) {
    return static_cast<int>(
        reinterpret_cast<std::uintptr_t>(ShellExecuteA(nullptr, operation, file, parameters, directory, kRestore)));
  }

  const std::filesystem::path programFolder_ = DriveCFolder() / "Program Files" / "Tarnlok";
  std::vector<ShellLaunch> launches_;
  bool accept_ = true;
};

TEST_F(ShellServicesTest, StartsProgramsOfTheProgramFolder) {
  MakeFile(programFolder_ / "Ordweft", std::filesystem::perms::owner_all);
  EXPECT_GT(Execute("open", "Ordweft.exe"), 32);
  EXPECT_GT(Execute(nullptr, "C:\\PROGRAM FILES\\TARNLOK\\ordweft.EXE", "-a \"two words\"", "C:\\Recovered"), 32);
  ASSERT_EQ(launches_.size(), 2U);
  for (const auto& launch : launches_) {
    EXPECT_EQ(launch.kind, ShellLaunch::Kind::Program);
    EXPECT_EQ(launch.target, (programFolder_ / "Ordweft").string());
  }
  EXPECT_TRUE(launches_[0].arguments.empty());
  EXPECT_EQ(launches_[1].arguments, (std::vector<std::string>{"-a", "two words"}));
  EXPECT_EQ(launches_[1].workingFolder, DriveCFolder() / "Recovered");
}

TEST_F(ShellServicesTest, ProgramsThatCannotRunAreRefused) {
  EXPECT_EQ(Execute("open", "Absent.exe"), SE_ERR_FNF);
  MakeFile(programFolder_ / "Locked.exe", std::filesystem::perms::owner_read);
  EXPECT_EQ(Execute("open", "Locked.exe"), SE_ERR_ACCESSDENIED);
  // Windows programs and scripts elsewhere never run.
  MakeFile(DriveCFolder() / "Recovered" / "setup.exe", std::filesystem::perms::owner_all);
  EXPECT_EQ(Execute("open", "C:\\Recovered\\setup.exe"), static_cast<int>(ERROR_BAD_FORMAT));
  MakeFile(programFolder_ / "run.bat", std::filesystem::perms::owner_all);
  EXPECT_EQ(Execute("open", "run.bat"), static_cast<int>(ERROR_BAD_FORMAT));
  EXPECT_TRUE(launches_.empty());
}

TEST_F(ShellServicesTest, DocumentsAndFoldersGoToTheDesktopOpener) {
  std::ofstream(DriveCFolder() / "Recovered" / "Photo1.jpg") << "x";
  EXPECT_GT(Execute("open", "Photo1.jpg", nullptr, "C:\\Recovered\\"), 32);
  EXPECT_GT(Execute("Open", "C:\\recovered"), 32);
  EXPECT_GT(Execute(nullptr, "mailto:support@example.com"), 32);
  ASSERT_EQ(launches_.size(), 3U);
  EXPECT_EQ(launches_[0].kind, ShellLaunch::Kind::Document);
  EXPECT_EQ(launches_[0].target, (DriveCFolder() / "Recovered" / "Photo1.jpg").string());
  EXPECT_EQ(launches_[1].target, (DriveCFolder() / "Recovered").string());
  EXPECT_EQ(launches_[2].target, "mailto:support@example.com");

  accept_ = false;
  EXPECT_EQ(Execute("open", "C:\\Recovered"), SE_ERR_NOASSOC);
}

TEST_F(ShellServicesTest, MissingFilesUnknownVerbsAndEmptyNamesFail) {
  EXPECT_EQ(Execute("open", "C:\\Recovered\\gone.jpg"), SE_ERR_FNF);
  EXPECT_EQ(Execute("open", "C:\\Nowhere\\gone.jpg"), SE_ERR_PNF);
  EXPECT_EQ(Execute("print", "C:\\Recovered"), SE_ERR_NOASSOC);
  EXPECT_EQ(Execute("open", ""), SE_ERR_FNF);
  EXPECT_EQ(Execute("open", nullptr), SE_ERR_FNF);
  EXPECT_TRUE(launches_.empty());
}

TEST_F(ShellServicesTest, WinExecNeverRunsItsCommandLine) {
  SetLastError(0xDEADBEEF);
  EXPECT_EQ(WinExec("/bin/sh -c \"touch /tmp/tarnlok-winexec\"", kRestore), ERROR_FILE_NOT_FOUND);
  EXPECT_LE(WinExec("Ordweft.exe", kRestore), 31U);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(launches_.empty());
}

TEST_F(ShellServicesTest, PlaySoundPlaysExistingWaveFilesOnly) {
  std::ofstream(DriveCFolder() / "click.wav") << "RIFF";
  EXPECT_TRUE(PlaySound("C:\\click.wav", nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
  EXPECT_TRUE(PlaySound("C:\\click.wav", nullptr, SND_FILENAME | SND_SYNC));
  ASSERT_EQ(launches_.size(), 2U);
  EXPECT_EQ(launches_[0].kind, ShellLaunch::Kind::Sound);
  EXPECT_EQ(launches_[0].target, (DriveCFolder() / "click.wav").string());
  EXPECT_FALSE(launches_[0].wait);
  EXPECT_TRUE(launches_[1].wait);

  EXPECT_FALSE(PlaySound("C:\\missing.wav", nullptr, SND_FILENAME | SND_ASYNC));
  EXPECT_FALSE(PlaySound("SystemExclamation", nullptr, SND_ALIAS));
  EXPECT_TRUE(PlaySound(nullptr, nullptr, 0));
  EXPECT_EQ(launches_.size(), 2U);
  // Without a sound device the desktop's launcher declines, and so does PlaySound.
  accept_ = false;
  EXPECT_FALSE(PlaySound("C:\\click.wav", nullptr, SND_FILENAME | SND_ASYNC));
}

}  // namespace
}  // namespace win

namespace win {
namespace {

TEST(DesktopLauncher, StartsAProgramInItsFolderWithoutAShell) {
  SetShellLauncher(nullptr);
  const auto folder = DataFolder() / "launch";
  std::filesystem::create_directories(folder);
  const auto script = folder / "record";
  std::ofstream(script) << "#!/bin/sh\npwd > \"$1.tmp\"\nprintf '%s\\n' \"$2\" >> \"$1.tmp\"\nmv \"$1.tmp\" \"$1\"\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const auto result = folder / "result";
  ASSERT_TRUE(
      LaunchOnDesktop({ShellLaunch::Kind::Program, script.string(), {result.string(), "a; rm -rf b"}, "/tmp", false}));
  for (int i = 0; i < 500 && !std::filesystem::exists(result); ++i) ::usleep(10'000);
  std::ifstream in(result);
  std::string workingFolder;
  std::string argument;
  std::getline(in, workingFolder);
  std::getline(in, argument);
  EXPECT_EQ(workingFolder, "/tmp");
  EXPECT_EQ(argument, "a; rm -rf b");
}

}  // namespace
}  // namespace win
