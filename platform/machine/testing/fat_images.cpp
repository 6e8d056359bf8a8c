#include "platform/machine/testing/fat_images.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/machine/fat/fat_partition.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace machine::test_support {
namespace {

struct KindParameters {
  const char* fatBits;
  std::uint64_t kibibytes;
  std::uint8_t partitionType;
};

KindParameters ParametersOf(FatKind kind) {
  switch (kind) {
    case FatKind::Floppy12: return {"12", 1440, 0x01};
    case FatKind::Fat16: return {"16", 64 * 1024, 0x06};
    case FatKind::Fat32: return {"32", 256 * 1024, 0x0C};
  }
  return {"12", 1440, 0x01};
}

void WritePartitionTable(const std::filesystem::path& path, std::uint8_t type, std::uint64_t sectors) {
  std::array<std::uint8_t, 512> mbr{};
  namespace table = win::partition_table;
  mbr[table::kFirstEntry + table::kStatus] = 0x80;
  mbr[table::kFirstEntry + table::kType] = type;
  win::WriteLe32(mbr, table::kFirstEntry + table::kFirstSector, static_cast<std::uint32_t>(kPartitionStart));
  win::WriteLe32(mbr, table::kFirstEntry + table::kSectorCount, static_cast<std::uint32_t>(sectors));
  win::WriteLe16(mbr, win::bpb::kSignatureAt, win::bpb::kSignature);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.write(reinterpret_cast<const char*>(mbr.data()), mbr.size());
}

}  // namespace

std::string TestImage::MtoolsTarget() const { return path.string() + "@@" + std::to_string(offset); }

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

ToolResult RunTool(const std::string& command) {
  const std::string full = "MTOOLS_SKIP_CHECK=1 " + command + " 2>&1";
  FILE* pipe = ::popen(full.c_str(), "r");
  EXPECT_NE(pipe, nullptr) << command;
  ToolResult result;
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk{};
  while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe))
    result.output.append(chunk.data(), got);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

TestImage MakeImage(const std::string& name, FatKind kind, bool withPartitionTable) {
  const KindParameters parameters = ParametersOf(kind);
  TestImage image;
  image.path = tarnlok::test_support::TestDataHome() / name;
  image.kind = kind;
  image.offset = withPartitionTable ? kPartitionStart * 512 : 0;
  std::filesystem::remove(image.path);
  { std::ofstream create(image.path, std::ios::binary); }
  std::filesystem::resize_file(image.path, image.offset + parameters.kibibytes * 1024);
  std::string command = "mkfs.fat --invariant -i 1234ABCD -n TESTVOL -F " + std::string(parameters.fatBits);
  if (withPartitionTable) {
    command += " -h " + std::to_string(kPartitionStart) + " --offset=" + std::to_string(kPartitionStart);
  }
  command += " " + Quote(image.path.string()) + " " + std::to_string(parameters.kibibytes);
  const ToolResult made = RunTool(command);
  EXPECT_EQ(made.status, 0) << made.output;
  if (withPartitionTable) WritePartitionTable(image.path, parameters.partitionType, parameters.kibibytes * 2);
  return image;
}

ToolResult CheckWithFsck(const TestImage& image) {
  std::filesystem::path volume = image.path;
  if (image.offset != 0) {
    volume += ".volume";
    const ToolResult copied =
        RunTool("dd if=" + Quote(image.path.string()) + " of=" + Quote(volume.string()) +
                " bs=1M iflag=skip_bytes skip=" + std::to_string(image.offset) + " conv=sparse status=none");
    EXPECT_EQ(copied.status, 0) << copied.output;
  }
  ToolResult result = RunTool("fsck.fat -n " + Quote(volume.string()));
  if (image.offset != 0) std::filesystem::remove(volume);
  return result;
}

std::uint64_t MtoolsFreeBytes(const TestImage& image) {
  const ToolResult listing = RunTool("mdir -i " + Quote(image.MtoolsTarget()) + " ::");
  EXPECT_EQ(listing.status, 0) << listing.output;
  const auto at = listing.output.find("bytes free");
  EXPECT_NE(at, std::string::npos) << listing.output;
  if (at == std::string::npos) return 0;
  const auto lineStart = listing.output.rfind('\n', at);
  std::string digits;
  for (std::size_t i = lineStart + 1; i < at; ++i) {
    if (std::isdigit(static_cast<unsigned char>(listing.output[i]))) digits += listing.output[i];
  }
  return std::stoull(digits);
}

void PutWithMtools(const TestImage& image, const std::filesystem::path& source, const std::string& target) {
  const ToolResult copied =
      RunTool("mcopy -i " + Quote(image.MtoolsTarget()) + " " + Quote(source.string()) + " " + Quote(target));
  EXPECT_EQ(copied.status, 0) << copied.output;
}

std::string ReadWithMtools(const TestImage& image, const std::string& target) {
  const ToolResult typed = RunTool("mtype -i " + Quote(image.MtoolsTarget()) + " " + Quote(target));
  EXPECT_EQ(typed.status, 0) << typed.output;
  return typed.output;
}

OpenVolume Open(const TestImage& image) {
  OpenVolume open;
  auto card = ImageFileDevice::Open(image.path, false);
  EXPECT_TRUE(card.ok()) << card.error();
  if (!card) return open;
  open.card = std::move(*card);
  auto extent = FindFatVolume(*open.card);
  EXPECT_TRUE(extent.ok()) << extent.error();
  if (!extent) return open;
  EXPECT_EQ(extent->firstSector * 512, image.offset);
  open.window = std::make_unique<SectorWindow>(*open.card, extent->firstSector, extent->sectorCount);
  open.volume = std::make_unique<FatVolume>(*open.window, FixedTime);
  return open;
}

FatDateTime FixedTime() { return FatDateTime{2003, 4, 5, 6, 7, 8, 0}; }

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

void WriteHostFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadHostFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return {};
  std::vector<std::uint8_t> bytes(size);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return bytes;
}

void PatchLe(std::span<std::uint8_t> bytes, std::size_t offset, std::size_t width, std::uint32_t value) {
  switch (width) {
    case 1: return win::WriteU8(bytes, offset, static_cast<std::uint8_t>(value));
    case 2: return win::WriteLe16(bytes, offset, static_cast<std::uint16_t>(value));
    case 4: return win::WriteLe32(bytes, offset, value);
  }
  ADD_FAILURE() << "no field is " << width << " bytes wide";
}

std::vector<std::uint8_t> ReadWhole(FatVolume& volume, const std::string& path) {
  auto info = volume.Stat(path);
  EXPECT_TRUE(info.ok()) << path << ": " << info.error();
  if (!info) return {};
  std::vector<std::uint8_t> bytes(info->size);
  auto read = volume.Read(info->place, 0, bytes);
  EXPECT_TRUE(read.ok()) << path << ": " << read.error();
  EXPECT_EQ(read.ok() ? *read : 0, bytes.size());
  return bytes;
}

}  // namespace machine::test_support
