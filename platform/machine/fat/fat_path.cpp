#include "platform/machine/fat/fat_path.h"

#include "platform/machine/fat/fat_name_text.h"

namespace machine {
namespace {

// Long names hold at most 255 UTF-16 characters.
constexpr std::size_t kMaxNameLength = 255;

}  // namespace

std::vector<std::string> SplitVolumePath(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find_first_of("\\/", start);
    const std::string_view name =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!name.empty()) names.emplace_back(name);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return names;
}

IoResult<std::string> NameForCreation(std::string_view name) {
  std::string cleaned(name);
  while (!cleaned.empty() && (cleaned.back() == ' ' || cleaned.back() == '.')) cleaned.pop_back();
  if (cleaned.size() > kMaxNameLength) return IoError{win::ERROR_FILENAME_EXCED_RANGE};
  if (!IsValidLongName(cleaned)) return IoError{win::ERROR_INVALID_NAME};
  return cleaned;
}

}  // namespace machine
