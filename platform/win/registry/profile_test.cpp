#include "platform/win/registry/profile.h"

#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace win {
namespace {

constexpr DWORD kSentinel = 0xC0FFEE;

std::filesystem::path WindowsFolder() { return DriveCFolder() / "Windows"; }

std::string ReadHost(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteHost(const std::filesystem::path& file, std::string_view text) {
  std::ofstream(file, std::ios::binary) << text;
}

struct Answer {
  DWORD length;
  std::string text;  // the buffer's first length + 2 bytes
  DWORD error;
};

Answer Get(LPCSTR section, LPCSTR key, LPCSTR defaultValue, DWORD size, LPCSTR file) {
  std::string buffer(size + 4, '#');
  SetLastError(kSentinel);
  const DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file);
  const DWORD error = GetLastError();
  return {length, buffer.substr(0, std::min<std::size_t>(length + 2, size)), error};
}

TEST(Profile, ABareFileNameMeansTheWindowsFolder) {
  ASSERT_TRUE(WritePrivateProfileStringA("DefDir", "DefDir", "C:\\Help", "TLKLV2CL.INI"));
  EXPECT_EQ(ReadHost(WindowsFolder() / "TLKLV2CL.INI"), "[DefDir]\r\nDefDir=C:\\Help\r\n");
  const auto answer = Get("defdir", "DEFDIR", "Fail", 260, "tlklv2cl.ini");
  EXPECT_EQ(answer.length, 7U);
  EXPECT_EQ(answer.text, std::string("C:\\Help\0#", 9));
  EXPECT_EQ(answer.error, ERROR_SUCCESS);
  EXPECT_EQ(Get("DefDir", "DefDir", "Fail", 260, "C:\\WINDOWS\\TlkLv2Cl.Ini").text.substr(0, 7), "C:\\Help");
  // A path with a folder is taken as it stands.
  EXPECT_EQ(Get("DefDir", "DefDir", "Fail", 260, "C:\\TLKLV2CL.INI").text, std::string("Fail\0#", 6));
}

TEST(Profile, AMissingFileOrEntryGivesTheDefault) {
  auto answer = Get("DefDir", "DefDir", "Fail", 260, "TLKLCALL.INI");
  EXPECT_EQ(answer.length, 4U);
  EXPECT_EQ(answer.text, std::string("Fail\0#", 6));
  EXPECT_EQ(answer.error, ERROR_FILE_NOT_FOUND);
  // Trailing blanks of the default are dropped; a null default is empty.
  EXPECT_EQ(Get("DefDir", "DefDir", "  NO  ", 20, "Pradvik.ini").text, std::string("  NO\0#", 6));
  EXPECT_EQ(Get("DefDir", "DefDir", nullptr, 20, "Pradvik.ini").length, 0U);

  WriteHost(WindowsFolder() / "DUD.INI", "[Vendor]\r\nOther=1\r\n");
  answer = Get("Vendor", "DefDir", "", 260, "DUD.INI");
  EXPECT_EQ(answer.length, 0U);
  EXPECT_EQ(answer.text, std::string("\0#", 2));
  EXPECT_EQ(answer.error, ERROR_SUCCESS);
  EXPECT_EQ(Get("Elsewhere", "Other", "d", 260, "DUD.INI").text, std::string("d\0#", 3));
}

TEST(Profile, LongValuesAreCutToTheBuffer) {
  WriteHost(WindowsFolder() / "Cut.ini", "[S]\r\nK=abcdef\r\n");
  auto answer = Get("S", "K", "", 4, "Cut.ini");
  EXPECT_EQ(answer.length, 3U);
  EXPECT_EQ(answer.text, std::string("abc\0", 4));
  EXPECT_EQ(answer.error, ERROR_MORE_DATA);
  answer = Get("S", "K", "", 1, "Cut.ini");
  EXPECT_EQ(answer.length, 0U);
  EXPECT_EQ(answer.text, std::string("\0", 1));
  answer = Get("S", "K", "", 7, "Cut.ini");
  EXPECT_EQ(answer.text, std::string("abcdef\0", 7));
  EXPECT_EQ(answer.error, ERROR_SUCCESS);
  char untouched = '#';
  EXPECT_EQ(GetPrivateProfileStringA("S", "K", "", &untouched, 0, "Cut.ini"), 0U);
  EXPECT_EQ(untouched, '#');
}

TEST(Profile, NullSectionOrKeyListsNames) {
  WriteHost(WindowsFolder() / "List.ini",
            "[One]\r\na=1\r\n; note=x\r\nbb = 2\r\nflag\r\n\r\n[Two]\r\n[one]\r\nc=3\r\n");
  auto answer = Get(nullptr, nullptr, "ignored", 64, "List.ini");
  EXPECT_EQ(answer.length, 8U);
  EXPECT_EQ(answer.text, std::string("One\0Two\0\0#", 10));
  answer = Get("ONE", nullptr, "ignored", 64, "List.ini");
  EXPECT_EQ(answer.text, std::string("a\0bb\0flag\0\0#", 12));
  EXPECT_EQ(answer.length, 10U);
  EXPECT_EQ(Get("Three", nullptr, "ignored", 64, "List.ini").text, std::string("\0\0", 2));

  // A list that does not fit is cut to size - 2 characters and ended by two zeros.
  answer = Get(nullptr, nullptr, "", 6, "List.ini");
  EXPECT_EQ(answer.length, 4U);
  EXPECT_EQ(answer.text, std::string("One\0\0\0", 6));
  EXPECT_EQ(answer.error, ERROR_MORE_DATA);
  answer = Get("One", nullptr, "", 5, "List.ini");
  EXPECT_EQ(answer.text, std::string("a\0b\0\0", 5));
  EXPECT_EQ(answer.length, 3U);
}

TEST(Profile, BlanksQuotesAndCaseAreIgnoredWhenReading) {
  WriteHost(WindowsFolder() / "Spaces.ini",
            "  [ KRDEBUG ]  \n  KRDBGDUMP  =  \"yes please\"  \nsingle='x'\nlone=\"\nhalf=\"a'\nempty=\n");
  EXPECT_EQ(Get("krdebug", " KRDbgDump ", "NO", 20, "Spaces.ini").text, std::string("yes please\0#", 12));
  EXPECT_EQ(Get("KRDEBUG", "single", "NO", 20, "Spaces.ini").text, std::string("x\0#", 3));
  EXPECT_EQ(Get("KRDEBUG", "lone", "NO", 20, "Spaces.ini").text, std::string("\"\0#", 3));
  EXPECT_EQ(Get("KRDEBUG", "half", "NO", 20, "Spaces.ini").text, std::string("\"a'\0#", 5));
  EXPECT_EQ(Get("KRDEBUG", "empty", "NO", 20, "Spaces.ini").length, 0U);
}

TEST(Profile, IntegersReadTheirLeadingDigits) {
  WriteHost(WindowsFolder() / "Numbers.ini", "[N]\na=42\nb=-3\nc=0x1F\nd=12abc\ne=abc\nf=\n");
  EXPECT_EQ(GetPrivateProfileIntA("N", "a", 7, "Numbers.ini"), 42U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "b", 7, "Numbers.ini"), static_cast<UINT>(-3));
  EXPECT_EQ(GetPrivateProfileIntA("N", "c", 7, "Numbers.ini"), 31U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "d", 7, "Numbers.ini"), 12U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "e", 7, "Numbers.ini"), 0U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "f", 7, "Numbers.ini"), 7U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "missing", 7, "Numbers.ini"), 7U);
  EXPECT_EQ(GetPrivateProfileIntA("N", "a", 7, "NoSuch.ini"), 7U);
}

TEST(Profile, WritingReplacesAddsAndDeletesAndKeepsTheRest) {
  const auto file = WindowsFolder() / "DFDLLDMP.INI";
  WriteHost(file,
            "; layout dump\r\n"
            "[File_System]\r\n"
            "Sectors = 100 ; old\r\n"
            "Heads=2\r\n"
            "\r\n"
            "[Other]\r\n"
            "keep=me\r\n");
  ASSERT_TRUE(WritePrivateProfileStringA("file_system", "SECTORS", "2048", "DFDLLDMP.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("File_System", "FatType", "FAT16", "DFDLLDMP.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("New", "k", " v ", "DFDLLDMP.INI"));
  EXPECT_EQ(ReadHost(file),
            "; layout dump\r\n"
            "[File_System]\r\n"
            "Sectors=2048\r\n"
            "Heads=2\r\n"
            "FatType=FAT16\r\n"
            "\r\n"
            "[Other]\r\n"
            "keep=me\r\n"
            "\r\n"
            "[New]\r\n"
            "k= v \r\n");

  ASSERT_TRUE(WritePrivateProfileStringA("File_System", "heads", nullptr, "DFDLLDMP.INI"));
  ASSERT_TRUE(WritePrivateProfileStringA("OTHER", nullptr, nullptr, "DFDLLDMP.INI"));
  EXPECT_EQ(ReadHost(file),
            "; layout dump\r\n"
            "[File_System]\r\n"
            "Sectors=2048\r\n"
            "FatType=FAT16\r\n"
            "\r\n"
            "[New]\r\n"
            "k= v \r\n");
  EXPECT_EQ(Get("Other", "keep", "gone", 20, "DFDLLDMP.INI").text, std::string("gone\0#", 6));

  // Deleting what is not there changes nothing and creates no file.
  EXPECT_TRUE(WritePrivateProfileStringA("None", nullptr, nullptr, "Absent.ini"));
  EXPECT_TRUE(WritePrivateProfileStringA("None", "k", nullptr, "Absent.ini"));
  EXPECT_FALSE(std::filesystem::exists(WindowsFolder() / "Absent.ini"));
}

TEST(Profile, AFileWithLineFeedsKeepsThem) {
  const auto file = WindowsFolder() / "Unix.ini";
  WriteHost(file, "[A]\nx=1");
  ASSERT_TRUE(WritePrivateProfileStringA("A", "y", "2", "unix.INI"));
  EXPECT_EQ(ReadHost(file), "[A]\nx=1\ny=2\n");
  EXPECT_FALSE(std::filesystem::exists(WindowsFolder() / "unix.INI")) << "the existing file is the one written";
}

TEST(Profile, WriteFailuresAreReported) {
  SetLastError(kSentinel);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", "C:\\No Such Folder\\x.ini"));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  SetLastError(kSentinel);
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "k", "v", "x.ini"));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  SetLastError(kSentinel);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, "x.ini"));
  EXPECT_FALSE(std::filesystem::exists(WindowsFolder() / "x.ini"));
}

}  // namespace
}  // namespace win
