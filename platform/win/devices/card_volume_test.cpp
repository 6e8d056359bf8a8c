// File services on a card drive letter reach the volume mounted there. The fake volume here
// keeps its files in memory and stands in for the machine's FAT driver.
#include "platform/win/devices/card_volume.h"

#include "platform/win/devices/card_drives.h"
#include "platform/win/files/file_position.h"
#include "platform/win/testing/file_test_support.h"
#include "platform/win/files/files.h"
#include "platform/win/files/volumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace win {
namespace {

using test_support::ArmLastError;
using test_support::HostOfC;
using test_support::ReadHostFile;
using test_support::WriteHostFile;

using Bytes = std::vector<BYTE>;

class MemoryFile final : public IoObject {
 public:
  explicit MemoryFile(std::shared_ptr<Bytes> data) : data_(std::move(data)) {}
  BOOL Read(std::span<BYTE> buffer, DWORD& bytesRead) override {
    const std::size_t start = std::min<std::size_t>(position_, data_->size());
    bytesRead = static_cast<DWORD>(std::min(buffer.size(), data_->size() - start));
    std::copy_n(data_->begin() + static_cast<std::ptrdiff_t>(start), bytesRead, buffer.begin());
    position_ += bytesRead;
    return TRUE;
  }
  BOOL Write(std::span<const BYTE> data, DWORD& bytesWritten) override {
    if (data_->size() < position_ + data.size()) data_->resize(position_ + data.size());
    std::copy(data.begin(), data.end(), data_->begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += data.size();
    bytesWritten = static_cast<DWORD>(data.size());
    return TRUE;
  }
  BOOL Seek(LONGLONG distance, DWORD method, ULONGLONG& newPosition) override {
    DWORD error = ERROR_SUCCESS;
    const auto target = SeekTarget(position_, data_->size(), distance, method, error);
    if (!target) return Fail(error);
    newPosition = position_ = *target;
    return TRUE;
  }
  BOOL Flush() override { return TRUE; }
  std::optional<ULONGLONG> Size() override { return data_->size(); }

 private:
  std::shared_ptr<Bytes> data_;
  ULONGLONG position_ = 0;
};

class FakeCardVolume final : public CardVolume {
 public:
  FakeCardVolume() { nodes_["\\"] = Node{{"", "", FILE_ATTRIBUTE_DIRECTORY}, nullptr}; }

  void AddFile(const std::string& path, const std::string& content, DWORD attributes, std::string shortName = {}) {
    nodes_[Key(path)] = Node{{Leaf(path), std::move(shortName), attributes, content.size()},
                             std::make_shared<Bytes>(content.begin(), content.end())};
  }
  std::string Content(const std::string& path) {
    const auto found = nodes_.find(Key(path));
    return found == nodes_.end() || !found->second.data
               ? "<none>"
               : std::string(found->second.data->begin(), found->second.data->end());
  }

  std::shared_ptr<IoObject> Open(std::string_view path, const OpenRequest& request, DWORD& /*error*/) override {
    if (request.create) AddFile(std::string(path), "", request.attributes);
    auto& node = nodes_.at(Key(path));
    if (request.truncate) node.data->clear();
    return std::make_shared<MemoryFile>(node.data);
  }
  std::optional<VolumeEntry> Query(std::string_view path, DWORD& error) override {
    const auto found = nodes_.find(Key(path));
    if (found == nodes_.end()) {
      error = nodes_.contains(Parent(Key(path))) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
      return std::nullopt;
    }
    VolumeEntry entry = found->second.entry;
    if (found->second.data) entry.size = found->second.data->size();
    return entry;
  }
  std::optional<std::vector<VolumeEntry>> List(std::string_view folder, DWORD& error) override {
    if (!nodes_.contains(Key(folder))) {
      error = ERROR_PATH_NOT_FOUND;
      return std::nullopt;
    }
    std::vector<VolumeEntry> entries;
    for (const auto& [key, node] : nodes_) {
      if (key != "\\" && Parent(key) == Key(folder)) entries.push_back(*Query(key, error));
    }
    return entries;
  }
  DWORD Delete(std::string_view path) override {
    return nodes_.erase(Key(path)) == 1 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  }
  DWORD Rename(std::string_view, std::string_view) override { return ERROR_ACCESS_DENIED; }
  DWORD CreateFolder(std::string_view path) override {
    nodes_[Key(path)] = Node{{Leaf(std::string(path)), "", FILE_ATTRIBUTE_DIRECTORY}, nullptr};
    return ERROR_SUCCESS;
  }
  DWORD RemoveFolder(std::string_view path) override { return Delete(path); }
  std::optional<VolumeSpace> Space(std::string_view, DWORD&) override {
    return VolumeSpace{32, 512, 100, 1000, 100 * 32 * 512};
  }
  std::optional<VolumeInformation> Information(std::string_view, DWORD&) override {
    return VolumeInformation{"CARD", 0x1234ABCD, 255, FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK, "FAT"};
  }

 private:
  struct Node {
    VolumeEntry entry;
    std::shared_ptr<Bytes> data;  // null for folders
  };
  static std::string Key(std::string_view path) {
    std::string key(path);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
  }
  static std::string Parent(const std::string& key) {
    const std::size_t slash = key.find_last_of('\\');
    return slash == 0 ? "\\" : key.substr(0, slash);
  }
  static std::string Leaf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

  std::map<std::string, Node> nodes_;
};

class CardDrive : public ::testing::Test {
 protected:
  void SetUp() override {
    volume_ = std::make_shared<FakeCardVolume>();
    volume_->CreateFolder("\\DCIM");
    volume_->AddFile("\\DCIM\\Holiday Picture.jpeg", "jpeg data", FILE_ATTRIBUTE_ARCHIVE, "HOLIDA~1.JPE");
    volume_->AddFile("\\DCIM\\SYS.DAT", "system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MountCardDrive('E', volume_);
  }
  void TearDown() override { UnmountCardDrive('E'); }

  std::shared_ptr<FakeCardVolume> volume_;
};

TEST_F(CardDrive, CreateReadAndWriteFilesOnTheCard) {
  const HANDLE file =
      CreateFileA("e:\\dcim\\new.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD count = 0;
  ASSERT_TRUE(WriteFile(file, "hello card", 10, &count, nullptr));
  EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6U);
  char buffer[8] = {};
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "card");
  ArmLastError();
  EXPECT_FALSE(SetEndOfFile(file)) << "the fake's files have no SetEnd of their own";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  CloseHandle(file);
  EXPECT_EQ(volume_->Content("\\DCIM\\new.txt"), "hello card");
  EXPECT_EQ(GetFileAttributesA("E:\\DCIM\\NEW.TXT"), FILE_ATTRIBUTE_ARCHIVE);

  ArmLastError();
  EXPECT_EQ(CreateFileA("E:\\DCIM\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  ArmLastError();
  EXPECT_EQ(CreateFileA("E:\\MISC\\x.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  // Replacing a hidden system file without those attributes is refused, as on Windows.
  ArmLastError();
  EXPECT_EQ(CreateFileA("E:\\DCIM\\SYS.DAT", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(volume_->Content("\\DCIM\\SYS.DAT"), "system");
}

TEST_F(CardDrive, FindFilesMatchesLongAndShortNames) {
  WIN32_FIND_DATAA data{};
  const HANDLE find = FindFirstFileA("E:\\DCIM\\*.JPE", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "Holiday Picture.jpeg");
  EXPECT_STREQ(data.cAlternateFileName, "HOLIDA~1.JPE");
  EXPECT_EQ(data.nFileSizeLow, 9U);
  ArmLastError();
  EXPECT_FALSE(FindNextFileA(find, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  FindClose(find);

  std::vector<std::string> names;
  const HANDLE all = FindFirstFileA("E:\\DCIM\\*.*", &data);
  ASSERT_NE(all, INVALID_HANDLE_VALUE);
  do names.emplace_back(data.cFileName);
  while (FindNextFileA(all, &data));
  FindClose(all);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "Holiday Picture.jpeg", "SYS.DAT"}));
  const HANDLE root = FindFirstFileA("E:\\*", &data);
  EXPECT_STREQ(data.cFileName, "DCIM");
  EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  FindClose(root);
}

TEST_F(CardDrive, CopyAndMoveBetweenCardAndHost) {
  ASSERT_TRUE(CopyFileA("E:\\DCIM\\holiday picture.JPEG", "C:\\pic.jpg", TRUE));
  EXPECT_EQ(ReadHostFile(HostOfC("pic.jpg")), "jpeg data");

  WriteHostFile(HostOfC("upload.txt"), "to the card");
  ASSERT_TRUE(MoveFileA("C:\\upload.txt", "E:\\upload.txt"));
  EXPECT_EQ(volume_->Content("\\upload.txt"), "to the card");
  EXPECT_FALSE(std::filesystem::exists(HostOfC("upload.txt")));

  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\Program Files", "E:\\Program Files"));
  EXPECT_EQ(GetLastError(), ERROR_NOT_SAME_DEVICE);
  WriteHostFile(HostOfC("again.txt"), "x");
  ArmLastError();
  EXPECT_FALSE(MoveFileA("C:\\again.txt", "E:\\UPLOAD.TXT"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(std::filesystem::exists(HostOfC("again.txt")));
}

TEST_F(CardDrive, DriveKindSpaceAndVolumeInformation) {
  EXPECT_NE(GetLogicalDrives() & (1U << ('E' - 'A')), 0U);
  EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_REMOVABLE);

  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("E:\\", &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
  EXPECT_EQ(sectorsPerCluster, 32U);
  EXPECT_EQ(bytesPerSector, 512U);
  EXPECT_EQ(freeClusters, 100U);
  EXPECT_EQ(totalClusters, 1000U);
  ULARGE_INTEGER available{}, total{}, free{};
  ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\DCIM", &available, &total, &free));
  EXPECT_EQ(total.QuadPart, 1000U * 32 * 512);
  EXPECT_EQ(free.QuadPart, 100U * 32 * 512);

  char label[16] = {};
  char system[16] = {};
  DWORD serial = 0, longest = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationA("E:\\", label, sizeof label, &serial, &longest, &flags, system, sizeof system));
  EXPECT_STREQ(label, "CARD");
  EXPECT_STREQ(system, "FAT");
  EXPECT_EQ(serial, 0x1234ABCDU);
  EXPECT_EQ(longest, 255U);

  UnmountCardDrive('E');
  EXPECT_EQ(GetDriveTypeA("E:\\"), DRIVE_NO_ROOT_DIR);
  ArmLastError();
  EXPECT_EQ(GetFileAttributesA("E:\\DCIM"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
}  // namespace win
