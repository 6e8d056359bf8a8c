// The registry services on the four predefined roots HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
// HKEY_CLASSES_ROOT and HKEY_USERS. Each root is a tree of its own (HKEY_CLASSES_ROOT is not
// a view of the Classes keys of the other two). Everything written persists in
// <data folder>/registry (registry_store.h), rewritten as a whole on each change and each
// flush and read back at first use; a fresh data folder starts with HKEY_CURRENT_USER's Shell
// Folders value Personal = "C:\My Documents".
//
// The hardware keys come from the simulated machine through a synthesized-key provider; they
// are read-only.
//
// Like Windows, these functions answer an error number and leave the thread's last error
// alone. Not provided: volatile keys, deleting keys, security, classes and write times (a
// key's class reads as "" and its write time as zero).
#pragma once

#include "platform/win/registry_tree.h"
#include "platform/win/types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

using REGSAM = DWORD;

inline const HKEY HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003});

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

struct SECURITY_ATTRIBUTES;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
// Only REG_OPTION_NON_VOLATILE keys; disposition (optional) receives REG_CREATED_NEW_KEY or
// REG_OPENED_EXISTING_KEY.
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* security, HKEY* result, DWORD* disposition);
// A null data pointer answers the size only; a buffer smaller than the value answers
// ERROR_MORE_DATA with the size needed. Strings come back with the bytes they were set with.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// Sub-keys in the order of their upper-case names; ERROR_NO_MORE_ITEMS past the last.
// nameLength holds the buffer size in characters and receives the name's length.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, DWORD* nameLength, DWORD* reserved, LPSTR keyClass,
                   DWORD* classLength, FILETIME* lastWriteTime);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG RegFlushKey(HKEY key);
LONG RegCloseKey(HKEY key);

// A key computed from the machine: its sub-key names and its values.
struct SynthesizedKey {
  std::vector<std::string> subkeys;
  RegistryValues values;
};

// Answers the key at root\path when the provider owns it, nullopt otherwise. The path's
// components are joined by '\' and spelt as the caller spelt them, so the provider compares
// them without regard to case. It is asked afresh on every open, query and enumeration, so
// the keys follow the machine; it must not call the registry itself. A key the provider
// answers hides a stored key of the same path; creating keys or setting and deleting values
// in it fails with ERROR_ACCESS_DENIED.
using SynthesizedKeyProvider = std::function<std::optional<SynthesizedKey>(RegistryRoot root, std::string_view path)>;

// Installs the provider (an empty function removes it).
void SetSynthesizedKeyProvider(SynthesizedKeyProvider provider);

// Forgets the registry in memory and every open key, as the end of the process does; the
// next call reads <data folder>/registry again. The provider stays.
void RestartRegistry();

}  // namespace win
