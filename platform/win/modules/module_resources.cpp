#include "platform/win/module_resources.h"

#include "platform/win/last_error.h"
#include "platform/win/module_image.h"
#include "platform/win/resource_set.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace win {
namespace {

// The resources of a module, kept alive with its image; null (last error set) when it has none.
std::shared_ptr<const ResourceSet> ResourcesOf(HMODULE module) {
  const auto image = ImageOfModule(module);
  const ResourceSet* resources =
      (image == nullptr || image->registration == nullptr) ? nullptr : image->registration->Resources();
  if (resources == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return std::shared_ptr<const ResourceSet>(image, resources);
}

}  // namespace

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  buffer[0] = '\0';
  const auto resources = ResourcesOf(instance);
  if (resources == nullptr) return 0;
  const std::string* text = resources->String(id);
  if (text == nullptr) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const std::size_t copied = std::min(text->size(), static_cast<std::size_t>(bufferMax) - 1);
  std::memcpy(buffer, text->data(), copied);
  buffer[copied] = '\0';
  return static_cast<int>(copied);
}

std::optional<std::span<const BYTE>> FindModuleResource(HMODULE module, std::string_view type, UINT id) {
  const auto resources = ResourcesOf(module);
  if (resources == nullptr) return std::nullopt;
  DWORD error = ERROR_SUCCESS;
  const std::span<const BYTE>* bytes = resources->Find(type, id, error);
  if (bytes == nullptr) {
    SetLastError(error);
    return std::nullopt;
  }
  return *bytes;
}

}  // namespace win
