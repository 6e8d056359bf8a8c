// Ordweft, the viewer a recovery run starts from the program folder: on a display it hands the
// output folder of the settings to the desktop's file manager (xdg-open, here a stand-in that
// notes what it was given); offscreen it opens nothing.
#include "platform/win/files/paths.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/system/process.h"
#include "tests/support/test_data_folder.h"
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

class Viewer : public testing::Test {
 protected:
  void SetUp() override {
    home_ = tarnlok::test_support::MakeTestDataHome();
    output_ = home_ / "found photos";
    std::filesystem::create_directories(output_);
    std::filesystem::create_directories(home_ / "tarnlok");
    StoreFolder(win::WindowsPathOfHost(output_));
    const auto bin = home_ / "bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << Quoted(opened_ = home_ / "opened")
                                    << "\n";
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

  // As the settings dialog stores the folder: without a terminating zero.
  void StoreFolder(const std::string& folder) {
    std::string hex;
    for (const char c : folder) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c));
      hex += (hex.empty() ? "" : ",") + std::string(byte);
    }
    std::ofstream(home_ / "tarnlok" / "registry") << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok "
                                                     "V2\\Settings]\n\"Default Folder\"=hex(1):"
                                                  << hex << "\n";
  }

  // The run's folder when the settings hold no folder it can use: C:\Recover of the viewer's drive C:.
  std::filesystem::path FallbackFolder() const {
    const auto folder = home_ / "tarnlok" / "drive_c" / "Recover";
    std::filesystem::create_directories(folder);
    return folder;
  }

  // A folder that exists, whose Windows path is exactly length characters long.
  std::string FolderOfLength(std::size_t length) const {
    std::filesystem::path host = output_;
    std::string path = win::WindowsPathOfHost(output_);
    while (path.size() < length) {
      // Each part with its backslash; never leave a single character for the last.
      const std::size_t left = length - path.size();
      const std::string part(left <= 201 ? left - 1 : 150, 'd');
      host /= part;
      path += "\\" + part;
    }
    std::filesystem::create_directories(host);
    return path;
  }

  // Starts an X server for the viewer; false, with the reason in skipReason_, when none runs.
  bool StartDisplay() {
    if (!tarnlok::test_support::DesktopToolsInstalled()) {
      skipReason_ = "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
      return false;
    }
    server_.emplace();
    skipReason_ = "Xvfb did not start";
    return server_->Running();
  }

  // Runs the viewer on the display and answers what it gave the file manager.
  std::string OpenedOnDisplay() {
    EXPECT_EQ(Run("DISPLAY=" + server_->Display()), 0);
    return Opened(std::chrono::seconds(10));
  }

  int Run(const std::string& screen) {
    const std::string command = "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY -u DISPLAY " + screen +
                                " PATH=" + Quoted(home_ / "bin") + ":\"$PATH\" XDG_DATA_HOME=" + Quoted(home_) +
                                " timeout 20 " + Quoted(win::ExecutableFolder() / "Ordweft") + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::string Opened(std::chrono::seconds limit) {
    for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
      std::ifstream file(opened_);
      std::ostringstream text;
      text << file.rdbuf();
      if (!text.str().empty()) return text.str();
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
  }

  std::filesystem::path home_;
  std::filesystem::path output_;
  std::filesystem::path opened_;
  std::optional<tarnlok::test_support::XServer> server_;
  std::string skipReason_;
};

TEST_F(Viewer, TheProgramFolderHoldsIt) {
  EXPECT_TRUE(std::filesystem::exists(win::DriveCFolder() / "Program Files" / "Tarnlok" / "Ordweft"));
}

TEST_F(Viewer, OnADisplayTheFileManagerShowsTheOutputFolder) {
  if (!StartDisplay()) GTEST_SKIP() << skipReason_;
  EXPECT_EQ(OpenedOnDisplay(), output_.string() + "\n");
}

TEST_F(Viewer, AFolderLongerThanTheRunReadsShowsTheRunsFallbackFolder) {
  if (!StartDisplay()) GTEST_SKIP() << skipReason_;
  StoreFolder(FolderOfLength(300));
  const auto fallback = FallbackFolder();
  EXPECT_EQ(OpenedOnDisplay(), fallback.string() + "\n");
}

TEST_F(Viewer, AFolderFillingTheRoomWithoutItsEndShowsTheRunsFallbackFolder) {
  if (!StartDisplay()) GTEST_SKIP() << skipReason_;
  StoreFolder(FolderOfLength(260));
  const auto fallback = FallbackFolder();
  EXPECT_EQ(OpenedOnDisplay(), fallback.string() + "\n");
}

TEST_F(Viewer, TheLongestFolderTheRunReadsIsShown) {
  if (!StartDisplay()) GTEST_SKIP() << skipReason_;
  const std::string folder = FolderOfLength(259);
  StoreFolder(folder);
  EXPECT_EQ(OpenedOnDisplay(), win::HostPathOf(folder)->string() + "\n");
}

TEST_F(Viewer, OffscreenItOpensNothing) {
  EXPECT_EQ(Run("QT_QPA_PLATFORM=offscreen"), 0);
  EXPECT_EQ(Opened(std::chrono::seconds(2)), "");
}

}  // namespace
