// Regions and the clipping region of device contexts.
#include "platform/ui/gdi_internal.h"

#include "platform/win/last_error.h"

namespace ui {
namespace {

int KindOf(const QRegion& region) {
  if (region.isEmpty()) return NULLREGION;
  return region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

QRegion RectRegion(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return {};
  return QRegion(ToQRect(RECT{left, top, right, bottom}));
}

// Stands for "no clip" where one must be combined with a region.
QRegion Everything() { return QRegion(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25); }

std::optional<QRegion> Combined(const QRegion& first, const QRegion& second, int mode) {
  switch (mode) {
    case RGN_AND: return first.intersected(second);
    case RGN_OR: return first.united(second);
    case RGN_XOR: return first.xored(second);
    case RGN_DIFF: return first.subtracted(second);
    case RGN_COPY: return first;
    default: return std::nullopt;
  }
}

int ClipKind(HDC handle) {
  const auto target = TargetOf(handle);
  return target ? KindOf(target->clip) : RGN_ERROR;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return static_cast<HRGN>(AddGdiObject(RegionData{RectRegion(left, top, right, bottom)}));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect != nullptr ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

BOOL SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
  RegionData* region = FindRegion(handle);
  if (region == nullptr) return win::FALSE;
  region->region = RectRegion(left, top, right, bottom);
  return win::TRUE;
}

int CombineRgn(HRGN dest, HRGN first, HRGN second, int mode) {
  RegionData* target = FindRegion(dest);
  const RegionData* a = FindRegion(first);
  const RegionData* b = mode == RGN_COPY ? a : FindRegion(second);
  if (target == nullptr || a == nullptr || b == nullptr) return RGN_ERROR;
  const auto result = Combined(a->region, b->region, mode);
  if (!result) return RGN_ERROR;
  target->region = *result;
  return KindOf(target->region);
}

int OffsetRgn(HRGN handle, int x, int y) {
  RegionData* region = FindRegion(handle);
  if (region == nullptr) return RGN_ERROR;
  region->region.translate(x, y);
  return KindOf(region->region);
}

BOOL PtInRegion(HRGN handle, int x, int y) {
  const RegionData* region = FindRegion(handle);
  return region != nullptr && region->region.contains(QPoint(x, y)) ? win::TRUE : win::FALSE;
}

int GetRgnBox(HRGN handle, RECT* box) {
  const RegionData* region = FindRegion(handle);
  if (region == nullptr || box == nullptr) return RGN_ERROR;
  *box = BoundsOf(region->region);
  return KindOf(region->region);
}

BOOL FillRgn(HDC dc, HRGN handle, HBRUSH brush) {
  const RegionData* region = FindRegion(handle);
  if (region == nullptr) return win::FALSE;
  for (const QRect& part : region->region) {
    const RECT rect = FromQRect(part);
    FillRect(dc, &rect, brush);
  }
  return win::TRUE;
}

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC handle, HRGN region, int mode) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return RGN_ERROR;
  const RegionData* data = FindRegion(region);
  if (data == nullptr) {
    if (mode != RGN_COPY) return RGN_ERROR;
    dc->state.clip.reset();
    return ClipKind(handle);
  }
  const auto result = Combined(dc->state.clip.value_or(Everything()), data->region, mode);
  if (!result) return RGN_ERROR;
  dc->state.clip = mode == RGN_COPY ? data->region : *result;
  return ClipKind(handle);
}

int IntersectClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return RGN_ERROR;
  dc->state.clip = dc->state.clip.value_or(Everything()).intersected(RectRegion(left, top, right, bottom));
  return ClipKind(handle);
}

int ExcludeClipRect(HDC handle, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return RGN_ERROR;
  dc->state.clip = dc->state.clip.value_or(Everything()).subtracted(RectRegion(left, top, right, bottom));
  return ClipKind(handle);
}

int OffsetClipRgn(HDC handle, int x, int y) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr) return RGN_ERROR;
  if (dc->state.clip) dc->state.clip->translate(x, y);
  return ClipKind(handle);
}

int GetClipBox(HDC handle, RECT* box) {
  const auto target = TargetOf(handle);
  if (!target || box == nullptr) return RGN_ERROR;
  *box = BoundsOf(target->clip.translated(-target->origin.x, -target->origin.y));
  return KindOf(target->clip);
}

int GetClipRgn(HDC handle, HRGN region) {
  const DeviceContext* dc = FindDc(handle);
  RegionData* data = FindRegion(region);
  if (dc == nullptr || data == nullptr) return -1;
  if (!dc->state.clip) return 0;
  data->region = *dc->state.clip;
  return 1;
}

}  // namespace ui
