#include "platform/win/modules/resource_set.h"

#include "platform/win/system/last_error.h"
#include "platform/win/modules/string_table_source.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace win {
namespace {

constexpr std::string_view kStringTableFile = "strings.txt";

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return lower;
}

struct TypedName {
  std::string type;
  UINT id = 0;
};

// "<type>/<id>.<extension>"; nullopt for any other shape.
std::optional<TypedName> ParseTypedName(std::string_view path) {
  const std::size_t slash = path.find('/');
  const std::size_t dot = path.rfind('.');
  if (slash == 0 || slash == std::string_view::npos || dot == std::string_view::npos || dot <= slash + 1) {
    return std::nullopt;
  }
  TypedName name{LowerCase(path.substr(0, slash)), 0};
  const char* first = path.data() + slash + 1;
  const char* last = path.data() + dot;
  const auto [end, error] = std::from_chars(first, last, name.id);
  if (error != std::errc{} || end != last || name.id > 0xFFFF) return std::nullopt;
  return name;
}

}  // namespace

ResourceSet::ResourceSet(std::span<const ResourceFile> files) {
  for (const auto& file : files) AddFile(file);
}

void ResourceSet::AddFile(const ResourceFile& file) {
  const std::string_view path = file.path;
  const std::span<const BYTE> bytes(file.data, file.size);
  if (path == kStringTableFile) {
    try {
      strings_ = ParseStringTableSource(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    } catch (const StringTableSourceError& error) {
      throw ResourceSetError(std::string(path) + ": " + error.what());
    }
    return;
  }
  const auto name = ParseTypedName(path);
  if (!name) throw ResourceSetError(std::string(path) + ": not strings.txt nor <type>/<id>.<extension>");
  if (!resources_.emplace(std::pair(name->type, name->id), bytes).second) {
    throw ResourceSetError(std::string(path) + ": a second " + name->type + " resource " + std::to_string(name->id));
  }
}

const std::string* ResourceSet::String(UINT id) const {
  const auto found = strings_.find(id);
  return found == strings_.end() ? nullptr : &found->second;
}

const std::span<const BYTE>* ResourceSet::Find(std::string_view type, UINT id, DWORD& error) const {
  const std::string key = LowerCase(type);
  const auto found = resources_.find(std::pair(key, id));
  if (found != resources_.end()) return &found->second;
  const auto sameType = resources_.lower_bound(std::pair(key, UINT{0}));
  error = (sameType != resources_.end() && sameType->first.first == key) ? ERROR_RESOURCE_NAME_NOT_FOUND
                                                                         : ERROR_RESOURCE_TYPE_NOT_FOUND;
  return nullptr;
}

}  // namespace win
