#include "platform/win/modules/modules.h"

#include "platform/win/system/last_error.h"
#include "platform/win/modules/module_image.h"
#include "platform/win/modules/module_names.h"
#include "platform/win/modules/module_registration.h"
#include "platform/win/files/paths.h"
#include "platform/win/registry/text_case.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace win {
namespace {

constexpr std::string_view kExecutableFileName = "Tarnlok.exe";
// Library handles look like the image bases Windows hands out, far from the program's.
constexpr std::uintptr_t kFirstLibraryHandle = 0x10000000;
constexpr std::uintptr_t kLibraryHandleStep = 0x10000;
// GetProcAddress takes an ordinal in place of a name when the high word is zero.
constexpr std::uintptr_t kLargestOrdinal = 0xFFFF;

struct CloseSharedObject {
  void operator()(void* object) const { ::dlclose(object); }
};
using SharedObject = std::unique_ptr<void, CloseSharedObject>;

struct LoadedModule {
  std::string fileName;  // the Windows path GetModuleFileNameA answers
  int references = 1;
  bool permanent = false;  // the program and resident built-in modules
  SharedObject object;  // null for the program and built-in modules
  const BuiltinModule* builtin = nullptr;
  std::shared_ptr<ModuleImage> image;  // null for built-in modules
};

struct ModuleTable {
  std::recursive_mutex lock;
  std::map<HMODULE, LoadedModule> modules;
  // Images of the shared objects that are mapped, by dlopen handle: a shared object that stays
  // mapped after its last FreeLibrary does not construct its static objects again.
  std::map<void*, std::shared_ptr<ModuleImage>> images;
  std::uintptr_t nextHandle = kFirstLibraryHandle;

  HMODULE NewHandle() {
    const auto handle = reinterpret_cast<HMODULE>(nextHandle);
    nextHandle += kLibraryHandleStep;
    return handle;
  }
};

// The system folder with its trailing backslash, as module paths are built from it.
std::string SystemFolderPrefix() { return SystemFolder() + "\\"; }

ModuleTable& Table() {
  // Never destroyed: modules may still be freed by static objects during exit.
  static ModuleTable* const table = [] {
    auto* created = new ModuleTable;
    created->modules.emplace(ExecutableModule(), LoadedModule{ProgramFolder() + std::string(kExecutableFileName), 1,
                                                              true, nullptr, nullptr, ExecutableImage()});
    if (const BuiltinModule* user32 = FindBuiltinModule("USER32.DLL")) {
      created->modules.emplace(created->NewHandle(),
                               LoadedModule{SystemFolderPrefix() + std::string(BuiltinModuleName(*user32)), 1, true,
                                            nullptr, user32, nullptr});
    }
    return created;
  }();
  return *table;
}

LoadedModule* Find(HMODULE module) {
  auto& modules = Table().modules;
  const auto found = modules.find(module == nullptr ? ExecutableModule() : module);
  return found == modules.end() ? nullptr : &found->second;
}

template <class Predicate>
HMODULE FindHandle(Predicate predicate) {
  auto& modules = Table().modules;
  const auto found =
      std::find_if(modules.begin(), modules.end(), [&](const auto& entry) { return predicate(entry.second); });
  return found == modules.end() ? nullptr : found->first;
}

HMODULE NotFound() {
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

bool IsSystemFolder(std::string_view folder) {
  if (folder.empty()) return true;
  std::string absolute = AbsoluteWindowsPath(folder);
  std::replace(absolute.begin(), absolute.end(), '/', '\\');
  return EqualsIgnoringCase(absolute, SystemFolderPrefix());
}

std::vector<std::string> SearchFolders(const ModuleName& name) {
  if (!name.folder.empty()) return {name.folder};
  return {ProgramFolder(), SystemFolderPrefix()};
}

std::string WindowsPathOf(const std::string& folder, const std::string& fileName) {
  const std::string path = folder + fileName;
  return path.front() == '/' ? path : AbsoluteWindowsPath(path);
}

HMODULE LoadBuiltin(const BuiltinModule& builtin) {
  if (!BuiltinModuleAvailable(builtin, CurrentWindowsVersion())) return NotFound();
  auto& table = Table();
  if (const HMODULE loaded = FindHandle([&](const LoadedModule& module) { return module.builtin == &builtin; })) {
    ++table.modules.at(loaded).references;
    return loaded;
  }
  const HMODULE handle = table.NewHandle();
  table.modules.emplace(handle, LoadedModule{SystemFolderPrefix() + std::string(BuiltinModuleName(builtin)), 1, false,
                                             nullptr, &builtin, nullptr});
  return handle;
}

// The image of a freshly opened shared object: what its static objects registered now, or,
// when it was still mapped and registered nothing, what they registered before.
std::shared_ptr<ModuleImage> AdoptImage(void* object, const std::shared_ptr<ModuleImage>& fresh) {
  auto& stored = Table().images[object];
  const bool stillMapped = stored != nullptr && (stored->registration != nullptr || stored->app != nullptr);
  if (!fresh->Empty() || !stillMapped) stored = fresh;
  return stored;
}

// Removes a module from the table and closes its shared object.
void Unload(HMODULE handle) {
  auto& table = Table();
  const auto found = table.modules.find(handle);
  if (found == table.modules.end()) return;
  const std::shared_ptr<ModuleImage> image = std::move(found->second.image);
  SharedObject object = std::move(found->second.object);
  table.modules.erase(found);
  if (image == nullptr) return;
  image->handle = nullptr;
  void* const closed = object.get();
  object.reset();
  const auto stored = table.images.find(closed);
  if (stored != table.images.end() && stored->second->registration == nullptr && stored->second->app == nullptr) {
    table.images.erase(stored);
  }
}

bool RunInitInstance(HMODULE handle, ModuleApp& app) {
  try {
    if (app.InitInstance()) return true;
  } catch (...) {
    Unload(handle);
    throw;
  }
  app.ExitInstance();
  Unload(handle);
  return false;
}

HMODULE LoadSharedObject(const std::filesystem::path& host, std::string windowsPath) {
  PendingModuleLoad pending;
  SharedObject object(::dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (object == nullptr) {
    std::fprintf(stderr, "tarnlok: %s: %s\n", windowsPath.c_str(), ::dlerror());
    return NotFound();
  }
  auto& table = Table();
  // The same shared object again, also under another name: one module, one more reference.
  if (const HMODULE loaded =
          FindHandle([&](const LoadedModule& module) { return module.object.get() == object.get(); })) {
    ++table.modules.at(loaded).references;
    return loaded;
  }
  const auto image = AdoptImage(object.get(), pending.image());
  if (!image->fault.empty()) {
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  const HMODULE handle = table.NewHandle();
  image->handle = handle;
  table.modules.emplace(handle, LoadedModule{std::move(windowsPath), 1, false, std::move(object), nullptr, image});
  if (image->app != nullptr && !RunInitInstance(handle, *image->app)) {
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return handle;
}

bool DefinedInObject(void* symbol, void* object) {
  Dl_info info{};
  link_map* owner = nullptr;
  link_map* expected = nullptr;
  return ::dladdr1(symbol, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) != 0 &&
         ::dlinfo(object, RTLD_DI_LINKMAP, &expected) == 0 && owner == expected;
}

FARPROC ProcedureNotFound() {
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto name = SplitModuleName(fileName);
  if (!name) return NotFound();
  auto& table = Table();
  std::lock_guard guard(table.lock);
  if (IsSystemFolder(name->folder)) {
    if (const BuiltinModule* builtin = FindBuiltinModule(name->fileName)) return LoadBuiltin(*builtin);
  }
  const auto sharedObject = SharedObjectFileName(name->fileName);
  if (!sharedObject) return NotFound();
  for (const std::string& folder : SearchFolders(*name)) {
    const auto host = HostPathOf(folder + *sharedObject);
    std::error_code error;
    if (host && std::filesystem::is_regular_file(*host, error)) {
      return LoadSharedObject(*host, WindowsPathOf(folder, name->fileName));
    }
  }
  return NotFound();
}

BOOL FreeLibrary(HMODULE module) {
  auto& table = Table();
  std::lock_guard guard(table.lock);
  LoadedModule* loaded = module == nullptr ? nullptr : Find(module);
  if (loaded == nullptr) return Fail(ERROR_MOD_NOT_FOUND);
  if (loaded->permanent || --loaded->references > 0) return TRUE;
  if (loaded->image != nullptr && loaded->image->app != nullptr) loaded->image->app->ExitInstance();
  Unload(module);
  return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (reinterpret_cast<std::uintptr_t>(procName) <= kLargestOrdinal) return ProcedureNotFound();
  auto& table = Table();
  std::lock_guard guard(table.lock);
  const LoadedModule* loaded = Find(module);
  if (loaded == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (loaded->builtin != nullptr) {
    const FARPROC procedure = BuiltinProcedure(*loaded->builtin, procName, CurrentWindowsVersion());
    return procedure != nullptr ? procedure : ProcedureNotFound();
  }
  if (loaded->object == nullptr) return ProcedureNotFound();
  ::dlerror();
  void* const symbol = ::dlsym(loaded->object.get(), procName);
  if (symbol == nullptr || !DefinedInObject(symbol, loaded->object.get())) return ProcedureNotFound();
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return ExecutableModule();
  const auto name = SplitModuleName(moduleName);
  if (!name) return NotFound();
  std::lock_guard guard(Table().lock);
  const HMODULE found = FindHandle(
      [&](const LoadedModule& module) { return EqualsIgnoringCase(FileNamePart(module.fileName), name->fileName); });
  return found != nullptr ? found : NotFound();
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path;
  {
    std::lock_guard guard(Table().lock);
    const LoadedModule* loaded = Find(module);
    if (loaded == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = loaded->fileName;
  }
  if (size > 0 && fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (path.size() < size) {
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
  }
  // Windows XP and older leave a cut path without its zero; we always end it, so that a
  // caller that measures the text stays inside its buffer.
  if (size > 0) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
  }
  SetLastError(ERROR_INSUFFICIENT_BUFFER);
  return size;
}

std::shared_ptr<ModuleImage> ImageOfModule(HMODULE module) {
  std::lock_guard guard(Table().lock);
  const LoadedModule* loaded = Find(module);
  return loaded == nullptr ? nullptr : loaded->image;
}

}  // namespace win
