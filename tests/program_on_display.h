// The program started as a person starts it, in a data folder of the test's own, and on a display
// of the test's own (Xvfb) where the test clicks and types through the X server (xdotool).
#pragma once

#include "platform/ui/dialogs/dialog_template.h"
#include "platform/win/system/process.h"
#include "tests/support/test_data_folder.h"
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace tarnlok::test_support {

using Clock = std::chrono::steady_clock;

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

inline std::string ReadAll(const std::filesystem::path& file) {
  std::ostringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}

// Output of a command line; empty when it fails.
inline std::string Output(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) output += chunk.data();
  ::pclose(pipe);
  return output;
}

inline bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
  for (const auto end = Clock::now() + limit; Clock::now() < end;) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return done();
}

// The program in a data folder of its own, its standard output and error in one file.
class Program {
 public:
  Program(const std::filesystem::path& home, const std::vector<std::string>& environment) : home_(home) {
    std::string command =
        "exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u TARNLOK_MACHINE XDG_DATA_HOME=" + Quoted(home);
    for (const auto& setting : environment) command += " " + setting;
    command += " " + Quoted(win::ExecutableFolder() / "Tarnlok");
    std::vector<std::string> args{"sh", "-c", command};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, OutputFile().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    if (posix_spawnp(&pid_, "sh", &files, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&files);
  }
  ~Program() {
    if (!status_ && pid_ != 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The wait status once the program has ended; none while it runs.
  std::optional<int> Status() {
    int status = 0;
    if (!status_ && pid_ != 0 && waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    return status_;
  }
  std::optional<int> WaitForEnd(std::chrono::seconds limit) {
    WaitFor([this] { return Status().has_value(); }, limit);
    return Status();
  }
  std::string Text() const { return ReadAll(OutputFile()); }

 private:
  std::filesystem::path OutputFile() const { return home_ / "output.txt"; }

  std::filesystem::path home_;
  pid_t pid_ = 0;
  std::optional<int> status_;
};

inline bool EndedWith(const std::optional<int>& status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

// A data folder whose settings skip the start-up notes.
inline std::filesystem::path HomeWithoutNotes() {
  const auto home = tarnlok::test_support::MakeTestDataHome();
  std::filesystem::create_directories(home / "tarnlok");
  std::ofstream(home / "tarnlok" / "registry")
      << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok V2\\Settings]\n\"START\"=hex:01\n";
  return home;
}

inline std::string CfReader(const std::string& letter, const std::string& image, int sectors) {
  return R"({"letter":")" + letter + R"(","card":{"kind":"cf","image":")" + image + R"(","sectors":)" +
         std::to_string(sectors) + "}}";
}

// A window manager (openbox) on a display, for what only a managed desktop shows: frames and
// captions, the stacking of owned windows, the sizes a frame allows. Ended with the object.
class WindowManager {
 public:
  explicit WindowManager(const std::string& display) : display_(display) {
    std::string command = "exec env DISPLAY=" + display + " openbox --sm-disable >/dev/null 2>&1";
    std::vector<std::string> args{"sh", "-c", command};
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "sh", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
  }
  ~WindowManager() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // Whether it manages the display: it has named itself on the root window.
  bool Running() const {
    return pid_ != 0 && WaitFor(
                            [&] {
                              return Output("DISPLAY=" + display_ + " xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                                         .find("window id") != std::string::npos;
                            },
                            std::chrono::seconds(10));
  }
  static bool Installed() { return std::system("command -v openbox >/dev/null && command -v xprop >/dev/null") == 0; }

 private:
  std::string display_;
  pid_t pid_ = 0;
};

// The program on a display of the test's own.
class ProgramOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DesktopToolsInstalled()) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
    }
    server_ = std::make_unique<XServer>();
    if (!server_->Running()) GTEST_SKIP() << "Xvfb did not start";
    home_ = HomeWithoutNotes();
    std::ofstream(home_ / "machine.json")
        << R"({"version":1,"readers":[)" + CfReader("E", "cf.img", 16384) + "," +
               R"({"maker":true,"letter":"F","card":{"kind":"sm","image":"sm.img","deviceCode":115}}]})";
  }
  void TearDown() override {
    program_.reset();
    windowManager_.reset();
    if (!home_.empty()) std::filesystem::remove_all(home_);
  }
  // Puts a window manager on the display before the program starts; skips without one.
  void ManageWindows() {
    if (!WindowManager::Installed()) GTEST_SKIP() << "openbox is not installed (scripts/install-deps installs it)";
    windowManager_ = std::make_unique<WindowManager>(server_->Display());
    if (!windowManager_->Running()) GTEST_SKIP() << "openbox did not start";
  }

  // Without a description the program makes its default machine in the data folder.
  void Start(const std::string& description = "machine.json") {
    // The desktop's opener is a stand-in that notes what it was handed, so that nothing opens.
    const auto desktop = home_ / "desktop";
    std::filesystem::create_directories(desktop);
    std::ofstream(desktop / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " << Quoted(OpenedFile()) << "\n";
    std::filesystem::permissions(desktop / "xdg-open", std::filesystem::perms::owner_all);
    std::vector<std::string> environment{"DISPLAY=" + server_->Display(), "QT_QPA_PLATFORM=xcb",
                                         "PATH=" + Quoted(desktop) + ":\"$PATH\""};
    if (!description.empty()) environment.push_back("TARNLOK_MACHINE=" + Quoted(home_ / description));
    program_ = std::make_unique<Program>(home_, environment);
  }
  // What the desktop's opener was handed, a line each.
  std::filesystem::path OpenedFile() const { return home_ / "opened-on-desktop"; }
  std::string X(const std::string& command) const { return Output("DISPLAY=" + server_->Display() + " " + command); }
  // The X window that shows the named window, once it is on the screen.
  std::string Window(const std::string& name) {
    std::string id;
    WaitFor([&] { return !(id = Showing(name)).empty(); }, std::chrono::seconds(60));
    return id;
  }
  // The X window that shows the named window now; empty when none does.
  std::string Showing(const std::string& name) const {
    std::string id;
    std::istringstream(X("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null")) >> id;
    return id;
  }
  struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
  };
  Geometry GeometryOf(const std::string& window) const {
    Geometry geometry;
    std::istringstream shell(X("xdotool getwindowgeometry --shell " + window));
    for (std::string line; std::getline(shell, line);) {
      const auto equals = line.find('=');
      if (equals == std::string::npos) continue;
      const int value = std::stoi(line.substr(equals + 1));
      const std::string key = line.substr(0, equals);
      if (key == "X") geometry.x = value;
      if (key == "Y") geometry.y = value;
      if (key == "WIDTH") geometry.width = value;
      if (key == "HEIGHT") geometry.height = value;
    }
    return geometry;
  }
  // Clicks at a point of a window given in dialog units, as its template places its controls.
  void ClickAt(const std::string& window, int x, int y) const {
    X("xdotool mousemove --window " + window + " " + std::to_string(ui::DialogUnitsToPixelsX(x)) + " " +
      std::to_string(ui::DialogUnitsToPixelsY(y)) + " click 1");
  }
  void Keys(const std::string& window, const std::string& keys) const {
    X("xdotool windowfocus --sync " + window + " key --clearmodifiers " + keys);
  }
  void Type(const std::string& window, const std::string& text) const {
    X("xdotool windowfocus --sync " + window + " type --delay 5 " + Quoted(text));
  }
  // A window of that name that is none of the known ones and none answered before: a box or a
  // file dialog that just opened, on the screen or (not yet mapped) holding the keyboard.
  std::string NewWindow(const std::vector<std::string>& known, const std::string& name, std::chrono::seconds limit) {
    const auto isNew = [&](const std::string& id) {
      return !id.empty() && std::find(known.begin(), known.end(), id) == known.end() &&
             std::find(answered_.begin(), answered_.end(), id) == answered_.end();
    };
    std::string id;
    const bool found = WaitFor(
        [&] {
          std::istringstream shown(X("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null"));
          while (shown >> id) {
            if (isNew(id)) return true;
          }
          id = FocusedWindow();
          return isNew(id) && X("xdotool getwindowname " + id + " 2>/dev/null") == name + "\n";
        },
        limit);
    return found ? id : std::string();
  }
  // Answers the next message box (they carry the main window's title) with keys, as a person at
  // the keyboard does; false when none opened in time or it stays.
  bool Answer(const std::vector<std::string>& known, const std::string& keys,
              std::chrono::seconds limit = std::chrono::seconds(60)) {
    const std::string box = NewWindow(known, "Tarnlok V2", limit);
    if (box.empty()) return false;
    answered_.push_back(box);
    // A box that is still being mapped misses the keys: press again, as a person would.
    for (int tries = 0; tries < 10; ++tries) {
      Keys(box, keys);
      if (WaitFor([&] { return !Visible(box); }, std::chrono::seconds(1))) return true;
    }
    return false;
  }
  bool Visible(const std::string& window) const {
    std::istringstream shown(X("xdotool search --onlyvisible --name . 2>/dev/null"));
    for (std::string id; shown >> id;) {
      if (id == window) return true;
    }
    return false;
  }
  std::string FocusedWindow() const {
    std::string id;
    std::istringstream(X("xdotool getwindowfocus 2>/dev/null")) >> id;
    return id;
  }
  // Types a host path into the file dialog of that title that opens and accepts it with Enter.
  bool AnswerFileDialog(const std::vector<std::string>& known, const std::string& title,
                        const std::filesystem::path& path) {
    const std::string dialog = NewWindow(known, title, std::chrono::seconds(30));
    if (dialog.empty()) return false;
    answered_.push_back(dialog);
    Keys(dialog, "ctrl+a");
    Type(dialog, path.string());
    Keys(dialog, "Return");
    // Gone from the screen too: a click meant for the window below would land on it.
    return WaitFor([&] { return FocusedWindow() != dialog && !Visible(dialog); }, std::chrono::seconds(10));
  }

  std::unique_ptr<XServer> server_;
  std::unique_ptr<WindowManager> windowManager_;
  std::filesystem::path home_;
  std::unique_ptr<Program> program_;
  std::vector<std::string> answered_;  // boxes and dialogs already answered, gone or going
};

}  // namespace tarnlok::test_support
