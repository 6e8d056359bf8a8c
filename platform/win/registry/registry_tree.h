// The registry's keys and values in memory: four root trees of case-preserving names that
// match without regard to case. The registry services (registry.h) sit on it and the text
// store (registry_store.h) reads and writes it.
#pragma once

#include "platform/win/registry/text_case.h"
#include "platform/win/system/types.h"

#include <array>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace win {

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// The roots a program can name; each is a tree of its own.
enum class RegistryRoot { LocalMachine, CurrentUser, ClassesRoot, Users };
constexpr std::size_t kRegistryRootCount = 4;

// A value's type and its bytes exactly as they were set.
struct RegistryData {
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
  bool operator==(const RegistryData&) const = default;
};

// REG_SZ of the text with its terminating zero, as programs normally store a string.
RegistryData StringData(std::string_view text);
// REG_DWORD, four bytes little-endian.
RegistryData DwordData(DWORD value);
RegistryData BinaryData(std::span<const BYTE> bytes);

// Values by name; the empty name is the key's default value.
using RegistryValues = std::map<std::string, RegistryData, LessIgnoringCase>;

struct RegistryKeyNode {
  RegistryValues values;
  std::map<std::string, std::unique_ptr<RegistryKeyNode>, LessIgnoringCase> subkeys;
};

// The same names, spelled alike, holding the same values and sub-keys all the way down.
bool operator==(const RegistryKeyNode& a, const RegistryKeyNode& b);

struct RegistryTree {
  std::array<RegistryKeyNode, kRegistryRootCount> roots;

  RegistryKeyNode& Root(RegistryRoot root) { return roots[static_cast<std::size_t>(root)]; }
  const RegistryKeyNode& Root(RegistryRoot root) const { return roots[static_cast<std::size_t>(root)]; }
  // The key at the path below the root; null when some component does not exist.
  RegistryKeyNode* Find(RegistryRoot root, std::span<const std::string> path);
  // The key at the path, creating the missing components; created tells whether the last one was new.
  RegistryKeyNode& FindOrCreate(RegistryRoot root, std::span<const std::string> path, bool& created);
  bool operator==(const RegistryTree&) const = default;
};

}  // namespace win
