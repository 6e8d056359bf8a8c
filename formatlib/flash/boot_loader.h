// The x86 boot loader template of the master boot record (at most 446 bytes; the rest of the
// boot code area stays zero). Source: boot_loader.s.
#pragma once

#include <cstdint>
#include <span>

namespace pradvik {

std::span<const std::uint8_t> BootLoaderTemplate();

}  // namespace pradvik
