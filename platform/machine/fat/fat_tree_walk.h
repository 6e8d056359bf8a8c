// A walk over every file and directory of a FAT volume, each directory visited once, so that
// a directory that (through corruption) contains one of its ancestors ends the walk with an
// error rather than running forever.
#pragma once

#include "platform/machine/fat_file_info.h"

#include <functional>
#include <string>

namespace machine {

// Called with the path ("DCIM\100ABCDE\IMG_0001.JPG") and information of each entry.
using FatTreeVisitor = std::function<void(const std::string& path, const FatFileInfo& info)>;

// Visits each directory's entries in directory order, then its subdirectories depth first;
// "." and ".." are left out.
// ERROR_DISK_CORRUPT when a directory is reached twice or a chain is broken.
IoStatus WalkFatTree(SectorDevice& device, const FatTreeVisitor& visit);

}  // namespace machine
