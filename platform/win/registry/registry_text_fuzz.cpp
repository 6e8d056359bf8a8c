// Fuzzes the settings file's text: whatever tree a text reads as is saved and read again, and
// must come back as the same tree without a line reported.
#include "platform/win/registry/registry_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto first = win::ParseRegistryText(std::string_view(reinterpret_cast<const char*>(data), size));
  const auto again = win::ParseRegistryText(win::FormatRegistryText(first.tree));
  if (!again.problems.empty() || !(again.tree == first.tree)) std::abort();
  return 0;
}
