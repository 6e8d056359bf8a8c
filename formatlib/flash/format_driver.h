// The low-level format export: identifies the card in one of the maker's readers, takes its
// volume, keeps or replaces its card information structure, erases every block while listing
// the bad ones, and lays a FAT volume onto it; a Memory Stick Pro is formatted by the reader.
#pragma once

#include <pradvik_exports.h>

namespace pradvik::exports {

DoFormatFn DoFormat;
DoPanoramicFormatFn DoPanoramicFormat;

}  // namespace pradvik::exports
