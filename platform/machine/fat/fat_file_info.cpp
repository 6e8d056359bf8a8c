#include "platform/machine/fat_file_info.h"

namespace machine {

FatFileInfo FileInfoOf(const DirEntry& e) {
  FatFileInfo info;
  info.name = e.name;
  info.shortName = e.shortName;
  info.attributes = e.entry.attributes;
  info.size = e.IsDirectory() ? 0 : e.entry.size;
  info.firstCluster = e.entry.firstCluster;
  info.created = DecodeFatTime(e.entry.created.date, e.entry.created.time, e.entry.created.tenths);
  info.written = DecodeFatTime(e.entry.written.date, e.entry.written.time, 0);
  info.accessed = DecodeFatTime(e.entry.accessDate, 0, 0);
  info.place = e.place;
  return info;
}

}  // namespace machine
