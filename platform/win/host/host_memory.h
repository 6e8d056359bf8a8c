// Large zero-filled memory straight from the host's pages: the kernel hands them out already
// zero, on huge pages where the host has them, and all at once: a block of a gigabyte costs one
// call instead of a quarter of a million page faults and a pass of zeroes.
#pragma once

#include <cstddef>

namespace win {

// Blocks of at least this size come from the host's pages; smaller ones from the heap.
constexpr std::size_t kHostPagesThreshold = std::size_t{1} << 21;

// size zero-filled bytes, or null when the host cannot give them all.
void* AllocateHostPages(std::size_t size);
void FreeHostPages(void* memory, std::size_t size);

}  // namespace win
