// Device contexts: window and memory DCs, their selected objects, colours and saved states.
#include "platform/ui/gdi/gdi_internal.h"

#include "platform/win/system/last_error.h"

#include <utility>
#include <map>

namespace ui {
namespace {

struct Contexts {
  std::map<std::uintptr_t, std::unique_ptr<DeviceContext>> table;
  std::uintptr_t next = 0x80000;
};

Contexts& TheContexts() {
  static Contexts contexts;
  return contexts;
}

HDC AddDc(std::unique_ptr<DeviceContext> dc) {
  auto& contexts = TheContexts();
  const std::uintptr_t bits = contexts.next;
  contexts.next += 4;
  dc->state.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  dc->state.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  dc->state.font = DefaultFont();
  contexts.table.emplace(bits, std::move(dc));
  return HandleOf<HDC>(bits);
}

template <typename Handle>
HGDIOBJ Swap(Handle& slot, HGDIOBJ object) {
  HGDIOBJ old = slot;
  slot = static_cast<Handle>(object);
  return old;
}

}  // namespace

DeviceContext* FindDc(HDC dc) {
  auto& table = TheContexts().table;
  const auto found = table.find(HandleBits(dc));
  return found == table.end() ? nullptr : found->second.get();
}

HDC AddWindowDc(HWND window, QImage* surface, POINT origin, QRegion clip) {
  auto dc = std::make_unique<DeviceContext>();
  dc->window = window;
  dc->surface = surface;
  dc->origin = origin;
  dc->clip = std::move(clip);
  return AddDc(std::move(dc));
}

std::optional<DcTarget> TargetOf(HDC handle) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return std::nullopt;
  const auto clipped = [dc](QRegion area, POINT origin) {
    return dc->state.clip ? area.intersected(dc->state.clip->translated(origin.x, origin.y)) : area;
  };
  if (!dc->memory) {
    if (dc->surface == nullptr) return std::nullopt;
    return DcTarget{dc->surface, dc->origin, clipped(dc->clip, dc->origin), false};
  }
  BitmapData* bitmap = FindBitmap(dc->state.bitmap);
  if (bitmap == nullptr) return std::nullopt;
  return DcTarget{&bitmap->image, POINT{}, clipped(QRegion(bitmap->image.rect()), POINT{}), bitmap->monochrome};
}

HDC CreateCompatibleDC(HDC) {
  auto dc = std::make_unique<DeviceContext>();
  dc->memory = true;
  dc->state.bitmap = DefaultBitmap();
  return AddDc(std::move(dc));
}

HDC CreateScreenDc() {
  static const HBITMAP screen = CreateBitmap(1, 1, 1, 32, nullptr);
  const HDC dc = CreateCompatibleDC(nullptr);
  FindDc(dc)->state.bitmap = screen;
  return dc;
}

BOOL DeleteDC(HDC dc) { return TheContexts().table.erase(HandleBits(dc)) > 0 ? win::TRUE : win::FALSE; }

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
  DeviceContext* dc = FindDc(handle);
  GdiData* data = FindGdiObject(object);
  if (dc == nullptr || data == nullptr) return nullptr;
  auto& state = dc->state;
  if (std::holds_alternative<PenData>(*data)) return Swap(state.pen, object);
  if (std::holds_alternative<BrushData>(*data)) return Swap(state.brush, object);
  if (std::holds_alternative<FontData>(*data)) return Swap(state.font, object);
  if (std::holds_alternative<RegionData>(*data))
    return HandleOf<HGDIOBJ>(static_cast<std::uintptr_t>(SelectClipRgn(handle, static_cast<HRGN>(object))));
  if (!dc->memory || !std::holds_alternative<BitmapData>(*data)) return nullptr;
  return Swap(state.bitmap, object);
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
  const DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BITMAP: return dc->state.bitmap;
    default: return nullptr;
  }
}

int SaveDC(HDC handle) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC handle, int saved) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr || dc->saved.empty()) return win::FALSE;
  const int count = static_cast<int>(dc->saved.size());
  const int index = saved < 0 ? count + saved : saved - 1;
  if (index < 0 || index >= count) return win::FALSE;
  dc->state = dc->saved[static_cast<std::size_t>(index)];
  dc->saved.resize(static_cast<std::size_t>(index));
  return win::TRUE;
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = FindDc(handle);
  return dc == nullptr ? CLR_INVALID : std::exchange(dc->state.text, colour & 0xFFFFFF);
}
COLORREF GetTextColor(HDC handle) {
  const DeviceContext* dc = FindDc(handle);
  return dc == nullptr ? CLR_INVALID : dc->state.text;
}
COLORREF SetBkColor(HDC handle, COLORREF colour) {
  DeviceContext* dc = FindDc(handle);
  return dc == nullptr ? CLR_INVALID : std::exchange(dc->state.bk, colour & 0xFFFFFF);
}
COLORREF GetBkColor(HDC handle) {
  const DeviceContext* dc = FindDc(handle);
  return dc == nullptr ? CLR_INVALID : dc->state.bk;
}
int SetBkMode(HDC handle, int mode) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(dc->state.bkMode, mode);
}
int GetBkMode(HDC handle) {
  const DeviceContext* dc = FindDc(handle);
  return dc == nullptr ? 0 : dc->state.bkMode;
}

// A 96 DPI, 32-bit true-colour screen.
int GetDeviceCaps(HDC handle, int index) {
  const auto target = TargetOf(handle);
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return target && target->monochrome ? 1 : 32;
    case HORZRES: return 1024;
    case VERTRES: return 768;
    case RASTERCAPS: return 0x0001 | 0x0008 | 0x0800;
    default: return 0;
  }
}

}  // namespace ui
