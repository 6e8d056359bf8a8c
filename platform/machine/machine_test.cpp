// Loading the machine, installing it into the Windows services, and its control side.
#include "platform/machine/testing/machine_testing.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/files/volumes.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include <unistd.h>

namespace machine {
namespace {

using test_support::OpenDevice;
using test_support::SendScsi;

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "no error";
}

TEST(MachineLoad, EnvironmentChoosesTheDescription) {
  test_support::WriteNumberedImage("chosen.img", 64);
  const auto path = tarnlok::test_support::TestDataHome() / "chosen.json";
  std::ofstream(path) << R"({"version":1,"windows":"2000","readers":[
      {"letter":"J","card":{"kind":"cf","image":"chosen.img","sectors":64}}]})";
  ::setenv("TARNLOK_MACHINE", path.c_str(), 1);
  EXPECT_EQ(Machine::DescriptionPath(), path);
  const auto loaded = Machine::Load();
  ::unsetenv("TARNLOK_MACHINE");
  EXPECT_EQ(loaded->Description().windows, win::WindowsVersion::Win2000);
  ASSERT_NE(loaded->ReaderAt('j'), nullptr);
  EXPECT_TRUE(loaded->ReaderAt('J')->HoldsCard());
}

TEST(MachineLoad, RawFlashCardsAreMadeFreshAndTheirImagesSizeChecked) {
  const auto machine = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"readers":[
      {"maker":true,"letter":"F","card":{"kind":"sm","image":"sm.img","deviceCode":115}},
      {"maker":true,"letter":"H","card":{"kind":"ms","image":"ms.img","blocks":512,"pagesPerBlock":16}}]})"));
  machine->Install();
  // 16 MB SmartMedia: 1024 blocks of 32 pages of 512 + 16 bytes; its volume 41 + 31959 sectors.
  EXPECT_EQ(std::filesystem::file_size(tarnlok::test_support::TestDataHome() / "sm.img"), 1024U * 32 * 528);
  EXPECT_EQ(std::filesystem::file_size(tarnlok::test_support::TestDataHome() / "ms.img"), 512U * (4 + 16 * 512));
  win::ULARGE_INTEGER bytes{};
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("F:\\", nullptr, &bytes, nullptr));
  // The data area after the boot sector, two FATs of 3 sectors and 16 root sectors, in clusters of 32.
  EXPECT_EQ(bytes.QuadPart, (31959ULL - 1 - 6 - 16) / 32 * 32 * 512);
  ASSERT_TRUE(win::GetDiskFreeSpaceExA("H:\\", nullptr, &bytes, nullptr));
  EXPECT_GT(bytes.QuadPart, 3ULL << 20);
  machine->Uninstall();

  std::filesystem::resize_file(tarnlok::test_support::TestDataHome() / "sm.img", 1024U * 32 * 528 - 16);
  const std::string message = MessageOf([] {
    Machine(test_support::Describe(R"({"version":1,"readers":[{"maker":true,"card":{"kind":"sm","image":"sm.img",
        "deviceCode":115}}]})"));
  });
  EXPECT_NE(message.find("sm.img holds 17301488 bytes, the card's geometry needs 17301504"), std::string::npos)
      << message;
  EXPECT_NE(MessageOf([] {
              Machine(test_support::Describe(R"({"version":1,"readers":[{"maker":true,"card":{"kind":"sm",
                  "image":"unknown.img","deviceCode":1}}]})"));
            }).find("readers[0].card.deviceCode: is no SmartMedia device code"),
            std::string::npos);
}

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_support::WriteNumberedImage("e.img", 512);
    test_support::WriteNumberedImage("f.img", 1024);
    test_support::WriteNumberedImage("a.img", 2880);
    machine_ = std::make_unique<Machine>(test_support::Describe(R"({"version":1,"windows":"2000","readers":[
      {"maker":true,"letter":"E","card":{"kind":"cf","image":"e.img","sectors":512}},
      {"letter":"F","card":{"kind":"mmcsd","image":"f.img","sectors":1024}},
      {"maker":true,"letter":"H"},
      {"bus":"floppy","letter":"A","card":{"kind":"floppy","image":"a.img"}}]})"));
  }

  std::uint32_t LastBlock(char letter) {
    const auto handle = OpenDevice(std::string(1, letter) + ":");
    const auto answer = SendScsi(handle, {0x25, 0, 0, 0, 0, 0}, 8);
    win::CloseHandle(handle);
    return answer.status == kStatusGood ? win::ReadBe32(answer.data, 0) + 1 : 0;
  }

  std::unique_ptr<Machine> machine_;
};

TEST_F(MachineTest, InstallSetsWindowsDevicesAndRemovableLetters) {
  win::SetWindowsVersion(win::WindowsVersion::Xp);
  EXPECT_EQ(OpenDevice("E:"), win::INVALID_HANDLE_VALUE);
  machine_->Install();
  EXPECT_EQ(win::CurrentWindowsVersion(), win::WindowsVersion::Win2000);
  const win::DWORD drives = win::GetLogicalDrives();
  for (const char letter : std::string("AEFH")) {
    EXPECT_NE(drives & (1U << (letter - 'A')), 0U) << letter;
    EXPECT_EQ(win::GetDriveTypeA((std::string(1, letter) + ":\\").c_str()), win::DRIVE_REMOVABLE) << letter;
  }
  EXPECT_EQ(drives & (1U << ('G' - 'A')), 0U);
  // No volume is mounted on the letters yet: their files answer as an empty drive does.
  EXPECT_EQ(win::CreateFileA("H:\\X.TXT", win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING, 0, nullptr),
            win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(win::GetLastError(), win::ERROR_NOT_READY);

  const auto drive = OpenDevice("physicaldrive2");
  EXPECT_NE(drive, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(drive);
  for (const std::string name : {"PhysicalDrive0", "PhysicalDrive9", "PhysicalDrive", "PhysicalDrive1x", "G:", "E"}) {
    EXPECT_EQ(OpenDevice(name), win::INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_NOT_FOUND) << name;
  }
  machine_->Uninstall();
  EXPECT_EQ(win::GetLogicalDrives() & (1U << ('E' - 'A')), 0U);
  EXPECT_EQ(OpenDevice("E:"), win::INVALID_HANDLE_VALUE);
}

TEST_F(MachineTest, Windows9xHasNoPhysicalDrives) {
  test_support::WriteNumberedImage("e.img", 512);
  Machine old(test_support::Describe(R"({"version":1,"windows":"98","readers":[
      {"letter":"E","card":{"kind":"cf","image":"e.img","sectors":512}}]})"));
  old.Install();
  EXPECT_EQ(OpenDevice("PhysicalDrive1"), win::INVALID_HANDLE_VALUE);
  const auto volume = OpenDevice("E:");
  EXPECT_NE(volume, win::INVALID_HANDLE_VALUE);
  win::CloseHandle(volume);
}

TEST_F(MachineTest, CardsAreInsertedRemovedAndSwapped) {
  machine_->Install();
  EXPECT_EQ(LastBlock('E'), 512U);
  machine_->RemoveCard('E');
  EXPECT_EQ(LastBlock('E'), 0U);
  EXPECT_EQ(MessageOf([this] { machine_->RemoveCard('E'); }), "no error");  // an empty slot stays empty

  // H was described empty: a CompactFlash slot.
  machine_->InsertCard('H', machine_->Description().readers[0].card);
  EXPECT_EQ(LastBlock('H'), 512U);
  EXPECT_NE(MessageOf([this] { machine_->InsertCard('H', machine_->Description().readers[0].card); }).find("already"),
            std::string::npos);
  machine_->SwapCards('E', 'H');
  EXPECT_EQ(LastBlock('E'), 512U);
  EXPECT_EQ(LastBlock('H'), 0U);

  // A CompactFlash card does not go into an MMC/SD slot, nor a floppy disk into a card reader.
  for (const char other : {'F', 'A'}) {
    const std::string misfit = MessageOf([this, other] { machine_->SwapCards(other, 'E'); });
    EXPECT_NE(misfit.find("do not fit"), std::string::npos) << misfit;
  }
  EXPECT_EQ(LastBlock('E'), 512U);  // nothing moved
  EXPECT_EQ(LastBlock('F'), 1024U);
  EXPECT_TRUE(machine_->ReaderAt('A')->HoldsCard());
  EXPECT_NE(
      MessageOf([this] { machine_->InsertCard('H', machine_->Description().readers[1].card); }).find("does not fit"),
      std::string::npos);
  EXPECT_NE(
      MessageOf([this] { machine_->InsertCard('H', machine_->Description().readers[3].card); }).find("does not fit"),
      std::string::npos);
  // A fresh image cannot be made below a plain file; the refusal names the image.
  CardDescription unmakeable = machine_->Description().readers[0].card;
  std::ofstream(tarnlok::test_support::TestDataHome() / "plain") << "not a folder";
  unmakeable.image = tarnlok::test_support::TestDataHome() / "plain" / "card.img";
  EXPECT_NE(MessageOf([this, &unmakeable] { machine_->InsertCard('H', unmakeable); }).find(unmakeable.image.string()),
            std::string::npos);
  EXPECT_NE(MessageOf([this] { machine_->RemoveCard('Q'); }).find("no reader at Q:"), std::string::npos);
}

// A SmartMedia card inserted without a device code is of its reader's model: a fresh image of
// that geometry (1 MB cards: 256 blocks of 16 pages of 256 + 8 bytes).
TEST(MachineControl, ASmartMediaWithoutADeviceCodeTakesItsReadersModel) {
  Machine machine(test_support::Describe(R"({"version":1,"readers":[
      {"maker":true,"letter":"F","card":{"kind":"sm","image":"small-sm.img","deviceCode":110}}]})"));
  machine.RemoveCard('F');
  CardDescription blank;
  blank.kind = CardKind::SmartMedia;
  blank.image = tarnlok::test_support::TestDataHome() / "blank-small-sm.img";
  std::filesystem::remove(blank.image);
  machine.InsertCard('F', blank);
  ASSERT_TRUE(machine.ReaderAt('F')->Held());
  EXPECT_EQ(machine.ReaderAt('F')->Held()->description.smartMediaDeviceCode, 110);
  EXPECT_EQ(std::filesystem::file_size(blank.image), 256U * 16 * (256 + 8));
}

TEST(MachineLoad, TwoReadersNamingOneImageAreRefused) {
  test_support::WriteNumberedImage("shared.img", 512);
  const std::string message = MessageOf([] {
    Machine(test_support::Describe(R"({"version":1,"readers":[
        {"letter":"E","card":{"kind":"cf","image":"shared.img","sectors":512}},
        {"letter":"F","card":{"kind":"cf","image":"./shared.img","sectors":512}}]})"));
  });
  EXPECT_NE(message.find("readers[1].card.image: shared.img is the card in reader E: already"), std::string::npos)
      << message;
}

// Makes a file read-only for this process, also for root (whom permissions do not stop) where
// the file system allows the immutable attribute; false when neither works.
bool MakeReadOnly(const std::filesystem::path& file) {
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  if (::access(file.c_str(), W_OK) != 0) return true;
  return std::system(("chattr +i '" + file.string() + "' 2>/dev/null").c_str()) == 0;
}

void MakeWritable(const std::filesystem::path& file) {
  std::ignore = std::system(("chattr -i '" + file.string() + "' 2>/dev/null").c_str());
  std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

TEST(MachineLoad, AReadOnlyImageIsAWriteProtectedCard) {
  test_support::WriteNumberedImage("locked.img", 512);
  const auto image = tarnlok::test_support::TestDataHome() / "locked.img";
  if (!MakeReadOnly(image)) GTEST_SKIP() << "no way to make a file read-only for this user here";
  {
    Machine machine(test_support::Describe(R"({"version":1,"readers":[
        {"letter":"E","card":{"kind":"cf","image":"locked.img","sectors":512}}]})"));
    machine.Install();
    EXPECT_TRUE(machine.ReaderAt('E')->Held()->description.writeProtected);
    const auto volume = OpenDevice("E:");
    std::vector<std::uint8_t> sector(512, 0);
    win::DWORD moved = 0;
    EXPECT_TRUE(win::ReadFile(volume, sector.data(), 512, &moved, nullptr));
    EXPECT_FALSE(win::WriteFile(volume, sector.data(), 512, &moved, nullptr));
    EXPECT_EQ(win::GetLastError(), win::ERROR_WRITE_PROTECT);
    win::CloseHandle(volume);
    const std::string refusal = MessageOf([&machine] { machine.SetWriteProtected('E', false); });
    EXPECT_NE(refusal.find("locked.img is a read-only file"), std::string::npos) << refusal;
    EXPECT_TRUE(machine.ReaderAt('E')->Held()->description.writeProtected);
  }
  MakeWritable(image);
}

TEST_F(MachineTest, WriteProtectionIsSwitchedWhileHandlesAreOpen) {
  machine_->Install();
  const auto volume = OpenDevice("E:");
  std::vector<std::uint8_t> sector(512, 0);
  win::DWORD moved = 0;
  EXPECT_TRUE(win::WriteFile(volume, sector.data(), 512, &moved, nullptr));
  machine_->SetWriteProtected('E', true);
  EXPECT_FALSE(win::WriteFile(volume, sector.data(), 512, &moved, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_WRITE_PROTECT);
  EXPECT_EQ(SendScsi(volume, {0x1A, 0, 0, 0, 12, 0}, 12).data[2], 0x80);
  machine_->SetWriteProtected('E', false);
  EXPECT_TRUE(win::WriteFile(volume, sector.data(), 512, &moved, nullptr));
  win::CloseHandle(volume);
  EXPECT_NE(MessageOf([this] { machine_->SetWriteProtected('H', true); }).find("holds no card"), std::string::npos);
}

}  // namespace
}  // namespace machine
