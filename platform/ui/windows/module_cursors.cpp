#include "platform/ui/windows/module_cursors_internal.h"

#include "platform/ui/windows/surface_internal.h"

#include "platform/win/modules/module_resources.h"
#include "platform/win/system/last_error.h"

#include <QImage>
#include <QPixmap>

#include <map>
#include <string>
#include <vector>

namespace ui {
namespace {

// Above the system cursors' handles (0x7F0000 + their ids) and far above the GDI objects'.
constexpr std::uintptr_t kModuleCursorBase = 0x7F10000;

struct Cursors {
  std::map<std::string, HCURSOR> byBytes;
  std::vector<QCursor> shapes;
};

Cursors& TheCursors() {
  static Cursors cursors;
  return cursors;
}

}  // namespace

HCURSOR LoadModuleCursor(HINSTANCE module, UINT id) {
  const auto bytes = win::FindModuleResource(module, win::RESOURCE_CURSOR, id);
  if (!bytes) return nullptr;
  std::string key(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  Cursors& cursors = TheCursors();
  if (const auto known = cursors.byBytes.find(key); known != cursors.byBytes.end()) return known->second;
  const QImage image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()));
  if (image.isNull()) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
  // A cursor's pixmap needs the Qt application.
  EnsureQtApplication();
  cursors.shapes.emplace_back(QPixmap::fromImage(image), image.text("HotSpotX").toInt(),
                              image.text("HotSpotY").toInt());
  const HCURSOR cursor = HandleOf<HCURSOR>(kModuleCursorBase + cursors.shapes.size() - 1);
  cursors.byBytes.emplace(std::move(key), cursor);
  return cursor;
}

std::optional<QCursor> ModuleCursorShape(HCURSOR cursor) {
  const Cursors& cursors = TheCursors();
  const std::uintptr_t bits = HandleBits(cursor);
  if (bits < kModuleCursorBase || bits - kModuleCursorBase >= cursors.shapes.size()) return std::nullopt;
  return cursors.shapes[bits - kModuleCursorBase];
}

}  // namespace ui
