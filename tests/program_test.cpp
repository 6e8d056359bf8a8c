// The program as a person meets it: started from a terminal with a machine description or a
// data folder it cannot use, and on a display of the test's own (Xvfb), closed and answered
// through the X server with clicks and keys (xdotool), as a person's mouse and keyboard do.
#include "platform/win/system/process.h"
#include "tests/support/test_data_folder.h"
#include "tests/support/x_server.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string ReadAll(const std::filesystem::path& file) {
  std::ostringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}

// Output of a command line; empty when it fails.
std::string Output(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 256> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) output += chunk.data();
  ::pclose(pipe);
  return output;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
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

bool EndedWith(const std::optional<int>& status, int code) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

// A data folder whose settings skip the start-up notes.
std::filesystem::path HomeWithoutNotes() {
  const auto home = tarnlok::test_support::MakeTestDataHome();
  std::filesystem::create_directories(home / "tarnlok");
  std::ofstream(home / "tarnlok" / "registry")
      << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Quarnwell\\Tarnlok V2\\Settings]\n\"START\"=hex:01\n";
  return home;
}

void WriteImage(const std::filesystem::path& file, std::uintmax_t sectors) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary).close();
  std::filesystem::resize_file(file, sectors * 512);
}

struct Failure {
  const char* what;
  std::string description;  // the machine description; empty: none is written
  std::function<void(const std::filesystem::path& home)> prepare;
  std::vector<std::string> told;  // what the message names
  std::string machine = "machine.json";  // TARNLOK_MACHINE in the data home; empty: not set
};

std::string CfReader(const std::string& letter, const std::string& image, int sectors) {
  return R"({"letter":")" + letter + R"(","card":{"kind":"cf","image":")" + image + R"(","sectors":)" +
         std::to_string(sectors) + "}}";
}

TEST(Program, EachStartUpFailureIsToldWithItsFileAndReasonAndEndsWithStatusOne) {
  // clang-format off
  const std::vector<Failure> failures{
      {"bad JSON", "{\"version\": 1, \"windows\": xp}", nullptr,
       {"machine.json: line 1, column 27: not valid JSON: syntax error"}},
      {"an unsupported version", R"({"version": 2})", nullptr, {"machine.json: version: must be 1"}},
      {"a wrong size", R"({"version":1,"readers":[)" + CfReader("E", "cards/cf.img", 2048) + "]}",
       [](const auto& home) { WriteImage(home / "cards" / "cf.img", 1000); },
       {"cf.img holds 1000 sectors, the description says 2048"}},
      {"a card in a folder that cannot be made", R"({"version":1,"readers":[)" + CfReader("E", "plain/cf.img", 2048) + "]}",
       [](const auto& home) { std::ofstream(home / "plain") << "a file where a folder belongs"; },
       {"plain/cf.img cannot be made: Not a directory"}},
      {"a description in a folder that cannot be made", "",
       [](const auto& home) { std::ofstream(home / "plain") << "a file where a folder belongs"; },
       {"/plain: "}, "plain/machine.json"},
      {"an image that cannot be opened", R"({"version":1,"readers":[)" + CfReader("E", "cards", 2048) + "]}",
       [](const auto& home) { std::filesystem::create_directories(home / "cards"); },
       {"cards cannot be opened: Is a directory"}},
      {"two readers naming one image",
       R"({"version":1,"readers":[)" + CfReader("E", "cf.img", 2048) + "," + CfReader("F", "cf.img", 2048) + "]}",
       nullptr, {"machine.json: readers[1].card.image: cf.img is the card in reader E: already"}},
      {"a data folder that cannot be written", "",
       [](const auto& home) { std::ofstream(home / "tarnlok") << "a file where the data folder belongs"; },
       {"the data folder cannot be written: ", "/tarnlok: Not a directory"}, ""},
  };
  // clang-format on
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.what);
    const auto home = tarnlok::test_support::MakeTestDataHome();
    if (failure.prepare) failure.prepare(home);
    std::vector<std::string> environment;
    if (!failure.description.empty()) std::ofstream(home / failure.machine) << failure.description;
    if (!failure.machine.empty()) environment.push_back("TARNLOK_MACHINE=" + Quoted(home / failure.machine));
    Program program(home, environment);
    EXPECT_TRUE(EndedWith(program.WaitForEnd(std::chrono::seconds(30)), 1)) << program.Text();
    const std::string text = program.Text();
    EXPECT_NE(text.find("there is no display"), std::string::npos) << "says it runs offscreen: " << text;
    EXPECT_NE(text.find("Tarnlok cannot start: "), std::string::npos) << text;
    for (const auto& named : failure.told) EXPECT_NE(text.find(named), std::string::npos) << named << " in " << text;
    EXPECT_EQ(text.find("json.exception"), std::string::npos) << text;
    EXPECT_EQ(text.find("terminate called"), std::string::npos) << text;
    std::filesystem::remove_all(home);
  }
}

// The program on a display of the test's own.
class ProgramOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tarnlok::test_support::DesktopToolsInstalled()) {
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/install-deps installs them)";
    }
    server_ = std::make_unique<tarnlok::test_support::XServer>();
    if (!server_->Running()) GTEST_SKIP() << "Xvfb did not start";
    home_ = HomeWithoutNotes();
    std::ofstream(home_ / "machine.json")
        << R"({"version":1,"readers":[)" + CfReader("E", "cf.img", 16384) + "," +
               R"({"maker":true,"letter":"F","card":{"kind":"sm","image":"sm.img","deviceCode":115}}]})";
  }
  void TearDown() override {
    program_.reset();
    if (!home_.empty()) std::filesystem::remove_all(home_);
  }

  void Start(const std::string& description = "machine.json") {
    program_ = std::make_unique<Program>(
        home_, std::vector<std::string>{"DISPLAY=" + server_->Display(), "QT_QPA_PLATFORM=xcb",
                                        "TARNLOK_MACHINE=" + Quoted(home_ / description)});
  }
  std::string X(const std::string& command) const { return Output("DISPLAY=" + server_->Display() + " " + command); }
  // The X window that shows the named window, once it is on the screen.
  std::string Window(const std::string& name) {
    std::string id;
    WaitFor(
        [&] {
          std::istringstream found(X("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null"));
          return static_cast<bool>(found >> id);
        },
        std::chrono::seconds(60));
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
  // Clicks at a point of the main window given in its template's dialog units (444 x 312).
  void ClickMainWindowAt(const std::string& window, double x, double y) const {
    const Geometry main = GeometryOf(window);
    const int px = static_cast<int>(x * main.width / 444);
    const int py = static_cast<int>(y * main.height / 312);
    X("xdotool mousemove --window " + window + " " + std::to_string(px) + " " + std::to_string(py) + " click 1");
  }
  void Keys(const std::string& window, const std::string& keys) const {
    X("xdotool windowfocus --sync " + window + " key --clearmodifiers " + keys);
  }

  std::unique_ptr<tarnlok::test_support::XServer> server_;
  std::filesystem::path home_;
  std::unique_ptr<Program> program_;
};

TEST_F(ProgramOnDisplay, TheCloseBoxEndsTheProgramWithStatusZero) {
  Start();
  const std::string main = Window("Tarnlok V2");
  ASSERT_FALSE(main.empty()) << program_->Text();
  // The close box: 12 x 11 units at (418, 10) of the caption.
  ClickMainWindowAt(main, 424, 15);
  EXPECT_TRUE(EndedWith(program_->WaitForEnd(std::chrono::seconds(30)), 0)) << program_->Text();
}

TEST_F(ProgramOnDisplay, EscapeEndsTheProgramWithStatusZero) {
  Start();
  const std::string main = Window("Tarnlok V2");
  ASSERT_FALSE(main.empty()) << program_->Text();
  Keys(main, "Escape");
  EXPECT_TRUE(EndedWith(program_->WaitForEnd(std::chrono::seconds(30)), 0)) << program_->Text();
}

TEST_F(ProgramOnDisplay, ThePanelStandsBesideTheMainWindowAndEnterAndEscapeThereEndNothing) {
  Start();
  const std::string main = Window("Tarnlok V2");
  const std::string panel = Window("Machine");
  ASSERT_FALSE(main.empty() || panel.empty()) << program_->Text();
  ASSERT_TRUE(WaitFor(
      [&] {
        const Geometry one = GeometryOf(main);
        const Geometry other = GeometryOf(panel);
        return other.x >= one.x + one.width || other.x + other.width <= one.x || other.y >= one.y + one.height ||
               other.y + other.height <= one.y;
      },
      std::chrono::seconds(10)))
      << "the panel stands clear of the main window";
  Keys(panel, "Return Escape");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_FALSE(program_->Status().has_value()) << program_->Text();
  EXPECT_FALSE(Window("Machine").empty()) << "the panel stays open";
  ClickMainWindowAt(main, 424, 15);
  EXPECT_TRUE(EndedWith(program_->WaitForEnd(std::chrono::seconds(30)), 0)) << program_->Text();
}

TEST_F(ProgramOnDisplay, AStartUpFailureIsShownInAWindowUntilThePersonAnswers) {
  std::ofstream(home_ / "bad.json") << "{\"version\": 1,";
  Start("bad.json");
  const std::string box = Window("Tarnlok");
  ASSERT_FALSE(box.empty()) << program_->Text();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_FALSE(program_->Status().has_value()) << "the box waits for its answer";
  Keys(box, "Return");
  EXPECT_TRUE(EndedWith(program_->WaitForEnd(std::chrono::seconds(30)), 1)) << program_->Text();
  EXPECT_NE(program_->Text().find("bad.json: line 1, column 14: not valid JSON"), std::string::npos)
      << program_->Text();
}

}  // namespace
