#include "platform/ui/resources/resources.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/gdi/icons.h"
#include "platform/win/system/last_error.h"
#include "platform/win/modules/module_resources.h"

#include <charconv>
#include <cstdio>
#include <sstream>
#include <string>

namespace ui {
namespace {

std::optional<std::span<const BYTE>> Bytes(HINSTANCE module, std::string_view type, UINT id) {
  return win::FindModuleResource(module, type, id);
}

QImage Scaled(const QImage& image, int cx, int cy) {
  if (cx <= 0 || cy <= 0 || (image.width() == cx && image.height() == cy)) return image;
  return image.scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

int NumberOf(const std::string& word, int line) {
  int value = 0;
  const int base = word.starts_with("0x") ? 16 : 10;
  const char* first = word.data() + (base == 16 ? 2 : 0);
  const auto [end, error] = std::from_chars(first, word.data() + word.size(), value, base);
  if (error != std::errc() || end != word.data() + word.size()) {
    throw AcceleratorError("accelerator line " + std::to_string(line) + ": \"" + word + "\" is not a number");
  }
  return value;
}

ACCEL ParseLine(const std::string& text, int line) {
  std::istringstream words(text);
  std::string key;
  std::string command;
  words >> key >> command;
  if (command.empty())
    throw AcceleratorError("accelerator line " + std::to_string(line) + ": a key and a command are needed");
  ACCEL entry;
  if (key.size() == 3 && key.front() == '"' && key.back() == '"') {
    entry.key = static_cast<unsigned char>(key[1]);
  } else {
    entry.key = static_cast<WORD>(NumberOf(key, line));
  }
  entry.cmd = static_cast<WORD>(NumberOf(command, line));
  const struct {
    const char* word;
    BYTE bit;
  } modifiers[] = {{"VIRTKEY", FVIRTKEY}, {"CONTROL", FCONTROL}, {"SHIFT", FSHIFT}, {"ALT", FALT}};
  for (std::string word; words >> word;) {
    bool known = false;
    for (const auto& modifier : modifiers) {
      if (word == modifier.word) entry.fVirt |= modifier.bit, known = true;
    }
    if (!known) throw AcceleratorError("accelerator line " + std::to_string(line) + ": unknown flag \"" + word + "\"");
  }
  return entry;
}

}  // namespace

std::vector<ACCEL> ParseAccelerators(std::string_view text) {
  std::vector<ACCEL> entries;
  std::istringstream lines{std::string(text)};
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    const auto start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') continue;
    entries.push_back(ParseLine(line.substr(start), number));
  }
  return entries;
}

void* LoadImageA(HINSTANCE module, UINT id, UINT type, int cx, int cy, UINT) {
  const auto bytes = Bytes(module, type == IMAGE_ICON_RESOURCE ? win::RESOURCE_ICON : win::RESOURCE_BITMAP, id);
  if (!bytes) return nullptr;
  const QImage image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()));
  if (image.isNull()) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
  if (type == IMAGE_ICON_RESOURCE)
    return AddGdiObject(IconData{Scaled(image, cx, cy).convertToFormat(QImage::Format_ARGB32)});
  return AddGdiObject(BitmapData{Scaled(image, cx, cy).convertToFormat(QImage::Format_RGB32), false});
}

HBITMAP LoadBitmapA(HINSTANCE module, UINT id) {
  return static_cast<HBITMAP>(LoadImageA(module, id, IMAGE_BITMAP_RESOURCE, 0, 0, LR_DEFAULTCOLOR));
}

HICON LoadIconA(HINSTANCE module, UINT id) {
  return static_cast<HICON>(LoadImageA(module, id, IMAGE_ICON_RESOURCE, 0, 0, LR_DEFAULTCOLOR));
}

HACCEL LoadAcceleratorsA(HINSTANCE module, UINT id) {
  const auto bytes = Bytes(module, win::RESOURCE_ACCELERATOR, id);
  if (!bytes) return nullptr;
  try {
    const auto entries =
        ParseAccelerators(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    return CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size()));
  } catch (const AcceleratorError& error) {
    std::fprintf(stderr, "accelerator resource %u: %s\n", id, error.what());
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
}

}  // namespace ui
