// For the recovery run on the NT family: whether a drive is one of the maker's USB readers,
// and which card kind and reader kind its raw reads need.
#pragma once

#include "device/storage_queries.h"
#include "platform/win/system/types.h"

namespace tarnlok {

// 1 for one of the maker's readers; deviceKind and readerKind (which start at 0 in the caller)
// are set as far as the reader tells them.
int IdentifyReaderNt(win::HANDLE handle, win::BYTE* deviceKind, win::BYTE* readerKind);

// 1 when the registry ties a USB device of the maker's vendor id to the disk the descriptor
// describes.
int FindUsbDeviceNt(const StorageDescriptor& descriptor);

}  // namespace tarnlok
