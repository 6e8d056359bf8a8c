#include "platform/win/registry/registry.h"

#include "platform/win/host/atomic_file.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/system/last_error.h"
#include "platform/win/registry/registry_store.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

namespace win {
namespace {

struct PredefinedKey {
  HKEY handle;
  RegistryRoot root;
};

const std::array<PredefinedKey, kRegistryRootCount>& PredefinedKeys() {
  static const std::array<PredefinedKey, kRegistryRootCount> keys{{
      {HKEY_LOCAL_MACHINE, RegistryRoot::LocalMachine},
      {HKEY_CURRENT_USER, RegistryRoot::CurrentUser},
      {HKEY_CLASSES_ROOT, RegistryRoot::ClassesRoot},
      {HKEY_USERS, RegistryRoot::Users},
  }};
  return keys;
}

// Opened keys get values of their own range, never reused, so a stale key fails.
constexpr std::uintptr_t kFirstKeyHandle = 0x10000000;
constexpr std::uintptr_t kKeyHandleStep = 4;

struct OpenKey {
  RegistryRoot root;
  std::vector<std::string> path;
  REGSAM access;
};

// A key as the services see it: computed by the provider or stored.
struct KeyView {
  std::optional<SynthesizedKey> synthesized;
  RegistryKeyNode* stored = nullptr;
  bool Exists() const { return synthesized.has_value() || stored != nullptr; }
};

struct Registry {
  std::mutex lock;
  bool loaded = false;
  // Set when the file exists but cannot be read: it is then never overwritten.
  bool keepFile = false;
  RegistryTree tree;
  std::map<std::uintptr_t, OpenKey> keys;
  std::uintptr_t nextKey = kFirstKeyHandle;
  SynthesizedKeyProvider provider;
};

Registry& State() {
  static Registry registry;
  return registry;
}

std::filesystem::path RegistryFile() { return DataFolder() / "registry"; }

void SeedFreshRegistry(RegistryTree& tree) {
  static const std::array<std::string, 6> kShellFolders{"Software",       "Microsoft", "Windows",
                                                        "CurrentVersion", "Explorer",  "Shell Folders"};
  bool created = false;
  tree.FindOrCreate(RegistryRoot::CurrentUser, kShellFolders, created)
      .values.insert_or_assign("Personal", StringData("C:\\My Documents"));
}

// Reads the file once per process. A file with unreadable lines is kept beside as
// registry.corrupt before it is first rewritten without them.
void EnsureLoaded(Registry& registry) {
  if (registry.loaded) return;
  registry.loaded = true;
  registry.tree = RegistryTree{};
  DWORD error = ERROR_SUCCESS;
  const auto text = ReadWholeFile(RegistryFile(), error);
  if (!text) {
    registry.keepFile = error != ERROR_FILE_NOT_FOUND;
    if (registry.keepFile) std::cerr << "tarnlok: the registry file cannot be read (error " << error << ")\n";
    SeedFreshRegistry(registry.tree);
    return;
  }
  auto parsed = ParseRegistryText(*text);
  registry.tree = std::move(parsed.tree);
  if (parsed.problems.empty()) return;
  for (const auto& problem : parsed.problems) std::cerr << "tarnlok: registry " << problem << "\n";
  ReplaceFileContents(DataFolder() / "registry.corrupt", *text);
}

DWORD Save(const Registry& registry) {
  if (registry.keepFile) return ERROR_CANTWRITE;
  return ReplaceFileContents(RegistryFile(), FormatRegistryText(registry.tree)) == ERROR_SUCCESS ? ERROR_SUCCESS
                                                                                                 : ERROR_CANTWRITE;
}

std::optional<OpenKey> Lookup(const Registry& registry, HKEY key) {
  for (const auto& predefined : PredefinedKeys()) {
    if (predefined.handle == key) return OpenKey{predefined.root, {}, KEY_ALL_ACCESS};
  }
  const auto found = registry.keys.find(reinterpret_cast<std::uintptr_t>(key));
  if (found == registry.keys.end()) return std::nullopt;
  return found->second;
}

std::string JoinPath(std::span<const std::string> path) {
  std::string joined;
  for (const auto& name : path) {
    if (!joined.empty()) joined += '\\';
    joined += name;
  }
  return joined;
}

std::optional<SynthesizedKey> Synthesized(const Registry& registry, RegistryRoot root,
                                          std::span<const std::string> path) {
  if (!registry.provider) return std::nullopt;
  return registry.provider(root, JoinPath(path));
}

KeyView View(Registry& registry, RegistryRoot root, std::span<const std::string> path) {
  KeyView view;
  view.synthesized = Synthesized(registry, root, path);
  if (!view.synthesized) view.stored = registry.tree.Find(root, path);
  return view;
}

// Appends the components of a sub-key path. A path may not begin with a backslash; empty
// components elsewhere are ignored, as Windows does with a trailing backslash.
DWORD AppendSubKey(LPCSTR subKey, std::vector<std::string>& path) {
  if (subKey == nullptr) return ERROR_SUCCESS;
  std::string_view rest(subKey);
  if (!rest.empty() && rest.front() == '\\') return ERROR_BAD_PATHNAME;
  while (!rest.empty()) {
    const auto end = rest.find('\\');
    if (end != 0) path.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  return ERROR_SUCCESS;
}

HKEY InsertKey(Registry& registry, OpenKey key) {
  const std::uintptr_t value = registry.nextKey;
  registry.nextKey += kKeyHandleStep;
  registry.keys.emplace(value, std::move(key));
  return reinterpret_cast<HKEY>(value);
}

// Whether a key on the way to path (below the open key it starts from) is synthesized.
bool InsideSynthesizedKey(const Registry& registry, RegistryRoot root, std::span<const std::string> path) {
  for (std::size_t length = 0; length < path.size(); ++length) {
    if (Synthesized(registry, root, path.first(length))) return true;
  }
  return false;
}

std::string_view ValueName(LPCSTR name) { return name == nullptr ? std::string_view() : std::string_view(name); }

// The open key with the access it needs; the error otherwise.
DWORD Access(Registry& registry, HKEY key, REGSAM needed, OpenKey& open) {
  auto found = Lookup(registry, key);
  if (!found) return ERROR_INVALID_HANDLE;
  if ((found->access & needed) != needed) return ERROR_ACCESS_DENIED;
  open = std::move(*found);
  return ERROR_SUCCESS;
}

// The open key a call starts from (base) and the key subKey names below it, to be opened with
// access (below); loads the registry first.
DWORD KeyBelow(Registry& registry, HKEY key, LPCSTR subKey, REGSAM access, OpenKey& base, OpenKey& below) {
  EnsureLoaded(registry);
  if (const DWORD error = Access(registry, key, 0, base); error != ERROR_SUCCESS) return error;
  below = OpenKey{base.root, base.path, access};
  return AppendSubKey(subKey, below.path);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM access, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  OpenKey base;
  OpenKey opened;
  if (const DWORD error = KeyBelow(registry, key, subKey, access, base, opened); error != ERROR_SUCCESS) return error;
  if (!View(registry, opened.root, opened.path).Exists()) return ERROR_FILE_NOT_FOUND;
  *result = InsertKey(registry, std::move(opened));
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD /*reserved*/, LPSTR /*keyClass*/, DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* /*security*/, HKEY* result, DWORD* disposition) {
  if (result == nullptr || subKey == nullptr || options != REG_OPTION_NON_VOLATILE) {
    return ERROR_INVALID_PARAMETER;
  }
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  OpenKey base;
  OpenKey opened;
  if (const DWORD error = KeyBelow(registry, key, subKey, access, base, opened); error != ERROR_SUCCESS) return error;
  DWORD outcome = REG_OPENED_EXISTING_KEY;
  if (!View(registry, opened.root, opened.path).Exists()) {
    if ((base.access & KEY_CREATE_SUB_KEY) == 0 || InsideSynthesizedKey(registry, opened.root, opened.path)) {
      return ERROR_ACCESS_DENIED;
    }
    bool created = false;
    registry.tree.FindOrCreate(opened.root, opened.path, created);
    outcome = REG_CREATED_NEW_KEY;
    if (const DWORD error = Save(registry); error != ERROR_SUCCESS) return error;
  }
  *result = InsertKey(registry, std::move(opened));
  if (disposition != nullptr) *disposition = outcome;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  EnsureLoaded(registry);
  OpenKey open;
  if (const DWORD error = Access(registry, key, KEY_QUERY_VALUE, open); error != ERROR_SUCCESS) return error;
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) return ERROR_INVALID_PARAMETER;
  const auto view = View(registry, open.root, open.path);
  if (!view.Exists()) return ERROR_KEY_DELETED;
  const RegistryValues& values = view.synthesized ? view.synthesized->values : view.stored->values;
  const auto found = values.find(ValueName(valueName));
  if (found == values.end()) return ERROR_FILE_NOT_FOUND;
  const auto& value = found->second;
  const auto size = static_cast<DWORD>(value.bytes.size());
  if (type != nullptr) *type = value.type;
  if (dataSize == nullptr) return ERROR_SUCCESS;
  const DWORD room = *dataSize;
  *dataSize = size;
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  if (size != 0) std::memcpy(data, value.bytes.data(), size);
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD dataSize) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  EnsureLoaded(registry);
  OpenKey open;
  if (const DWORD error = Access(registry, key, KEY_SET_VALUE, open); error != ERROR_SUCCESS) return error;
  if (data == nullptr && dataSize != 0) return ERROR_NOACCESS;
  const auto view = View(registry, open.root, open.path);
  if (view.synthesized) return ERROR_ACCESS_DENIED;
  if (view.stored == nullptr) return ERROR_KEY_DELETED;
  RegistryData value{type, data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + dataSize)};
  view.stored->values.insert_or_assign(std::string(ValueName(valueName)), std::move(value));
  return Save(registry);
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, LPSTR keyClass,
                   DWORD* classLength, FILETIME* lastWriteTime) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  EnsureLoaded(registry);
  OpenKey open;
  if (const DWORD error = Access(registry, key, KEY_ENUMERATE_SUB_KEYS, open); error != ERROR_SUCCESS) return error;
  if (name == nullptr || nameLength == nullptr || reserved != nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto view = View(registry, open.root, open.path);
  if (!view.Exists()) return ERROR_KEY_DELETED;
  std::vector<std::string> names;
  if (view.synthesized) {
    names = view.synthesized->subkeys;
  } else {
    for (const auto& entry : view.stored->subkeys) names.push_back(entry.first);
  }
  if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
  const auto& found = names[index];
  if (found.size() + 1 > *nameLength) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameLength = static_cast<DWORD>(found.size());
  if (keyClass != nullptr && classLength != nullptr && *classLength > 0) *keyClass = '\0';
  if (classLength != nullptr) *classLength = 0;
  if (lastWriteTime != nullptr) *lastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  EnsureLoaded(registry);
  OpenKey open;
  if (const DWORD error = Access(registry, key, KEY_SET_VALUE, open); error != ERROR_SUCCESS) return error;
  const auto view = View(registry, open.root, open.path);
  if (view.synthesized) return ERROR_ACCESS_DENIED;
  if (view.stored == nullptr) return ERROR_KEY_DELETED;
  const auto found = view.stored->values.find(ValueName(valueName));
  if (found == view.stored->values.end()) return ERROR_FILE_NOT_FOUND;
  view.stored->values.erase(found);
  return Save(registry);
}

LONG RegFlushKey(HKEY key) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  EnsureLoaded(registry);
  if (!Lookup(registry, key)) return ERROR_INVALID_HANDLE;
  return Save(registry);
}

LONG RegCloseKey(HKEY key) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  for (const auto& predefined : PredefinedKeys()) {
    if (predefined.handle == key) return ERROR_SUCCESS;
  }
  return registry.keys.erase(reinterpret_cast<std::uintptr_t>(key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void SetSynthesizedKeyProvider(SynthesizedKeyProvider provider) {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  registry.provider = std::move(provider);
}

void RestartRegistry() {
  auto& registry = State();
  std::lock_guard guard(registry.lock);
  registry.loaded = false;
  registry.keepFile = false;
  registry.tree = RegistryTree{};
  registry.keys.clear();
}

}  // namespace win
