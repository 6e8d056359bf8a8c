#include "formatlib/testing/flash_machine.h"

#include "platform/machine/description/machine_description.h"
#include "tests/support/test_data_folder.h"

#include <fstream>
#include <iterator>

namespace pradvik::test_support {

InstalledMachine::InstalledMachine(const std::string& json)
    : machine_(std::make_unique<machine::Machine>(
          machine::ParseMachineDescription(json, tarnlok::test_support::TestDataHome()))) {
  machine_->Install();
}

InstalledMachine::~InstalledMachine() { machine_->Uninstall(); }

std::filesystem::path ImagePath(const std::string& name) { return tarnlok::test_support::TestDataHome() / name; }

std::vector<std::uint8_t> ReadImage(const std::string& name) {
  std::ifstream file(ImagePath(name), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

LoadedLibrary::LoadedLibrary() : module_(win::LoadLibraryA("Pradvik2k.DLL")) {}

LoadedLibrary::~LoadedLibrary() {
  if (module_ != nullptr) win::FreeLibrary(module_);
}

}  // namespace pradvik::test_support
