#include "platform/win/modules/module_names.h"

#include <gtest/gtest.h>

namespace win {
namespace {

TEST(ModuleNames, SplitsFolderAndAddsTheDefaultExtension) {
  const auto full = SplitModuleName("C:\\PROGRAM FILES\\TARNLOK\\PRADVIK2K.DLL");
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->folder, "C:\\PROGRAM FILES\\TARNLOK\\");
  EXPECT_EQ(full->fileName, "PRADVIK2K.DLL");

  const auto bare = SplitModuleName("wnaspi32");
  ASSERT_TRUE(bare.has_value());
  EXPECT_EQ(bare->folder, "");
  EXPECT_EQ(bare->fileName, "wnaspi32.DLL");

  const auto host = SplitModuleName("/opt/lib/X.dll");
  ASSERT_TRUE(host.has_value());
  EXPECT_EQ(host->folder, "/opt/lib/");

  EXPECT_FALSE(SplitModuleName("").has_value());
  EXPECT_FALSE(SplitModuleName("C:\\dir\\").has_value());
}

TEST(ModuleNames, OnlyDllAndExeNamesHaveASharedObject) {
  EXPECT_EQ(SharedObjectFileName("Pradvik2k.DLL"), "libPradvik2k.so");
  EXPECT_EQ(SharedObjectFileName("viduvod.dll"), "libviduvod.so");
  EXPECT_EQ(SharedObjectFileName("winhlp32.exe"), "libwinhlp32.exe.so");
  EXPECT_EQ(SharedObjectFileName("WINHLP32.EXE"), "libWINHLP32.exe.so");
  EXPECT_FALSE(SharedObjectFileName("Tarnlok.com").has_value());
  EXPECT_FALSE(SharedObjectFileName(".EXE").has_value());
  EXPECT_FALSE(SharedObjectFileName(".DLL").has_value());
  EXPECT_FALSE(SharedObjectFileName("DLL").has_value());
}

}  // namespace
}  // namespace win
