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
    // As the settings dialog stores the folder: without a terminating zero.
    std::string hex;
    for (const char c : win::WindowsPathOfHost(output_)) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(c));
      hex += (hex.empty() ? "" : ",") + std::string(byte);
    }
    std::ofstream(home_ / "tarnlok" / "registry") << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok "
                                                     "V2\\Settings]\n\"Default Folder\"=hex(1):"
                                                  << hex << "\n";
    const auto bin = home_ / "bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << Quoted(opened_ = home_ / "opened")
                                    << "\n";
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  }
  void TearDown() override { std::filesystem::remove_all(home_); }

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
};

TEST_F(Viewer, TheProgramFolderHoldsIt) {
  EXPECT_TRUE(std::filesystem::exists(win::DriveCFolder() / "Program Files" / "Tarnlok" / "Ordweft"));
}

TEST_F(Viewer, OnADisplayTheFileManagerShowsTheOutputFolder) {
  if (!tarnlok::test_support::DesktopToolsInstalled()) {
    GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
  }
  tarnlok::test_support::XServer server;
  if (!server.Running()) GTEST_SKIP() << "Xvfb did not start";
  EXPECT_EQ(Run("DISPLAY=" + server.Display()), 0);
  EXPECT_EQ(Opened(std::chrono::seconds(10)), output_.string() + "\n");
}

TEST_F(Viewer, OffscreenItOpensNothing) {
  EXPECT_EQ(Run("QT_QPA_PLATFORM=offscreen"), 0);
  EXPECT_EQ(Opened(std::chrono::seconds(2)), "");
}

}  // namespace
