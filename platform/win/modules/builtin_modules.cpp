#include "platform/win/modules/builtin_modules.h"

#include "platform/win/registry/text_case.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace win {
namespace {

bool Always(WindowsVersion) { return true; }
bool OnWindows9x(WindowsVersion version) { return !IsNtFamily(version); }
bool FromWindows2000(WindowsVersion version) {
  return version == WindowsVersion::Win2000 || version == WindowsVersion::Xp;
}

struct ProcedureSlot {
  std::string_view name;
  bool (*available)(WindowsVersion);
  FARPROC function = nullptr;
};

}  // namespace

struct BuiltinModule {
  std::string_view name;
  bool (*available)(WindowsVersion);
  bool resident;
  std::vector<ProcedureSlot> procedures;
};

namespace {

struct BuiltinTable {
  std::mutex lock;
  std::array<BuiltinModule, 2> modules{
      BuiltinModule{
          "WNASPI32.DLL", OnWindows9x, false, {{"GetASPI32SupportInfo", Always}, {"SendASPI32Command", Always}}},
      BuiltinModule{"USER32.DLL", Always, true, {{"SetLayeredWindowAttributes", FromWindows2000}}},
  };
};

BuiltinTable& Table() {
  static BuiltinTable table;
  return table;
}

BuiltinModule* FindModule(std::string_view fileName) {
  auto& modules = Table().modules;
  const auto found = std::find_if(modules.begin(), modules.end(), [fileName](const BuiltinModule& module) {
    return EqualsIgnoringCase(module.name, fileName);
  });
  return found == modules.end() ? nullptr : &*found;
}

// GetProcAddress names are case-sensitive, so only the exact name matches.
template <class Module>
auto* FindSlot(Module& module, std::string_view procedure) {
  const auto found = std::find_if(module.procedures.begin(), module.procedures.end(),
                                  [procedure](const ProcedureSlot& slot) { return slot.name == procedure; });
  return found == module.procedures.end() ? nullptr : &*found;
}

}  // namespace

const BuiltinModule* FindBuiltinModule(std::string_view fileName) { return FindModule(fileName); }

void SetBuiltinProcedure(std::string_view module, std::string_view procedure, FARPROC function) {
  BuiltinModule* found = FindModule(module);
  ProcedureSlot* slot = found == nullptr ? nullptr : FindSlot(*found, procedure);
  if (slot == nullptr) {
    throw std::invalid_argument(std::string(procedure) + " of " + std::string(module) + " is not a built-in procedure");
  }
  std::lock_guard guard(Table().lock);
  slot->function = function;
}

std::string_view BuiltinModuleName(const BuiltinModule& module) { return module.name; }

bool BuiltinModuleAvailable(const BuiltinModule& module, WindowsVersion version) { return module.available(version); }

bool BuiltinModuleResident(const BuiltinModule& module) { return module.resident; }

FARPROC BuiltinProcedure(const BuiltinModule& module, std::string_view procedure, WindowsVersion version) {
  const ProcedureSlot* slot = FindSlot(module, procedure);
  if (slot == nullptr || !slot->available(version)) return nullptr;
  std::lock_guard guard(Table().lock);
  return slot->function;
}

}  // namespace win
