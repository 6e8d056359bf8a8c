#include "platform/win/modules/module_names.h"

#include "platform/win/files/paths.h"
#include "platform/win/registry/text_case.h"

namespace win {
namespace {

constexpr std::string_view kDefaultExtension = ".DLL";
constexpr std::string_view kProgramExtension = ".EXE";
// One cut of the name serves both extensions.
static_assert(kDefaultExtension.size() == kProgramExtension.size());
constexpr std::string_view kSeparators = "\\/";

}  // namespace

std::string_view FileNamePart(std::string_view path) {
  const std::size_t separator = path.find_last_of(kSeparators);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::optional<ModuleName> SplitModuleName(std::string_view path) {
  const std::string_view file = FileNamePart(path);
  if (file.empty()) return std::nullopt;
  ModuleName name{std::string(path.substr(0, path.size() - file.size())), std::string(file)};
  if (file.find('.') == std::string_view::npos) name.fileName += kDefaultExtension;
  return name;
}

std::optional<std::string> SharedObjectFileName(std::string_view fileName) {
  if (fileName.size() <= kDefaultExtension.size()) return std::nullopt;
  const std::string_view stem = fileName.substr(0, fileName.size() - kDefaultExtension.size());
  const std::string_view extension = fileName.substr(stem.size());
  if (EqualsIgnoringCase(extension, kDefaultExtension)) return "lib" + std::string(stem) + ".so";
  if (EqualsIgnoringCase(extension, kProgramExtension)) return "lib" + std::string(stem) + ".exe.so";
  return std::nullopt;
}

}  // namespace win
