// The write test of a card against the simulated machine's own volumes: the errors its FAT
// driver and readers give must turn into the program's messages, and a passed test leaves the
// card as it was.
#include "device/device_entry.h"
#include "device/testing/device_test_support.h"
#include "device/volume_lock.h"
#include "platform/machine/testing/machine_testing.h"
#include "platform/win/files/files.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarnlok {
namespace {

using machine::testing::Describe;
using machine::testing::WriteNumberedImage;

// A factory-fresh CompactFlash at E: (its image does not exist yet) and a card at G: that holds
// no file system at all.
std::string FreshAndBlankCards() {
  WriteNumberedImage("blank.img", 65536);
  return R"({ "version": 1, "windows": "xp", "readers": [
    { "bus": "usb", "maker": true, "firmware": "newer", "letter": "E",
      "card": { "kind": "cf", "image": "fresh.img", "sectors": 65536 } },
    { "bus": "usb", "letter": "G", "card": { "kind": "mmcsd", "image": "blank.img", "sectors": 65536 } } ] })";
}

class WriteTestOnMachine : public testing::DeviceStateTest {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<machine::Machine>(Describe(FreshAndBlankCards()));
    machine_->Install();
  }
  void TearDown() override {
    DeviceStateTest::TearDown();
    machine_.reset();
  }

  struct Outcome {
    win::BYTE stop;
    std::string message;
  };
  static Outcome Run(char letter) {
    DeviceEntry entry{};
    entry.driveLetter = letter;
    Outcome outcome{0xAA, "untouched"};
    TestMediaWritable(&entry, &outcome.stop, &outcome.message);
    return outcome;
  }
  static bool Exists(const char* path) { return win::GetFileAttributesA(path) != win::INVALID_FILE_ATTRIBUTES; }

  std::unique_ptr<machine::Machine> machine_;
};

TEST_F(WriteTestOnMachine, WritableCardPassesAndKeepsNoTestFile) {
  const Outcome outcome = Run('E');
  EXPECT_EQ(outcome.stop, 0);
  EXPECT_EQ(outcome.message, "untouched");
  EXPECT_FALSE(Exists("E:\\Temp.txt"));
}

TEST_F(WriteTestOnMachine, WriteProtectedCardStopsWithItsMessage) {
  machine_->SetWriteProtected('E', true);
  const Outcome outcome = Run('E');
  EXPECT_EQ(outcome.stop, 1);
  EXPECT_EQ(outcome.message, "The media is write protected.");
}

TEST_F(WriteTestOnMachine, CardWithoutFileSystemIsNotFormatted) {
  const Outcome outcome = Run('G');
  EXPECT_EQ(outcome.stop, 0);
  EXPECT_EQ(outcome.message, "The media is not formatted.");
}

TEST_F(WriteTestOnMachine, UsersOwnTempFileSurvives) {
  const win::HANDLE file = win::CreateFileA("E:\\TEMP.TXT", win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW,
                                            win::FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  win::DWORD written = 0;
  ASSERT_TRUE(win::WriteFile(file, "mine", 4, &written, nullptr));
  win::CloseHandle(file);

  const Outcome outcome = Run('E');
  EXPECT_EQ(outcome.stop, 0xAA) << "an existing file is no verdict on the card";
  EXPECT_EQ(outcome.message, "untouched");
  EXPECT_TRUE(Exists("E:\\Temp.txt"));
}

}  // namespace
}  // namespace tarnlok
