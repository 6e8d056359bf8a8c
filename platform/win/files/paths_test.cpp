#include "platform/win/paths.h"

#include "platform/win/card_drives.h"
#include "platform/win/data_folder.h"
#include "platform/win/last_error.h"

#include <gtest/gtest.h>

#include <fstream>

namespace win {
namespace {

ResolvedPath Resolve(std::string_view path) {
  DWORD error = ERROR_SUCCESS;
  auto resolved = ResolvePath(path, error);
  EXPECT_TRUE(resolved.has_value()) << path << " failed with " << error;
  return resolved.value_or(ResolvedPath{});
}

DWORD ResolveError(std::string_view path) {
  DWORD error = ERROR_SUCCESS;
  EXPECT_FALSE(ResolvePath(path, error).has_value()) << path;
  return error;
}

TEST(Paths, DrivesMapToTheirHostFolders) {
  EXPECT_EQ(Resolve("Z:\\etc\\hostname").host, "/etc/hostname");
  EXPECT_EQ(Resolve("c:\\Windows").host, DriveCFolder() / "Windows");
  EXPECT_EQ(Resolve("/tmp/x/../y").host, "/tmp/y");
  EXPECT_EQ(Resolve("C:/Windows/./a/../b").host, DriveCFolder() / "Windows" / "b");
  EXPECT_EQ(ResolveError("Q:\\file"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(ResolveError(""), ERROR_PATH_NOT_FOUND);
}

TEST(Paths, ExistingComponentsMatchIgnoringCase) {
  std::filesystem::create_directories(DriveCFolder() / "Logs" / "Old");
  std::ofstream(DriveCFolder() / "Logs" / "QWITLK.log") << "x";
  EXPECT_EQ(Resolve("C:\\LOGS\\qwitlk.LOG").host, DriveCFolder() / "Logs" / "QWITLK.log");
  // A missing leaf keeps its spelling; its existing parents take theirs from disk.
  EXPECT_EQ(Resolve("C:\\logs\\OLD\\New.Txt").host, DriveCFolder() / "Logs" / "Old" / "New.Txt");
  EXPECT_EQ(Resolve("C:\\logs\\missing\\OLD").host, DriveCFolder() / "Logs" / "missing" / "OLD");
}

TEST(Paths, RelativePathsFollowTheCurrentDirectory) {
  EXPECT_EQ(CurrentDirectoryPath(), ProgramFolder());
  EXPECT_EQ(Resolve("QWITLK.LOG").host, DriveCFolder() / "Program Files" / "Tarnlok" / "QWITLK.LOG");
  SetCurrentDirectoryPath("C:\\Windows");
  EXPECT_EQ(Resolve("..\\a.ini").host, DriveCFolder() / "a.ini");
  EXPECT_EQ(Resolve("\\b.ini").host, DriveCFolder() / "b.ini");
  EXPECT_EQ(Resolve("Z:c.ini").host, "/c.ini");
  EXPECT_EQ(Resolve("C:d.ini").host, DriveCFolder() / "Windows" / "d.ini");
}

TEST(Paths, TrailingDotsAndSpacesAreDroppedAndBadNamesRefused) {
  EXPECT_EQ(Resolve("C:\\a.txt. ").host, DriveCFolder() / "a.txt");
  EXPECT_EQ(ResolveError("C:\\a?b"), ERROR_INVALID_NAME);
  EXPECT_EQ(ResolveError("C:\\a\x01"), ERROR_INVALID_NAME);
  EXPECT_EQ(ResolveError("C:\\dir\\x:y"), ERROR_INVALID_NAME);
}

TEST(Paths, DeviceNamesAndCardDrives) {
  const auto device = Resolve("\\\\.\\PhysicalDrive1");
  EXPECT_EQ(device.kind, ResolvedPath::Kind::Device);
  EXPECT_EQ(device.deviceName, "PhysicalDrive1");
  EXPECT_EQ(Resolve("\\\\.\\e:").deviceName, "e:");

  MountCardDrive('e', std::shared_ptr<CardVolume>(reinterpret_cast<CardVolume*>(0x10), [](CardVolume*) {}));
  const auto onCard = Resolve("e:\\DCIM\\..\\dcim\\100TEST\\IMG.JPG");
  EXPECT_EQ(onCard.kind, ResolvedPath::Kind::CardVolume);
  EXPECT_EQ(onCard.drive, 'E');
  EXPECT_EQ(onCard.volumePath, "\\dcim\\100TEST\\IMG.JPG");
  EXPECT_EQ(Resolve("E:\\").volumePath, "\\");
  UnmountCardDrive('E');
  EXPECT_EQ(ResolveError("E:\\DCIM"), ERROR_PATH_NOT_FOUND);
}

TEST(Paths, HostPathsBecomeZDrivePaths) {
  EXPECT_EQ(WindowsPathOfHost("/home/user/My Photos"), "Z:\\home\\user\\My Photos");
  EXPECT_EQ(Resolve(WindowsPathOfHost("/home/user/x.fmb")).host, "/home/user/x.fmb");
}

TEST(Paths, ProgramFolderHoldsTheDeliverables) {
  EXPECT_TRUE(std::filesystem::is_directory(DriveCFolder() / "Program Files" / "Tarnlok"));
  EXPECT_TRUE(std::filesystem::exists(DriveCFolder() / "Program Files" / "Tarnlok" / "libtarnlok-platform.so"));
}

}  // namespace
}  // namespace win
