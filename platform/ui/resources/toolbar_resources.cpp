#include "platform/ui/resources/toolbar_resources.h"

#include "platform/win/modules/module_resources.h"
#include "platform/win/system/last_error.h"

#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>

namespace ui {
namespace {

constexpr std::string_view kToolbarType = "toolbar";

[[noreturn]] void Fail(int line, const std::string& what) {
  throw ToolbarTemplateError("toolbar template line " + std::to_string(line) + ": " + what);
}

UINT NumberOf(const std::string& word, int line, UINT limit) {
  UINT value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (word.empty() || error != std::errc() || end != word.data() + word.size() || value == 0 || value > limit)
    Fail(line, "\"" + word + "\" is no number from 1 to " + std::to_string(limit));
  return value;
}

}  // namespace

int ToolbarResource::ImageOf(UINT command) const {
  int image = 0;
  for (const UINT button : buttons) {
    if (button == 0) continue;
    if (button == command) return image;
    ++image;
  }
  return -1;
}

ToolbarResource ParseToolbarTemplate(std::string_view text) {
  ToolbarResource toolbar;
  std::istringstream lines{std::string(text)};
  int number = 0;
  bool header = false;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word.front() == '#') continue;
    std::string first;
    std::string second;
    words >> first >> second;
    if (word == "TOOLBAR" && !header) {
      toolbar.imageWidth = static_cast<int>(NumberOf(first, number, 256));
      toolbar.imageHeight = static_cast<int>(NumberOf(second, number, 256));
      header = true;
    } else if (!header) {
      Fail(number, "the first line is TOOLBAR with the image width and height");
    } else if (word == "BUTTON" && second.empty()) {
      toolbar.buttons.push_back(NumberOf(first, number, 0xFFFF));
    } else if (word == "SEPARATOR" && first.empty()) {
      toolbar.buttons.push_back(0);
    } else {
      Fail(number, "a line is BUTTON <command> or SEPARATOR");
    }
  }
  if (!header) Fail(number, "no TOOLBAR line");
  return toolbar;
}

std::optional<ToolbarResource> LoadToolbarResource(HINSTANCE module, UINT id) {
  const auto bytes = win::FindModuleResource(module, kToolbarType, id);
  if (!bytes) return std::nullopt;
  try {
    return ParseToolbarTemplate(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  } catch (const ToolbarTemplateError& error) {
    std::fprintf(stderr, "toolbar resource %u: %s\n", id, error.what());
    win::SetLastError(win::ERROR_INVALID_DATA);
    return std::nullopt;
  }
}

}  // namespace ui
