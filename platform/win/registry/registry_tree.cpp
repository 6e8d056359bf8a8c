#include "platform/win/registry/registry_tree.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>

namespace win {

RegistryData StringData(std::string_view text) {
  RegistryData data{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
  data.bytes.push_back(0);
  return data;
}

RegistryData DwordData(DWORD value) {
  RegistryData data{REG_DWORD, std::vector<BYTE>(sizeof(DWORD))};
  WriteLe32(data.bytes, 0, value);
  return data;
}

RegistryData BinaryData(std::span<const BYTE> bytes) {
  return RegistryData{REG_BINARY, std::vector<BYTE>(bytes.begin(), bytes.end())};
}

bool operator==(const RegistryKeyNode& a, const RegistryKeyNode& b) {
  if (a.subkeys.size() != b.subkeys.size() || !std::ranges::equal(a.values, b.values)) return false;
  return std::ranges::equal(a.subkeys, b.subkeys,
                            [](const auto& x, const auto& y) { return x.first == y.first && *x.second == *y.second; });
}

RegistryKeyNode* RegistryTree::Find(RegistryRoot root, std::span<const std::string> path) {
  RegistryKeyNode* node = &Root(root);
  for (const auto& name : path) {
    const auto found = node->subkeys.find(name);
    if (found == node->subkeys.end()) return nullptr;
    node = found->second.get();
  }
  return node;
}

RegistryKeyNode& RegistryTree::FindOrCreate(RegistryRoot root, std::span<const std::string> path, bool& created) {
  RegistryKeyNode* node = &Root(root);
  created = false;
  for (const auto& name : path) {
    auto [position, inserted] = node->subkeys.try_emplace(name);
    if (inserted) position->second = std::make_unique<RegistryKeyNode>();
    created = inserted;
    node = position->second.get();
  }
  return *node;
}

}  // namespace win
