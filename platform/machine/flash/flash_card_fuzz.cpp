// Fuzzes a reader's firmware on raw flash: the logical block map built from whatever the spare
// areas (SmartMedia) or extra data (Memory Stick) hold, every logical sector read through it,
// writes that move blocks, and the FAT volume on top.
//
// An input is a card kind and changes to a factory-fresh image of that card, so that short
// inputs reach deep states: byte 0 picks the card (1 MB or 2 MB SmartMedia, 4 MB Memory Stick),
// then each change is a 4-byte little-endian position, a length byte and that many bytes laid
// over the image from there: a position is an image offset (taken modulo the image size) or,
// with its top bit set, an offset into the spare areas alone.
#include "platform/machine/card_image.h"
#include "platform/machine/flash_card.h"
#include "platform/machine/flash_factory.h"
#include "platform/machine/testing/fuzz_fat_volume.h"

#include "platform/win/byte_order.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

constexpr std::uint32_t kSerial = 0x5EED5EED;
constexpr std::size_t kChangeHeader = 5;

machine::CardDescription CardOfKind(std::uint8_t selector) {
  machine::CardDescription card;
  const std::array<std::uint8_t, 2> smartMediaCodes{0x6E, 0x64};
  const std::uint8_t kind = selector % 3;
  card.image = std::filesystem::temp_directory_path() /
               ("tarnlok-flash-fuzz-" + std::to_string(::getpid()) + "-" + std::to_string(kind) + ".img");
  if (kind < smartMediaCodes.size()) {
    card.kind = machine::CardKind::SmartMedia;
    card.smartMediaDeviceCode = smartMediaCodes[kind];
  } else {
    card.kind = machine::CardKind::MemoryStick;
    card.blocks = 512;
    card.pagesPerBlock = 16;
  }
  return card;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// The fresh image of a card kind, made once, and the file the harness lays it out in, which
// goes when the process ends.
struct KindImage {
  std::filesystem::path path;
  std::vector<std::uint8_t> fresh;
  ~KindImage() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::vector<std::uint8_t>& FreshImage(const machine::CardDescription& card, std::uint8_t kind) {
  static std::array<KindImage, 3> images;
  auto& image = images[kind % images.size()];
  if (image.fresh.empty()) {
    image.path = card.image;
    machine::MakeFreshFlashImage(card, kSerial);
    image.fresh = ReadFile(card.image);
  }
  return image.fresh;
}

// Where a byte of a change lands: positions with the top bit set count only the bytes of the
// spare areas (the extra data on Memory Stick), which hold what the map is built from.
std::uint64_t ImageOffset(const machine::FlashGeometry& geometry, std::uint64_t position, std::uint64_t imageBytes) {
  constexpr std::uint64_t kSpareOnly = 0x80000000;
  if ((position & kSpareOnly) == 0) return position % imageBytes;
  const std::uint64_t index = position & ~kSpareOnly;
  if (geometry.blockExtra != 0) {
    const std::uint64_t at = index % (std::uint64_t{geometry.blocks} * geometry.blockExtra);
    return geometry.BlockOffset(static_cast<std::uint32_t>(at / geometry.blockExtra)) + at % geometry.blockExtra;
  }
  const std::uint64_t at = index % (geometry.Pages() * geometry.pageSpare);
  return geometry.SpareOffset(at / geometry.pageSpare) + at % geometry.pageSpare;
}

void ApplyChanges(const machine::FlashGeometry& geometry, std::span<const std::uint8_t> changes,
                  std::vector<std::uint8_t>& image) {
  std::size_t at = 0;
  while (at + kChangeHeader <= changes.size()) {
    const std::uint64_t position = win::ReadLe32(changes, at);
    const std::size_t length = std::min<std::size_t>(changes[at + 4], changes.size() - at - kChangeHeader);
    for (std::size_t i = 0; i < length; ++i) {
      image[ImageOffset(geometry, position + i, image.size())] = changes[at + kChangeHeader + i];
    }
    at += kChangeHeader + length;
  }
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Every logical sector, a block's worth at a time, as the reader's READ(10) moves them.
void ReadEverySector(machine::SectorDevice& card) {
  constexpr std::uint64_t kChunk = 32;
  std::vector<std::uint8_t> buffer(kChunk * machine::SectorDevice::kSectorSize);
  for (std::uint64_t first = 0; first < card.SectorCount(); first += kChunk) {
    const auto count = std::min(kChunk, card.SectorCount() - first);
    (void)card.ReadSectors(first, std::span(buffer).first(count * machine::SectorDevice::kSectorSize));
  }
}

using Sector = std::array<std::uint8_t, machine::SectorDevice::kSectorSize>;

Sector PatternOf(std::uint64_t sector) {
  Sector bytes;
  bytes.fill(static_cast<std::uint8_t>(sector * 37 + 1));
  return bytes;
}

bool ReadsBack(machine::SectorDevice& card, std::uint64_t sector) {
  Sector read{};
  return !card.ReadSectors(sector, read).ok() || read == PatternOf(sector);
}

// Rewrites a few sectors (so that their blocks move to free ones, or are first given one) and
// stops at once when a write that succeeded does not read back; gives the sectors written.
std::vector<std::uint64_t> RewriteSectors(machine::SectorDevice& card) {
  const std::uint64_t last = card.SectorCount() - 1;
  std::vector<std::uint64_t> written;
  for (const std::uint64_t sector : {std::uint64_t{0}, last / 2, last}) {
    if (!card.WriteSectors(sector, PatternOf(sector)).ok()) continue;
    if (!ReadsBack(card, sector)) std::abort();
    written.push_back(sector);
  }
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto card = CardOfKind(data[0]);
  std::vector<std::uint8_t> image = FreshImage(card, data[0] % 3);
  ApplyChanges(machine::FlashGeometryOf(card), std::span(data + 1, size - 1), image);
  WriteFile(card.image, image);
  auto device = machine::OpenCardImage(card);
  if (!device) return 0;
  ReadEverySector(**device);
  const auto written = RewriteSectors(**device);
  // The card goes back into the reader: its map is built anew and must find what was written.
  device = machine::OpenCardImage(card);
  if (!device) return 0;
  for (const std::uint64_t sector : written) {
    if (!ReadsBack(**device, sector)) std::abort();
  }
  machine::testing::ExerciseFatVolume(**device);
  return 0;
}
