// Helpers of the format library's tests: a machine described by JSON in the test's data folder,
// installed for the test's lifetime, and the library loaded from the program folder with its
// exports bound by name, as the Format page binds them.
#pragma once

#include <pradvik_exports.h>

#include "platform/machine/machine.h"
#include "platform/win/modules/modules.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pradvik::test_support {

class InstalledMachine {
 public:
  explicit InstalledMachine(const std::string& json);
  ~InstalledMachine();
  InstalledMachine(const InstalledMachine&) = delete;
  InstalledMachine& operator=(const InstalledMachine&) = delete;
  machine::Machine& Get() { return *machine_; }

 private:
  std::unique_ptr<machine::Machine> machine_;
};

// The whole image file of a card, relative to the test's data folder.
std::vector<std::uint8_t> ReadImage(const std::string& name);
std::filesystem::path ImagePath(const std::string& name);

// Windows 9x: the card driver's device node of the reader at the letter (the device id the
// Format page passes there); 0 when the driver or the node cannot be found.
std::uint32_t CardDriverNode(char letter);

class LoadedLibrary {
 public:
  LoadedLibrary();
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  bool Loaded() const { return module_ != nullptr; }
  template <typename Fn>
  Fn* Bind(const char* name) const {
    return reinterpret_cast<Fn*>(win::GetProcAddress(module_, name));
  }

 private:
  win::HMODULE module_ = nullptr;
};

}  // namespace pradvik::test_support
