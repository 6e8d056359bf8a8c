// What the file services tell of a file or directory on a FAT volume.
#pragma once

#include "platform/machine/fat/fat_directory.h"

#include <string>

namespace machine {

struct FatFileInfo {
  std::string name;  // the long name, else the short name
  std::string shortName;  // the 8.3 name
  std::uint8_t attributes = 0;
  std::uint32_t size = 0;
  std::uint32_t firstCluster = 0;
  FatDateTime created;
  FatDateTime written;
  FatDateTime accessed;  // a date only
  EntryPlace place;  // the file's identity; zero for the root directory

  bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
};

// The information of a directory entry.
FatFileInfo FileInfoOf(const DirEntry& e);

}  // namespace machine
