// A registry key opened for reading and closed when it goes, with its sub-key names and
// string values.
#pragma once

#include "platform/win/registry/registry.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnlok {

class RegistryKey {
 public:
  // Opens HKEY_LOCAL_MACHINE\path for reading; IsOpen tells whether that worked.
  explicit RegistryKey(const std::string& path);
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  // Sub-key names, each cut to maxLength - 1 characters as a name buffer of that size would.
  std::vector<std::string> SubKeys(std::size_t maxLength) const;
  // A string value read into a buffer of maxBytes; nullopt when it does not exist or fit.
  std::optional<std::string> Text(const char* name, std::size_t maxBytes) const;
  // A 4-byte value.
  std::optional<win::DWORD> Dword(const char* name) const;

 private:
  win::HKEY key_ = nullptr;
};

// A text for a registry key name: trailing blanks cut, inner blanks made "_".
std::string KeyNameText(const std::string& text);

}  // namespace tarnlok
