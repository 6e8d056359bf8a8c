#include "recovery/testing/fat16_card.h"

#include <algorithm>

namespace recovery::test_support {

namespace {

void PutLe16(Bytes& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

Fat16Card::Fat16Card(std::uint32_t sectors, std::uint32_t perCluster)
    : image(std::size_t{sectors} * 512, 0),
      sectorsPerCluster(perCluster),
      clusterCount((sectors - kFirstDataSector) / perCluster) {
  const Bytes bpb = {0xEB, 0x3C, 0x90, 'M', 'S', 'W', 'I', 'N', '4', '.', '1', 0x00, 0x02, 1, 1, 0, 2, 0x00, 0x02};
  std::copy(bpb.begin(), bpb.end(), image.begin());
  image[13] = static_cast<std::uint8_t>(perCluster);
  image[21] = 0xF8;
  PutLe16(image, 22, 16);
  SetSectorCounts(sectors <= 0xFFFF ? static_cast<std::uint16_t>(sectors) : 0, sectors <= 0xFFFF ? 0 : sectors);
  std::copy_n("FAT16   ", 8, image.begin() + 54);
  image[510] = 0x55;
  image[511] = 0xAA;
  SetFat(0, 0xFFF8);
  SetFat(1, 0xFFFF);
}

std::size_t Fat16Card::ClusterOffset(std::uint32_t cluster) const {
  return (kFirstDataSector + std::size_t{cluster - 2} * sectorsPerCluster) * 512;
}

void Fat16Card::Put(std::uint32_t cluster, const Bytes& bytes) {
  std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<long>(ClusterOffset(cluster)));
}

void Fat16Card::SetFat(std::uint32_t cluster, std::uint16_t value) {
  for (std::size_t fat = 0; fat < 2; ++fat) PutLe16(image, (1 + 16 * fat) * 512 + 2 * cluster, value);
}

void Fat16Card::SetRootEntries(const std::vector<Bytes>& entries) {
  std::size_t at = (1 + 32) * 512;
  for (const Bytes& entry : entries) {
    std::copy(entry.begin(), entry.end(), image.begin() + static_cast<long>(at));
    at += 32;
  }
}

void Fat16Card::SetSectorCounts(std::uint16_t total16, std::uint32_t total32) {
  PutLe16(image, 19, total16);
  PutLe16(image, 32, total32 & 0xFFFF);
  PutLe16(image, 34, total32 >> 16);
}

Bytes DirEntry(const std::string& name11, std::uint8_t attribute, std::uint16_t cluster, std::uint32_t size) {
  Bytes e(32, 0);
  std::copy(name11.begin(), name11.end(), e.begin());
  e[11] = attribute;
  PutLe16(e, 26, cluster);
  PutLe16(e, 28, size & 0xFFFF);
  PutLe16(e, 30, size >> 16);
  return e;
}

}  // namespace recovery::test_support
