// The device query exports through the built library on the machine's readers: card kind and
// write protection, firmware lock and unlock, load and eject, and the three probes.
#include "formatlib/testing/flash_machine.h"

#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"

#include <gtest/gtest.h>

#include <array>

namespace pradvik {
namespace {

using test_support::InstalledMachine;
using test_support::LoadedLibrary;

constexpr const char* kReaders = R"({"version":1,"windows":"xp","readers":[
  {"maker":true,"firmware":"newer","letter":"F","card":{"kind":"sm","image":"f.img","deviceCode":117}},
  {"maker":true,"firmware":"older","letter":"O","card":{"kind":"sm","image":"o.img","deviceCode":115}},
  {"maker":true,"firmware":"newer","letter":"H","card":{"kind":"ms","image":"h.img","blocks":512,"pagesPerBlock":16,
    "writeProtected":true}},
  {"maker":true,"firmware":"newer","letter":"P","card":{"kind":"mspro","image":"p.img","sectors":4096}},
  {"maker":true,"firmware":"wide","letter":"W","card":{"kind":"sm","image":"w.img","deviceCode":115}},
  {"maker":true,"firmware":"newer","letter":"E"},
  {"letter":"G","card":{"kind":"mmcsd","image":"g.img","sectors":8192}}]})";

constexpr BYTE Index(char letter) { return static_cast<BYTE>(letter - 'A'); }

win::HANDLE OpenVolumeOf(char letter) {
  const std::string path = std::string("\\\\.\\") + letter + ":";
  return win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE,
                          win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING, 0, nullptr);
}

class QueryExportsTest : public ::testing::Test {
 protected:
  InstalledMachine machine_{kReaders};
  LoadedLibrary library_;
  ui::ScriptedPrompter prompter_{[](const std::string& what) { ADD_FAILURE() << what; }};
};

TEST_F(QueryExportsTest, FindDeviceTypeTellsKindWriteProtectionAndIdentification) {
  ASSERT_TRUE(library_.Loaded());
  auto* find = library_.Bind<FindDeviceTypeFn>("FindDeviceType");
  ASSERT_NE(find, nullptr);

  BYTE kind = 0;
  std::array<BYTE, 8> status{};
  BYTE writeProtected = 9;
  EXPECT_EQ(find(1, Index('O'), &kind, status.data(), &writeProtected, 0, 3, 0), 1);
  EXPECT_EQ(kind, kKindSmartMedia);
  EXPECT_EQ(writeProtected, 0);
  // The status buffer ends up holding the identification: maker, then the device code.
  EXPECT_EQ(status[0], 0x98);
  EXPECT_EQ(status[1], 115);

  kind = kKindNewerMemoryStick;
  EXPECT_EQ(find(1, Index('H'), &kind, status.data(), &writeProtected, 0, 3, 0), 1);
  EXPECT_EQ(kind, kKindNewerMemoryStick);
  EXPECT_EQ(writeProtected, 1);
  EXPECT_EQ(status[0] | (status[1] << 8), 512);
  EXPECT_EQ(status[2] | (status[3] << 8), 16);

  kind = kKindNewerSmartMedia;
  EXPECT_EQ(find(1, Index('W'), &kind, status.data(), &writeProtected, 0, 4, 1), 1);
  EXPECT_EQ(status[1], 115);

  // The newer reader's Memory Stick Pro keeps its status word.
  kind = 0;
  EXPECT_EQ(find(1, Index('P'), &kind, status.data(), &writeProtected, 0, 3, 0), 0);
  kind = kKindMemoryStickPro;
  EXPECT_EQ(find(1, Index('P'), &kind, status.data(), &writeProtected, 0, 3, 0), 1);
  EXPECT_EQ(status[1], 0x04);

  // Another maker's reader has no kind to tell; an empty reader answers no card.
  kind = 0;
  EXPECT_EQ(find(1, Index('G'), &kind, status.data(), &writeProtected, 0, 3, 0), 0);
  kind = kKindNewerSmartMedia;
  prompter_.AnswerMessageBox(ui::IDOK, "There is NO MEDIA present in the drive.");
  EXPECT_EQ(find(1, Index('E'), &kind, status.data(), &writeProtected, 1, 3, 0), 0);
}

TEST_F(QueryExportsTest, WriteProtectionIsToldWhenAsked) {
  auto* find = library_.Bind<FindDeviceTypeFn>("FindDeviceType");
  BYTE kind = kKindNewerMemoryStick;
  std::array<BYTE, 8> status{};
  BYTE writeProtected = 0;
  prompter_.AnswerMessageBox(ui::IDOK, "The media is write protected.");
  EXPECT_EQ(find(1, Index('H'), &kind, status.data(), &writeProtected, 1, 3, 0), 1);
  EXPECT_EQ(writeProtected, 1);
}

TEST_F(QueryExportsTest, LockAndUnlockOpenTheirOwnVolumeAndRefuseAnEmptyReader) {
  auto* lock = library_.Bind<LockTheDeviceFn>("LockTheDevice");
  auto* unlock = library_.Bind<UnlockTheDeviceFn>("UnlockTheDevice");
  ASSERT_NE(lock, nullptr);
  ASSERT_NE(unlock, nullptr);
  EXPECT_EQ(lock(1, Index('F'), nullptr, kKindNewerSmartMedia, 0, 3, 0, 0), 1);
  EXPECT_EQ(unlock(1, Index('F'), nullptr, kKindNewerSmartMedia, 0, 3, 0, 0), 1);
  EXPECT_EQ(lock(1, Index('O'), win::INVALID_HANDLE_VALUE, kKindSmartMedia, 0, 3, 0, 0), 1);
  EXPECT_EQ(lock(1, Index('W'), nullptr, kKindNewerSmartMedia, 0, 4, 0, 1), 1);
  // No card: the reader did not lock, whatever the command's transport said.
  EXPECT_EQ(lock(1, Index('E'), nullptr, kKindNewerSmartMedia, 0, 3, 0, 0), 0);
  // The form of another generation is refused.
  EXPECT_EQ(lock(1, Index('O'), nullptr, kKindNewerSmartMedia, 0, 3, 0, 0), 0);
}

TEST_F(QueryExportsTest, StartStopNeedsAHandleAndEjectsAndLoads) {
  auto* startStop = library_.Bind<IssueStartStopCmdFn>("IssueStartStopCmd");
  ASSERT_NE(startStop, nullptr);
  EXPECT_EQ(startStop(1, Index('F'), win::INVALID_HANDLE_VALUE, 0, kKindNewerSmartMedia), 0);
  const win::HANDLE volume = OpenVolumeOf('F');
  ASSERT_NE(volume, win::INVALID_HANDLE_VALUE);
  EXPECT_EQ(startStop(1, Index('F'), volume, 0, kKindNewerSmartMedia), 1);
  // Ejected: the maker's page says no card, so a load is not tried.
  EXPECT_EQ(startStop(1, Index('F'), volume, 1, kKindNewerSmartMedia), 0);
  win::CloseHandle(volume);
}

TEST_F(QueryExportsTest, ProbesTellFlashReadersCapacityAndTheNewerFamily) {
  auto* check = library_.Bind<CheckFormatSupportFn>("CheckFormatSupport");
  auto* capacity = library_.Bind<GetDeviceCapacityFn>("GetDeviceCapacity");
  auto* bulk = library_.Bind<FindBulkSMMSFn>("FindBulkSMMS");
  ASSERT_NE(check, nullptr);
  ASSERT_NE(capacity, nullptr);
  ASSERT_NE(bulk, nullptr);

  const win::HANDLE older = OpenVolumeOf('O');
  EXPECT_EQ(check(1, Index('O'), older), 1);
  EXPECT_EQ(check(1, Index('O'), win::INVALID_HANDLE_VALUE), 0);
  std::array<BYTE, 4> status{};
  // The older reader does not take the newer form.
  EXPECT_EQ(bulk(1, Index('O'), older, status.data()), 0);
  win::CloseHandle(older);
  EXPECT_EQ(bulk(1, Index('F'), win::INVALID_HANDLE_VALUE, status.data()), 1);
  EXPECT_EQ(status[1], 0x02);
  EXPECT_EQ(bulk(1, Index('F'), win::INVALID_HANDLE_VALUE, nullptr), 0);

  std::array<BYTE, 8> answer{};
  BYTE writeProtected = 0;
  EXPECT_EQ(capacity(1, Index('F'), answer.data(), &writeProtected, 0), 1);
  // 32 MB SmartMedia: 64,000 logical sectors of 512 bytes.
  EXPECT_EQ((answer[0] << 24) | (answer[1] << 16) | (answer[2] << 8) | answer[3], 63999);
  EXPECT_EQ((answer[6] << 8) | answer[7], 512);
  EXPECT_EQ(capacity(1, Index('E'), answer.data(), &writeProtected, 0), 0);
  // Write protection ends the probe with 0 and is not overwritten by the capacity.
  prompter_.AnswerMessageBox(ui::IDOK, "The media is write protected.");
  EXPECT_EQ(capacity(1, Index('H'), answer.data(), &writeProtected, 1), 0);
  EXPECT_EQ(writeProtected, 1);
}

TEST_F(QueryExportsTest, Windows9xAnswersWithoutTouchingTheDevice) {
  InstalledMachine nineX(R"({"version":1,"windows":"98","readers":[
    {"maker":true,"firmware":"newer","letter":"F","card":{"kind":"sm","image":"f9.img","deviceCode":117}}]})");
  auto* find = library_.Bind<FindDeviceTypeFn>("FindDeviceType");
  auto* lock = library_.Bind<LockTheDeviceFn>("LockTheDevice");
  BYTE kind = 0;
  std::array<BYTE, 4> status{1, 2, 3, 4};
  BYTE writeProtected = 7;
  EXPECT_EQ(find(1, Index('F'), &kind, status.data(), &writeProtected, 1, 3, 0), 1);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(writeProtected, 7);
  EXPECT_EQ(status, (std::array<BYTE, 4>{}));
  EXPECT_EQ(lock(1, Index('F'), nullptr, kKindNewerSmartMedia, 0, 3, 0, 0), 0);
}

}  // namespace
}  // namespace pradvik
