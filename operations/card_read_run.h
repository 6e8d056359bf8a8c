// The read phase of a duplicate: the whole source card into its image, block after block in
// card order. A memory image holds every block in full (a bad or unused block's data 0xFF, a
// bad block marked in its own extra or redundant bytes); a temporary file holds a raw flash
// block's data only after the extra or redundant bytes of a good block in use, as a backup
// image does. Every read goes through the hooks' error prompt.
#pragma once

#include "operations/card_write_run.h"
#include "operations/duplicate_image.h"

namespace tarnlok {

// Bytes the image of a card takes: raw flash blocks with their extra or redundant bytes, plain
// cards their sectors.
win::ULONGLONG MemoryStickImageBytes(win::DWORD blockCount, win::DWORD pagesPerBlock);
win::ULONGLONG SmartMediaImageBytes(win::DWORD blockCount, win::DWORD pagesPerBlock, win::DWORD mediaSizeCode);

// Each ends kWriteFailed when the temporary file took fewer bytes than it was given.
RunEnd ReadMemoryStickCard(const FlashCard& card, win::DWORD blockCount, DuplicateImage& image, RunHooks& hooks);
RunEnd ReadSmartMediaCard(const FlashCard& card, win::DWORD blockCount, DuplicateImage& image, RunHooks& hooks);
// The card's sectors of bytesPerSector each; kWriteFailed, before any read, when a memory image
// cannot hold them all.
RunEnd ReadPlainCard(win::HANDLE handle, const DeviceEntry& entry, win::DWORD totalSectors, win::DWORD sectorsPerBlock,
                     win::DWORD bytesPerSector, DuplicateImage& image, RunHooks& hooks);

}  // namespace tarnlok
