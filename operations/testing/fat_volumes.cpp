#include "operations/testing/fat_volumes.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace tarnlok::test_support {
namespace {

namespace bpb = win::bpb;

namespace fs = std::filesystem;
constexpr win::DWORD kSector = 512;

fs::path Scratch(const std::string& name) { return TestDataHome() / name; }

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), {});
}

std::string Run(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  std::array<char, 4096> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) output += chunk.data();
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

// A tree a camera and a person leave: nested folders, files of one byte to several clusters,
// long names, contents that differ from file to file.
// A small volume (a floppy disk) gets the same tree with files a tenth the size.
void FillTree(const fs::path& root, std::size_t divisor) {
  fs::remove_all(root);
  fs::create_directories(root / "DCIM" / "100KESTR");
  fs::create_directories(root / "Notes from the trip");
  win::DWORD seed = 12345;
  const auto file = [&](const fs::path& path, std::size_t size) {
    Bytes bytes(size);
    for (auto& byte : bytes) {
      seed = seed * 1103515245 + 12345;
      byte = static_cast<win::BYTE>(seed >> 16);
    }
    WriteFile(path, bytes);
  };
  for (int n = 1; n <= 12; ++n) {
    file(root / "DCIM" / "100KESTR" / ("IMG_" + std::to_string(1000 + n) + ".JPG"), (9000 + 7919 * n * n) / divisor);
  }
  file(root / "Notes from the trip" / "a rather long file name.txt", 1);
  file(root / "Notes from the trip" / "empty.txt", 0);
  file(root / "AUTPRINT.MRK", 513);
}

std::string ImageAt(const fs::path& path, win::DWORD start) {
  return "'" + path.string() + "@@" + std::to_string(std::size_t{start} * kSector) + "'";
}

}  // namespace

Bytes MakeFatCard(int fatBits, win::DWORD cardSectors, win::DWORD start, win::DWORD volumeSectors) {
  const fs::path volumePath = Scratch("made-volume.img");
  fs::remove(volumePath);
  int status = -1;
  const std::string made =
      Run("mkfs.fat -C -F " + std::to_string(fatBits) + " -i 1234ABCD -h " + std::to_string(start) + " '" +
              volumePath.string() + "' " + std::to_string(volumeSectors / 2),
          &status);
  EXPECT_EQ(status, 0) << made;
  const fs::path tree = Scratch("tree");
  FillTree(tree, volumeSectors < 16384 ? 10 : 1);
  const std::string copied =
      Run("cd '" + tree.string() + "' && mcopy -s -Q -i '" + volumePath.string() + "' * ::/", &status);
  EXPECT_EQ(status, 0) << copied;
  const Bytes volume = ReadFile(volumePath);
  Bytes card(std::size_t{cardSectors} * kSector, 0);
  std::copy(volume.begin(), volume.end(), card.begin() + std::size_t{start} * kSector);
  if (start != 0) {
    win::WriteU8(card, 0x1C2, fatBits == 12 ? 0x01 : fatBits == 16 ? 0x06 : 0x0C);
    win::WriteLe32(card, 0x1C6, start);
    win::WriteLe32(card, 0x1CA, volumeSectors);
    win::WriteLe16(card, bpb::kSignatureAt, bpb::kSignature);
  }
  return card;
}

Bytes UsedSpaceBodyOf(const Bytes& card, int fatBits, win::DWORD start) {
  const auto sector = [&](win::DWORD n) {
    return Bytes(card.begin() + std::size_t{n} * kSector, card.begin() + std::size_t{n + 1} * kSector);
  };
  Bytes body;
  const auto append = [&](win::DWORD first, win::DWORD count) {
    for (win::DWORD n = first; n < first + count; ++n) {
      const Bytes bytes = sector(n);
      body.insert(body.end(), bytes.begin(), bytes.end());
    }
  };
  const Bytes boot = sector(start);
  const win::DWORD perCluster = win::ReadU8(boot, bpb::kSectorsPerCluster);
  const win::DWORD reserved = win::ReadLe16(boot, bpb::kReservedSectors);
  const win::DWORD fats = win::ReadU8(boot, bpb::kFatCount);
  const win::DWORD rootEntries = win::ReadLe16(boot, bpb::kRootEntryCount);
  const win::DWORD fatSize =
      fatBits == 32 ? win::ReadLe32(boot, bpb::kSectorsPerFat32) : win::ReadLe16(boot, bpb::kSectorsPerFat16);
  if (start != 0) {
    append(0, start + 1);
  } else {
    append(0, 1);
    body.insert(body.end(), kSector, 0);
  }
  append(start + 1, reserved - 1);
  if (fatBits == 12) append(start + reserved, fatSize);
  const win::DWORD rootSectors = rootEntries * 32 / kSector + (rootEntries % kSector != 0 ? 1 : 0);
  if (fatBits != 32) append(start + reserved + fats * fatSize, rootSectors);
  const win::DWORD dataStart = start + reserved + fats * fatSize + (rootEntries * 32 + kSector - 1) / kSector;
  const std::size_t fatBytes = std::size_t{fatSize} * kSector;
  const std::size_t fatAt = std::size_t{start + reserved} * kSector;
  const auto record = [&](win::DWORD offset, win::DWORD value, win::DWORD cluster) {
    std::array<win::BYTE, 8> bytes{};
    win::WriteLe32(bytes, 0, offset);
    win::WriteLe32(bytes, 4, value);
    body.insert(body.end(), bytes.begin(), bytes.end());
    append(dataStart + (cluster - 2) * perCluster, perCluster);
  };
  for (win::DWORD cluster = 2;; ++cluster) {
    const std::size_t offset = fatBits == 12 ? cluster * 3 / 2 : cluster * (fatBits / 8);
    if (offset + (fatBits == 12 ? 2 : fatBits / 8) > fatBytes) break;
    const std::span<const win::BYTE> fat(card.data() + fatAt, fatBytes);
    win::DWORD value = fatBits == 32 ? win::ReadLe32(fat, offset) : win::ReadLe16(fat, offset);
    if (fatBits == 12) value = cluster % 2 == 0 ? (value & 0xFFF) : (value >> 4);
    if (value != 0) record(static_cast<win::DWORD>(offset), value, cluster);
  }
  return body;
}

FsckResult CheckVolume(const Bytes& card, win::DWORD start) {
  const fs::path path = Scratch("checked-volume.img");
  WriteFile(path, Bytes(card.begin() + std::size_t{start} * kSector, card.end()));
  return CheckVolumeFile(path);
}

FsckResult CheckVolumeFile(const fs::path& volume) {
  FsckResult result;
  result.output = Run("fsck.fat -n -v '" + volume.string() + "'", &result.status);
  return result;
}

std::vector<std::pair<std::string, Bytes>> VolumeFiles(const Bytes& card, win::DWORD start) {
  const fs::path path = Scratch("listed-card.img");
  WriteFile(path, card);
  const fs::path out = Scratch("listed-files");
  fs::remove_all(out);
  fs::create_directories(out);
  int status = -1;
  const std::string copied = Run("mcopy -s -n -Q -i " + ImageAt(path, start) + " ::/ '" + out.string() + "'", &status);
  EXPECT_EQ(status, 0) << copied;
  std::vector<std::pair<std::string, Bytes>> files;
  for (const auto& entry : fs::recursive_directory_iterator(out)) {
    const std::string name = fs::relative(entry.path(), out).string();
    files.emplace_back(name, entry.is_regular_file() ? ReadFile(entry.path()) : Bytes{});
  }
  std::sort(files.begin(), files.end());
  return files;
}

int FatBitsByClusterCount(const Bytes& card, win::DWORD start) {
  const std::span<const win::BYTE> boot(card.data() + std::size_t{start} * kSector, kSector);
  const win::DWORD total = win::ReadLe16(boot, bpb::kTotalSectors16) != 0 ? win::ReadLe16(boot, bpb::kTotalSectors16)
                                                                          : win::ReadLe32(boot, bpb::kTotalSectors32);
  const win::DWORD fatSize = win::ReadLe16(boot, bpb::kSectorsPerFat16) != 0
                                 ? win::ReadLe16(boot, bpb::kSectorsPerFat16)
                                 : win::ReadLe32(boot, bpb::kSectorsPerFat32);
  const win::DWORD system = win::ReadLe16(boot, bpb::kReservedSectors) + win::ReadU8(boot, bpb::kFatCount) * fatSize +
                            (win::ReadLe16(boot, bpb::kRootEntryCount) * 32 + kSector - 1) / kSector;
  const win::DWORD clusters = (total - system) / win::ReadU8(boot, bpb::kSectorsPerCluster);
  return clusters < 4085 ? 12 : clusters < 65525 ? 16 : 32;
}

}  // namespace tarnlok::test_support
