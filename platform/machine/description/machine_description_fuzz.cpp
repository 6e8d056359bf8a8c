// Fuzzes the machine description parser on arbitrary text: it must either give a machine or
// throw MachineDescriptionError naming what is wrong, nothing else.
#include "platform/machine/description/machine_description.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    (void)machine::ParseMachineDescription(text, "/machine");
  } catch (const machine::MachineDescriptionError&) {}
  return 0;
}
