#include "device/registry_key.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/system/last_error.h"

#include <algorithm>

namespace tarnlok {

RegistryKey::RegistryKey(const std::string& path) {
  if (win::RegOpenKeyExA(win::HKEY_LOCAL_MACHINE, path.c_str(), 0, win::KEY_READ, &key_) != win::ERROR_SUCCESS) {
    key_ = nullptr;
  }
}

RegistryKey::~RegistryKey() {
  if (key_ != nullptr) win::RegCloseKey(key_);
}

std::vector<std::string> RegistryKey::SubKeys(std::size_t maxLength) const {
  std::vector<std::string> names;
  if (key_ == nullptr) return names;
  std::vector<char> name(maxLength + 1, '\0');
  for (win::DWORD index = 0;; ++index) {
    auto length = static_cast<win::DWORD>(maxLength);
    const win::LONG result = win::RegEnumKeyExA(key_, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == win::ERROR_NO_MORE_ITEMS) break;
    if (result == win::ERROR_SUCCESS) names.emplace_back(name.data(), length);
  }
  return names;
}

std::optional<std::string> RegistryKey::Text(const char* name, std::size_t maxBytes) const {
  if (key_ == nullptr) return std::nullopt;
  std::vector<win::BYTE> data(maxBytes, 0);
  auto size = static_cast<win::DWORD>(maxBytes);
  if (win::RegQueryValueExA(key_, name, nullptr, nullptr, data.data(), &size) != win::ERROR_SUCCESS) {
    return std::nullopt;
  }
  const auto end = std::find(data.begin(), data.begin() + size, win::BYTE{0});
  return std::string(data.begin(), end);
}

std::optional<win::DWORD> RegistryKey::Dword(const char* name) const {
  if (key_ == nullptr) return std::nullopt;
  std::array<win::BYTE, 4> data{};
  win::DWORD size = data.size();
  if (win::RegQueryValueExA(key_, name, nullptr, nullptr, data.data(), &size) != win::ERROR_SUCCESS) {
    return std::nullopt;
  }
  return win::ReadLe32(data, 0);
}

std::string KeyNameText(const std::string& text) {
  std::string name = text.substr(0, text.find_last_not_of(' ') + 1);
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

}  // namespace tarnlok
