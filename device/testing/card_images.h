// Card images for the device tests: numbered sectors, FAT volumes formatted by mkfs.fat, and a
// master boot record put in front of a volume.
#pragma once

#include "platform/win/system/types.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok::test_support {

// A card image of the sectors, each beginning with its number (a little-endian u32).
std::vector<win::BYTE> NumberedImage(std::size_t sectors);

// The bytes of a volume of sectors formatted with FAT12, 16 or 32 by mkfs.fat, with the volume
// label given (none when empty).
std::vector<win::BYTE> FormattedVolume(int fatBits, std::size_t sectors, const std::string& label = {});

// A master boot record whose first partition starts at sector start, in front of the volume.
std::vector<win::BYTE> Partitioned(const std::vector<win::BYTE>& volume, win::DWORD start);

// Writes the bytes to a file of the test's data folder and answers its path.
std::filesystem::path WriteImage(const std::string& name, const std::vector<win::BYTE>& bytes);

}  // namespace tarnlok::test_support
