// The program as a person meets it: started from a terminal with a machine description or a
// data folder it cannot use, and on a display of the test's own (Xvfb), closed and answered
// through the X server with clicks and keys (xdotool), as a person's mouse and keyboard do.
#include "tests/program_on_display.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace tarnlok::test_support;

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

TEST_F(ProgramOnDisplay, TheCloseBoxEndsTheProgramWithStatusZero) {
  Start();
  const std::string main = Window("Tarnlok V2");
  ASSERT_FALSE(main.empty()) << program_->Text();
  // The close box: 12 x 11 units at (418, 10) of the caption.
  ClickAt(main, 424, 15);
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
  ClickAt(main, 424, 15);
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
