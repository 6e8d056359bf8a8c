// Files opened on a card volume before it leaves its drive letter: after FSCTL_DISMOUNT_VOLUME
// or a card change their handles fail, and nothing written or deleted through them reaches the
// volume the letter shows now; fresh opens see that volume.
#include "platform/machine/machine_testing.h"

#include <gtest/gtest.h>

#include <fstream>

namespace machine {
namespace {

using testing::OpenDevice;

const std::string kPath = "E:\\NOTES.TXT";

class StaleHandle : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<Machine>(testing::Describe(R"({"version":1,"windows":"xp","readers":[
      {"maker":true,"letter":"E","card":{"kind":"cf","image":"stale.img","sectors":16384}}]})"));
    machine_->Install();
    const auto file = OpenFile(win::GENERIC_WRITE, win::CREATE_NEW);
    ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
    ASSERT_TRUE(Write(file, "original"));
    win::CloseHandle(file);
  }

  static win::HANDLE OpenFile(win::DWORD access, win::DWORD disposition, win::DWORD flags = 0) {
    constexpr win::DWORD kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE;
    return win::CreateFileA(kPath.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
  }

  static bool Write(win::HANDLE file, const std::string& text) {
    win::DWORD written = 0;
    return win::WriteFile(file, text.data(), static_cast<win::DWORD>(text.size()), &written, nullptr) != win::FALSE;
  }

  // The file's text through a fresh handle; empty with the error when it does not open.
  static std::string Contents(win::DWORD* error = nullptr) {
    const auto file = OpenFile(win::GENERIC_READ, win::OPEN_EXISTING);
    if (file == win::INVALID_HANDLE_VALUE) {
      if (error != nullptr) *error = win::GetLastError();
      return {};
    }
    std::string text(64, '\0');
    win::DWORD read = 0;
    win::ReadFile(file, text.data(), static_cast<win::DWORD>(text.size()), &read, nullptr);
    win::CloseHandle(file);
    text.resize(read);
    return text;
  }

  static bool DismountThroughVolumeHandle() {
    const auto volume = OpenDevice("E:");
    win::DWORD returned = 0;
    const bool done =
        win::DeviceIoControl(volume, win::FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr) != 0;
    win::CloseHandle(volume);
    return done;
  }

  // Each service of an old handle fails with `error` and leaves nothing behind.
  static void ExpectDead(win::HANDLE file, win::DWORD error) {
    char buffer[16] = {};
    win::DWORD moved = 7;
    win::SetLastError(0);
    EXPECT_FALSE(win::ReadFile(file, buffer, sizeof(buffer), &moved, nullptr));
    EXPECT_EQ(win::GetLastError(), error);
    EXPECT_EQ(moved, 0U);
    win::SetLastError(0);
    EXPECT_FALSE(Write(file, "stale write"));
    EXPECT_EQ(win::GetLastError(), error);
    win::SetLastError(0);
    EXPECT_EQ(win::GetFileSize(file, nullptr), win::INVALID_FILE_SIZE);
    EXPECT_EQ(win::GetLastError(), error);
    win::SetLastError(0);
    EXPECT_FALSE(win::SetEndOfFile(file));
    EXPECT_EQ(win::GetLastError(), error);
  }

  std::filesystem::path ImageCopy() const {
    const auto copy = tarnlok::testing::TestDataHome() / "copy.img";
    std::filesystem::copy_file(machine_->Description().readers[0].card.image, copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
  }

  static std::string Bytes(const std::filesystem::path& image) {
    std::string bytes(std::filesystem::file_size(image), '\0');
    std::ifstream(image, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }

  std::unique_ptr<Machine> machine_;
};

TEST_F(StaleHandle, DismountInvalidatesOpenFilesWhileFreshOpensWork) {
  const auto old = OpenFile(win::GENERIC_READ | win::GENERIC_WRITE, win::OPEN_EXISTING);
  ASSERT_NE(old, win::INVALID_HANDLE_VALUE);
  ASSERT_TRUE(DismountThroughVolumeHandle());

  ExpectDead(old, win::ERROR_NOT_READY);
  EXPECT_EQ(Contents(), "original");
  EXPECT_TRUE(win::CloseHandle(old));

  const auto fresh = OpenFile(win::GENERIC_WRITE, win::OPEN_EXISTING);
  ASSERT_NE(fresh, win::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Write(fresh, "rewritten"));
  win::CloseHandle(fresh);
  EXPECT_EQ(Contents(), "rewritten");
}

TEST_F(StaleHandle, ClosingAVolumeHandleLeavesOpenFilesWorking) {
  const auto file = OpenFile(win::GENERIC_READ | win::GENERIC_WRITE, win::OPEN_EXISTING);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  // The last close of the volume reads the partition table again, which finds the same volume.
  win::CloseHandle(OpenDevice("E:"));
  EXPECT_TRUE(Write(file, "still here"));
  win::CloseHandle(file);
  EXPECT_EQ(Contents(), "still here");
}

TEST_F(StaleHandle, ACardChangeInvalidatesOpenFilesAndKeepsTheNewCardUntouched) {
  // The new card is a copy: the file lies at the very same place, where a stale handle would write.
  CardDescription copy = machine_->Description().readers[0].card;
  copy.image = ImageCopy();
  const std::string before = Bytes(copy.image);
  const auto writer = OpenFile(win::GENERIC_READ | win::GENERIC_WRITE, win::OPEN_EXISTING);
  const auto deleter = OpenFile(win::GENERIC_READ, win::OPEN_EXISTING, win::FILE_FLAG_DELETE_ON_CLOSE);
  ASSERT_NE(writer, win::INVALID_HANDLE_VALUE);
  ASSERT_NE(deleter, win::INVALID_HANDLE_VALUE);

  machine_->RemoveCard('E');
  ExpectDead(writer, win::ERROR_FILE_INVALID);
  machine_->InsertCard('E', copy);
  ExpectDead(writer, win::ERROR_FILE_INVALID);
  EXPECT_TRUE(win::CloseHandle(writer));
  EXPECT_TRUE(win::CloseHandle(deleter));

  EXPECT_EQ(Contents(), "original");
  EXPECT_EQ(Bytes(copy.image), before) << "nothing reached the new card through the old handles";
}

TEST_F(StaleHandle, EjectAndReloadInvalidateOpenFiles) {
  const auto file = OpenFile(win::GENERIC_READ, win::OPEN_EXISTING);
  ASSERT_NE(file, win::INVALID_HANDLE_VALUE);
  const auto device = OpenDevice("E:");
  constexpr std::uint8_t kEject = 0x02;
  constexpr std::uint8_t kLoad = 0x03;
  EXPECT_EQ(testing::SendScsi(device, {0x1B, 0, 0, 0, kEject, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);
  EXPECT_EQ(testing::SendScsi(device, {0x1B, 0, 0, 0, kLoad, 0}, 0, win::SCSI_IOCTL_DATA_UNSPECIFIED).status, 0);
  win::CloseHandle(device);
  char buffer[8] = {};
  win::DWORD read = 0;
  EXPECT_FALSE(win::ReadFile(file, buffer, sizeof(buffer), &read, nullptr));
  EXPECT_EQ(win::GetLastError(), win::ERROR_FILE_INVALID);
  win::CloseHandle(file);
  EXPECT_EQ(Contents(), "original");
}

}  // namespace
}  // namespace machine
