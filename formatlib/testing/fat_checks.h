// Checks of the volumes the FAT formatters lay down, judged by fsck.fat and mtools: a machine
// with one plain card, the card's sectors read from its image, the boot record's fields, and a
// file written and read back.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pradvik::test_support {

struct PlainCard {
  std::string kind = "cf";  // cf, mmcsd, floppy
  std::uint64_t sectors = 0;
  std::string bus = "usb";
  bool maker = true;
  std::string windows = "xp";
  bool writeProtected = false;
};

// The machine description of one reader holding the card (letter E, or A for a floppy or
// LS-120 drive) whose image is `image`; `faults` is the card's JSON list of faults, if any.
std::string PlainCardMachine(const PlainCard& card, const std::string& image, const std::string& faults = "");

// A card image of that many zero sectors, as a card that was never formatted.
void WriteBlankImage(const std::string& image, std::uint64_t sectors);

std::array<std::uint8_t, 512> ReadCardSector(const std::string& image, std::uint64_t lba);

// The fields of a boot record as the system reads them.
struct BootFields {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t reservedSectors = 0;
  std::uint32_t rootEntries = 0;
  std::uint32_t shortTotal = 0;
  std::uint32_t longTotal = 0;
  std::uint32_t sectorsPerFat = 0;  // the 16-bit field, else the FAT32 one
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t heads = 0;
  std::uint32_t hiddenSectors = 0;
  std::uint8_t media = 0;
  std::string fileSystem;
  std::uint32_t Total() const { return shortTotal != 0 ? shortTotal : longTotal; }
  // Clusters of the data area, and the FAT width the system reads them with.
  std::uint32_t Clusters() const;
  int FatBits() const;
};
BootFields ReadBootFields(const std::array<std::uint8_t, 512>& sector);

struct PartitionFields {
  std::uint8_t type = 0;
  std::uint32_t firstSector = 0;
  std::uint32_t sectors = 0;
  std::uint32_t endCylinder = 0;
  std::uint32_t endHead = 0;
  std::uint32_t endSector = 0;
};
PartitionFields ReadFirstPartition(const std::array<std::uint8_t, 512>& mbr);

// fsck.fat -n accepts the volume at `firstSector` without a word of complaint, and a file copied
// in with mtools reads back the same; the file's name tells the failing case.
void ExpectSoundVolume(const std::string& image, std::uint64_t firstSector, const std::string& label);

}  // namespace pradvik::test_support
