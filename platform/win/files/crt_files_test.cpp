#include "platform/win/crt_files.h"

#include "platform/win/file_test_support.h"
#include "platform/win/volumes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace win {
namespace {

using testing::HostOfC;
using testing::ReadHostFile;
using testing::WriteHostFile;

// Closes the stream at the end of a test, also when an assertion stops it early.
struct Stream {
  explicit Stream(FILE* opened) : file(opened) {}
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ~Stream() {
    if (file != nullptr) fclose(file);
  }
  int Close() { return fclose(std::exchange(file, nullptr)); }
  FILE* file;
};

std::vector<BYTE> Pattern(std::size_t size) {
  std::vector<BYTE> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>(i * 7 + i / 256);
  return bytes;
}

TEST(CrtFiles, ReadsWritesAndSeeksAgreeWithTheFile) {
  const auto pattern = Pattern(10000);  // more than one buffer
  Stream stream(fopen("C:\\Data.bin", "wb+"));
  ASSERT_NE(stream.file, nullptr);
  EXPECT_EQ(fwrite(pattern.data(), 1, 3, stream.file), 3U);
  EXPECT_EQ(fwrite(pattern.data() + 3, 1, pattern.size() - 3, stream.file), pattern.size() - 3);
  EXPECT_EQ(ftell(stream.file), 10000);

  EXPECT_EQ(fseek(stream.file, 0, CRT_SEEK_SET), 0);
  BYTE part[20];
  EXPECT_EQ(fread(part, 1, 3, stream.file), 3U);
  EXPECT_EQ(ftell(stream.file), 3);
  EXPECT_EQ(fgetc(stream.file), pattern[3]);
  EXPECT_EQ(fseek(stream.file, -2, CRT_SEEK_CUR), 0);
  EXPECT_EQ(ftell(stream.file), 2);
  EXPECT_EQ(fgetc(stream.file), pattern[2]);
  EXPECT_EQ(fseek(stream.file, 5000, CRT_SEEK_SET), 0);
  EXPECT_EQ(fgetc(stream.file), pattern[5000]);

  EXPECT_EQ(fseek(stream.file, -10, CRT_SEEK_END), 0);
  EXPECT_EQ(ftell(stream.file), 9990);
  EXPECT_EQ(fread(part, 4, 5, stream.file), 2U) << "only whole items count";
  EXPECT_EQ(std::memcmp(part, pattern.data() + 9990, 10), 0);
  EXPECT_TRUE(feof(stream.file));
  EXPECT_EQ(fgetc(stream.file), CRT_EOF);
  EXPECT_EQ(fseek(stream.file, 0, CRT_SEEK_SET), 0);
  EXPECT_FALSE(feof(stream.file));

  // A failed seek leaves the position alone.
  EXPECT_EQ(fseek(stream.file, 7, CRT_SEEK_SET), 0);
  EXPECT_EQ(fseek(stream.file, -8, CRT_SEEK_CUR), -1);
  EXPECT_EQ(fseek(stream.file, 0, 3), -1);
  EXPECT_EQ(ftell(stream.file), 7);
  EXPECT_EQ(stream.Close(), 0);
  const auto onDisk = ReadHostFile(HostOfC("Data.bin"));
  EXPECT_EQ(std::vector<BYTE>(onDisk.begin(), onDisk.end()), pattern);
}

TEST(CrtFiles, SwitchingBetweenReadingAndWritingKeepsThePosition) {
  WriteHostFile(HostOfC("mixed.txt"), "0123456789");
  Stream stream(fopen("c:\\MIXED.TXT", "r+b"));
  ASSERT_NE(stream.file, nullptr);
  EXPECT_EQ(fgetc(stream.file), '0');
  EXPECT_EQ(fgetc(stream.file), '1');
  EXPECT_EQ(fseek(stream.file, 0, CRT_SEEK_CUR), 0);
  EXPECT_EQ(fputc('X', stream.file), 'X');
  EXPECT_EQ(ftell(stream.file), 3);
  EXPECT_EQ(fgetc(stream.file), '3');
  EXPECT_EQ(fseek(stream.file, 0, CRT_SEEK_END), 0);
  EXPECT_EQ(fputs("AB", stream.file), 0);
  EXPECT_EQ(ftell(stream.file), 12);
  EXPECT_EQ(stream.Close(), 0);
  EXPECT_EQ(ReadHostFile(HostOfC("mixed.txt")), "01X3456789AB");
}

TEST(CrtFiles, StreamsBufferTheirBytes) {
  WriteHostFile(HostOfC("buffered.txt"), "abcdef");
  Stream reader(fopen("C:\\buffered.txt", "rb"));
  ASSERT_NE(reader.file, nullptr);
  EXPECT_EQ(fgetc(reader.file), 'a');
  // What was read ahead is served from the buffer, not from the changed file.
  WriteHostFile(HostOfC("buffered.txt"), "ABCDEF");
  EXPECT_EQ(fgetc(reader.file), 'b');

  Stream writer(fopen("C:\\written.txt", "w"));
  ASSERT_NE(writer.file, nullptr);
  EXPECT_EQ(fputc('x', writer.file), 'x');
  EXPECT_EQ(fprintf(writer.file, "%s=%d\n", "key", 42), 7);
  EXPECT_EQ(ReadHostFile(HostOfC("written.txt")), "");
  EXPECT_EQ(fflush(writer.file), 0);
  EXPECT_EQ(ReadHostFile(HostOfC("written.txt")), "xkey=42\n");
}

TEST(CrtFiles, AppendModesAlwaysWriteAtTheEnd) {
  WriteHostFile(HostOfC("log.txt"), "abc");
  Stream append(fopen("C:\\log.txt", "a+"));
  ASSERT_NE(append.file, nullptr);
  EXPECT_EQ(fgetc(append.file), 'a');
  EXPECT_EQ(fputs("de", append.file), 0);
  EXPECT_EQ(ftell(append.file), 5);
  EXPECT_EQ(fseek(append.file, 0, CRT_SEEK_SET), 0);
  EXPECT_EQ(fputc('f', append.file), 'f');
  EXPECT_EQ(append.Close(), 0);

  Stream writeOnly(fopen("C:\\log.txt", "ab"));
  ASSERT_NE(writeOnly.file, nullptr);
  EXPECT_EQ(fseek(writeOnly.file, 1, CRT_SEEK_SET), 0);
  EXPECT_EQ(fputc('g', writeOnly.file), 'g');
  EXPECT_EQ(fgetc(writeOnly.file), CRT_EOF) << "a write-only stream cannot be read";
  EXPECT_TRUE(ferror(writeOnly.file));
  EXPECT_EQ(writeOnly.Close(), 0);
  EXPECT_EQ(ReadHostFile(HostOfC("log.txt")), "abcdefg");

  Stream created(fopen("C:\\new.log", "a"));
  ASSERT_NE(created.file, nullptr);
  EXPECT_EQ(created.Close(), 0);
  EXPECT_EQ(ReadHostFile(HostOfC("new.log")), "");
}

TEST(CrtFiles, FgetsReadsLinesAsTheyStand) {
  WriteHostFile(HostOfC("lines.txt"), "line one\r\nline two\nlast");
  Stream stream(fopen("C:\\lines.txt", "rt"));
  ASSERT_NE(stream.file, nullptr);
  char line[64];
  ASSERT_EQ(fgets(line, sizeof line, stream.file), line);
  EXPECT_STREQ(line, "line one\r\n");
  ASSERT_EQ(fgets(line, 5, stream.file), line);
  EXPECT_STREQ(line, "line");
  ASSERT_EQ(fgets(line, sizeof line, stream.file), line);
  EXPECT_STREQ(line, " two\n");
  ASSERT_EQ(fgets(line, 1, stream.file), line);
  EXPECT_STREQ(line, "");
  ASSERT_EQ(fgets(line, sizeof line, stream.file), line);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(fgets(line, sizeof line, stream.file), nullptr);
  EXPECT_TRUE(feof(stream.file));
  rewind(stream.file);
  EXPECT_FALSE(feof(stream.file));
  EXPECT_EQ(fgetc(stream.file), 'l');
}

TEST(CrtFiles, FailuresAreReported) {
  testing::ArmLastError();
  EXPECT_EQ(fopen("C:\\missing.txt", "r"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  testing::ArmLastError();
  EXPECT_EQ(fopen("C:\\missing\\x.txt", "w"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  for (const char* mode : {"", "x", "rw", "r+q"}) {
    testing::ArmLastError();
    EXPECT_EQ(fopen("C:\\any.txt", mode), nullptr) << mode;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << mode;
  }
  EXPECT_FALSE(std::filesystem::exists(HostOfC("any.txt")));

  WriteHostFile(HostOfC("ro.txt"), "r");
  Stream reader(fopen("C:\\ro.txt", "r"));
  ASSERT_NE(reader.file, nullptr);
  EXPECT_EQ(fputc('x', reader.file), CRT_EOF);
  EXPECT_TRUE(ferror(reader.file));
  BYTE huge[2];
  EXPECT_EQ(fread(huge, SIZE_MAX / 2, 4, reader.file), 0U);

  EXPECT_EQ(fclose(nullptr), CRT_EOF);
  EXPECT_EQ(fgetc(nullptr), CRT_EOF);
  EXPECT_EQ(ftell(nullptr), -1);
  EXPECT_EQ(fflush(nullptr), CRT_EOF);
}

TEST(CrtFiles, AFullDiskShowsWhenTheBufferIsWritten) {
  SetInjectedHostFreeSpace(10);
  Stream stream(fopen("C:\\full.txt", "wb"));
  ASSERT_NE(stream.file, nullptr);
  const auto pattern = Pattern(100);
  EXPECT_EQ(fwrite(pattern.data(), 1, pattern.size(), stream.file), pattern.size());
  EXPECT_EQ(fflush(stream.file), CRT_EOF);
  EXPECT_TRUE(ferror(stream.file));
  EXPECT_EQ(stream.Close(), 0) << "nothing was left to write";
  SetInjectedHostFreeSpace(std::nullopt);
}

TEST(CrtFiles, RemoveAndRename) {
  WriteHostFile(HostOfC("old.txt"), "x");
  EXPECT_EQ(rename("C:\\OLD.TXT", "C:\\new.txt"), 0);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("old.txt")));
  EXPECT_EQ(ReadHostFile(HostOfC("new.txt")), "x");
  EXPECT_EQ(remove("c:\\NEW.txt"), 0);
  EXPECT_EQ(remove("C:\\new.txt"), -1);
  EXPECT_FALSE(std::filesystem::exists(HostOfC("new.txt")));
}

}  // namespace
}  // namespace win
