// The recovery settings in the registry, the run's reader and the output folder checks.
#include "recovery/page/output_folder_checks.h"
#include "recovery/page/recovery_settings.h"

#include "platform/win/files/files.h"
#include "platform/win/files/paths.h"
#include "platform/win/system/last_error.h"
#include "recovery/file_types.h"
#include "controls/settings_key.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarnlok {
namespace {

constexpr const char* kValues[] = {kShowThumbNailValue, kAlwaysZeroValue,    kRestoreAllFilesValue,
                                   kScanFileValue,      kDefaultFolderValue, kDefaultFileValue};

class RecoverySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SettingsKey key(true);
    ASSERT_TRUE(key.IsOpen());
    win::HKEY raw = nullptr;
    win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, win::KEY_ALL_ACCESS, &raw);
    for (const char* name : kValues) win::RegDeleteValueA(raw, name);
    for (const auto extension : recovery::FileTypeTable) win::RegDeleteValueA(raw, std::string(extension).c_str());
    win::RegCloseKey(raw);
    ShowThumbNail = 1;
    AlwaysZero = 0;
    RestoreAllFiles = 0;
    ScanFile = 0;
    TypeSelectionMask = 0;
  }
  void TearDown() override { TypeSelectionMask = 0; }

  static void WriteRawText(const char* name, const std::string& bytes) {
    win::HKEY raw = nullptr;
    win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, win::KEY_ALL_ACCESS, &raw);
    win::RegSetValueExA(raw, name, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(bytes.data()),
                        static_cast<win::DWORD>(bytes.size()));
    win::RegCloseKey(raw);
  }
  // The value's bytes as stored, with whatever end it was written with.
  static std::string ReadRawText(const char* name) {
    win::HKEY raw = nullptr;
    win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, SettingsKeyPath().c_str(), 0, win::KEY_ALL_ACCESS, &raw);
    std::string bytes(kSettingTextRoom * 2, '\xFF');
    auto size = static_cast<win::DWORD>(bytes.size());
    if (win::RegQueryValueExA(raw, name, nullptr, nullptr, reinterpret_cast<win::BYTE*>(bytes.data()), &size) !=
        win::ERROR_SUCCESS)
      size = 0;
    win::RegCloseKey(raw);
    return bytes.substr(0, size);
  }
};

TEST_F(RecoverySettingsTest, ChoicesRoundTripThroughTheKeyIntoTheRunsReader) {
  RecoveryChoices choices;
  choices.folder = "C:\\Pictures\\Found";
  choices.prefix = "CARD";
  choices.typeSelection = recovery::TypeBit(recovery::kJpg) | recovery::TypeBit(recovery::kZip);
  choices.showThumbnails = false;
  choices.alwaysZero = true;
  choices.restoreAllFiles = true;
  choices.scanAllFiles = true;
  {
    SettingsKey key(true);
    StoreRecoveryChoices(choices, key);
  }
  ShowThumbNail = 1;
  AlwaysZero = RestoreAllFiles = ScanFile = 0;
  TypeSelectionMask = 0;

  const FolderAndPrefix read = ReadRecoverySettings();
  EXPECT_EQ(read.folder, "C:\\Pictures\\Found");
  EXPECT_EQ(read.prefix, "CARD");
  EXPECT_EQ(ShowThumbNail, 0);
  EXPECT_EQ(AlwaysZero, 1);
  EXPECT_EQ(RestoreAllFiles, 1);
  EXPECT_EQ(ScanFile, 1);
  EXPECT_EQ(LoadTypeSelectionMask(), choices.typeSelection);
  const SettingsKey key;
  EXPECT_EQ(key.ReadByte("JPG"), 1);
  EXPECT_EQ(key.ReadByte("AIF"), 0);
}

TEST_F(RecoverySettingsTest, MissingValuesGiveTheReadersDefaults) {
  RestoreAllFiles = 1;
  ScanFile = 1;
  ShowThumbNail = 0;
  AlwaysZero = 1;
  const FolderAndPrefix read = ReadRecoverySettings();
  EXPECT_EQ(read.folder, "C:\\Recover");
  EXPECT_EQ(read.prefix, "TLK");
  EXPECT_EQ(ShowThumbNail, 1);
  EXPECT_EQ(AlwaysZero, 0);
  EXPECT_EQ(RestoreAllFiles, 1) << "left as it was";
  EXPECT_EQ(ScanFile, 1) << "left as it was";
  EXPECT_EQ(LoadTypeSelectionMask(), recovery::kAllTypes) << "a missing type value counts as selected";
}

TEST_F(RecoverySettingsTest, TheChoiceOfTypesHoldsWhenTheKeyCannotBeOpened) {
  SettingsKey unusable("\\not a key", true);
  ASSERT_FALSE(unusable.IsOpen());
  RecoveryChoices choices;
  choices.folder = "C:\\Out";
  choices.prefix = "X";
  choices.typeSelection = recovery::TypeBit(recovery::kGif);
  choices.showThumbnails = false;
  StoreRecoveryChoices(choices, unusable);
  EXPECT_EQ(TypeSelectionMask, recovery::TypeBit(recovery::kGif));
  EXPECT_EQ(ShowThumbNail, 0);
  EXPECT_FALSE(SettingsKey().ReadText(kDefaultFolderValue)) << "nothing written";
}

TEST_F(RecoverySettingsTest, AFolderOfTheWholeRoomIsKeptWithoutItsEndAndAnEndlessOneIsRefused) {
  const std::string longest = "C:\\" + std::string(kSettingTextRoom - 4, 'a');
  ASSERT_EQ(longest.size(), kSettingTextRoom - 1);
  {
    SettingsKey key(true);
    key.WriteText(kDefaultFolderValue, longest);
    key.WriteText(kDefaultFileValue, "REC");
  }
  EXPECT_EQ(ReadRawText(kDefaultFolderValue), longest) << "stored without a terminating zero";
  EXPECT_EQ(ReadRawText(kDefaultFileValue), "REC") << "stored without a terminating zero";
  EXPECT_EQ(ReadRecoverySettings().folder, longest);
  EXPECT_EQ(ReadRecoverySettings().prefix, "REC");

  // A value that fills the whole room without its end, as an earlier writer left it.
  WriteRawText(kDefaultFolderValue, "C:\\" + std::string(kSettingTextRoom - 3, 'b'));
  EXPECT_EQ(ReadRecoverySettings().folder, "C:\\Recover");
  WriteRawText(kDefaultFileValue, std::string(kSettingTextRoom + 40, 'c'));
  EXPECT_EQ(ReadRecoverySettings().prefix, "TLK");
}

TEST(OutputFolderChecks, FormsOfAFolder) {
  EXPECT_EQ(FolderOfValidForm("E:"), "E:\\");
  EXPECT_EQ(FolderOfValidForm("\\\\"), "\\\\");
  EXPECT_EQ(FolderOfValidForm("C:\\Recover"), "C:\\Recover");
  EXPECT_EQ(FolderOfValidForm("\\\\server\\share"), "\\\\server\\share");
  EXPECT_FALSE(FolderOfValidForm("E"));
  EXPECT_FALSE(FolderOfValidForm("Ex"));
  EXPECT_FALSE(FolderOfValidForm("C:Recover"));
  EXPECT_FALSE(FolderOfValidForm("Recover\\x"));
  EXPECT_FALSE(FolderOfValidForm(""));
}

TEST(OutputFolderChecks, NestedFoldersAreMadeAndATestFileComesAndGoes) {
  const std::filesystem::path base = tarnlok::test_support::TestDataHome() / "folder-checks";
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  const std::string folder = win::WindowsPathOfHost(base) + "\\one\\two\\three";
  EXPECT_EQ(CreateFolderChain(folder), 0U);
  EXPECT_TRUE(std::filesystem::is_directory(base / "one" / "two" / "three"));
  EXPECT_EQ(CreateFolderChain(folder), win::ERROR_ALREADY_EXISTS);
  EXPECT_EQ(TestFileInFolder(folder, "TLK"), 0U);
  EXPECT_TRUE(std::filesystem::is_empty(base / "one" / "two" / "three")) << "the test file is deleted";
  EXPECT_NE(TestFileInFolder(folder + "\\missing", "TLK"), 0U);
  EXPECT_FALSE(SystemErrorText(win::ERROR_ACCESS_DENIED).empty());
}

}  // namespace
}  // namespace tarnlok
