// Card images for the FAT driver's tests: formatted by mkfs.fat, filled and judged by mtools
// and fsck.fat, so that the driver is checked against tools that owe it nothing.
#pragma once

#include "platform/machine/fat/fat_volume.h"
#include "platform/machine/cards/image_file_device.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace machine::test_support {

enum class FatKind { Floppy12, Fat16, Fat32 };

// The sector where the partition of an image with a partition table starts (1 MiB).
constexpr std::uint64_t kPartitionStart = 2048;

struct TestImage {
  std::filesystem::path path;
  std::uint64_t offset = 0;  // byte offset of the volume in the file
  FatKind kind = FatKind::Floppy12;

  // The image as mtools names it ("file@@offset").
  std::string MtoolsTarget() const;
};

// A fresh image in the test's data folder, formatted with serial 1234ABCD and label TESTVOL:
// a 1.44 MB floppy, a 64 MB FAT16 or a 256 MB FAT32 volume, alone or as the one partition
// of a table written here.
TestImage MakeImage(const std::string& name, FatKind kind, bool withPartitionTable);

struct ToolResult {
  int status = -1;
  std::string output;  // standard output and error together
};

// Runs a shell command (mtools' drive checks off); fails the test when it cannot start.
ToolResult RunTool(const std::string& command);
// The argument quoted for the shell.
std::string Quote(const std::string& text);

// fsck.fat -n over the image's volume.
ToolResult CheckWithFsck(const TestImage& image);
// The free bytes mdir reports.
std::uint64_t MtoolsFreeBytes(const TestImage& image);
// Copies a host file into the volume with mcopy; `target` is an mtools path ("::/A/b.txt").
void PutWithMtools(const TestImage& image, const std::filesystem::path& source, const std::string& target);
// The bytes of a file of the volume as mtype prints them.
std::string ReadWithMtools(const TestImage& image, const std::string& target);

// A volume of an image, found as the machine finds it (partition table or superfloppy).
struct OpenVolume {
  std::unique_ptr<ImageFileDevice> card;
  std::unique_ptr<SectorWindow> window;
  std::unique_ptr<FatVolume> volume;
};
OpenVolume Open(const TestImage& image);

// The fixed time test images are stamped with.
FatDateTime FixedTime();
// Bytes of a recognisable pattern that differs per seed.
std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed);
void WriteHostFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path);

// Overwrites a little-endian field of 1, 2 or 4 bytes, as a corrupt card would hold it.
void PatchLe(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width, std::uint32_t value);

// Reads a whole file of the volume through the driver.
std::vector<std::uint8_t> ReadWhole(FatVolume& volume, const std::string& path);

}  // namespace machine::test_support
