// The icon button's drawing: face, border, image, caption and focus rectangle.
#include "controls/icon_button.h"

#include "platform/ui/gdi/draw_state.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/window_api.h"

namespace tarnlok {
namespace {

constexpr ui::UINT kMeasureFormat = ui::DT_WORDBREAK | ui::DT_CENTER | ui::DT_CALCRECT;
constexpr ui::UINT kDrawFormat = ui::DT_WORDBREAK | ui::DT_CENTER;

void Offset(ui::RECT& rect, int dx, int dy) {
  rect.left += dx;
  rect.right += dx;
  rect.top += dy;
  rect.bottom += dy;
}

void Deflate(ui::RECT& rect, int by) {
  rect.left += by;
  rect.top += by;
  rect.right -= by;
  rect.bottom -= by;
}

void Polyline(ui::CDC& dc, ui::COLORREF colour, std::initializer_list<ui::POINT> points) {
  ui::CPen pen(ui::PS_SOLID, 1, colour);
  ui::CPen* previous = dc.SelectObject(&pen);
  auto point = points.begin();
  dc.MoveTo(point->x, point->y);
  for (++point; point != points.end(); ++point) dc.LineTo(point->x, point->y);
  dc.SelectObject(previous);
}

}  // namespace

void CIconButton::DrawItem(ui::DRAWITEMSTRUCT* item) {
  ui::CDC& dc = *ui::CDC::FromHandle(item->hDC);
  const bool selected = (item->itemState & ui::ODS_SELECTED) != 0;
  pressed_ = selected || (checkBox_ ? checkState_ != 0 : menuShown_);
  focused_ = (item->itemState & ui::ODS_FOCUS) != 0;
  disabled_ = (item->itemState & ui::ODS_DISABLED) != 0;
  ui::RECT rect = item->rcItem;
  dc.SetBkMode(ui::TRANSPARENT);
  if (!flat_ && (focused_ || defaultButton_)) {
    ui::CBrush black(ui::RGB(0, 0, 0));
    dc.FrameRect(&rect, &black);
    Deflate(rect, 1);
  }
  if (transparent_) {
    PaintParentBackground(dc);
  } else {
    DrawButtonBackground(dc, rect);
  }
  if (pressed_) {
    if (!flat_) {
      ui::CBrush shadow(ui::GetSysColor(ui::COLOR_BTNSHADOW));
      dc.FrameRect(&rect, &shadow);
    } else if (drawBorder_) {
      DrawButtonBorder(dc, rect);
    }
  } else if (!flat_) {
    DrawRaisedFrame(dc, rect);
  } else if (hovered_ && drawBorder_) {
    DrawButtonBorder(dc, rect);
  }
  const std::string caption = GetWindowText();
  ui::RECT captionRect = item->rcItem;
  if (icons_[0].icon != nullptr) {
    DrawButtonIcon(dc, !caption.empty(), item->rcItem, captionRect, pressed_, disabled_);
  }
  if (bitmaps_[0].bitmap != nullptr) {
    dc.SetBkColor(ui::RGB(255, 255, 255));
    DrawButtonBitmap(dc, !caption.empty(), item->rcItem, captionRect, pressed_, disabled_);
  }
  if (!caption.empty()) DrawButtonText(dc, caption, item->rcItem, captionRect, pressed_, disabled_);
  if ((!flat_ || drawFlatFocus_) && focused_) {
    ui::RECT focus = rect;
    Deflate(focus, 3);
    dc.DrawFocusRect(&focus);
  }
}

void CIconButton::DrawRaisedFrame(ui::CDC& dc, const ui::RECT& r) {
  Polyline(dc, ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT), {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}});
  Polyline(dc, ui::GetSysColor(ui::COLOR_3DLIGHT),
           {{r.left + 1, r.bottom - 1}, {r.left + 1, r.top + 1}, {r.right, r.top + 1}});
  Polyline(dc, ui::GetSysColor(ui::COLOR_3DDKSHADOW),
           {{r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, r.top - 1}});
  Polyline(dc, ui::GetSysColor(ui::COLOR_BTNSHADOW),
           {{r.left + 1, r.bottom - 2}, {r.right - 2, r.bottom - 2}, {r.right - 2, r.top}});
}

void CIconButton::DrawButtonBackground(ui::CDC& dc, const ui::RECT& rect) {
  const int slot = hovered_ || pressed_ ? 0 : focused_ ? 4 : 2;
  ui::CBrush face(colours_[slot]);
  dc.FillRect(&rect, &face);
}

// The copy is taken once, before the button has drawn over its parent, and kept until the
// system colours change.
void CIconButton::PaintParentBackground(ui::CDC& dc) {
  ui::RECT client{};
  GetClientRect(&client);
  if (backgroundCache_ == nullptr) {
    const ui::HWND parent = ui::GetParent(m_hWnd);
    ui::POINT origin{0, 0};
    ui::ClientToScreen(m_hWnd, &origin);
    ui::ScreenToClient(parent, &origin);
    auto cache = std::make_unique<BackgroundCache>();
    const ui::HDC parentHdc = ui::GetDC(parent);
    ui::CDC* parentDc = ui::CDC::FromHandle(parentHdc);
    cache->dc.CreateCompatibleDC(parentDc);
    cache->bitmap.CreateCompatibleBitmap(parentDc, client.right, client.bottom);
    cache->previous = cache->dc.SelectObject(&cache->bitmap);
    cache->dc.BitBlt(0, 0, client.right, client.bottom, parentDc, origin.x, origin.y, ui::SRCCOPY);
    ui::ReleaseDC(parent, parentHdc);
    backgroundCache_ = std::move(cache);
  }
  dc.BitBlt(0, 0, client.right, client.bottom, &backgroundCache_->dc, 0, 0, ui::SRCCOPY);
}

void CIconButton::DrawButtonBorder(ui::CDC& dc, const ui::RECT& rect) {
  const ui::COLORREF shadow = ui::GetSysColor(ui::COLOR_BTNSHADOW);
  const ui::COLORREF highlight = ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT);
  if (pressed_) {
    dc.Draw3dRect(&rect, shadow, highlight);
  } else {
    dc.Draw3dRect(&rect, highlight, shadow);
  }
}

int CIconButton::ImageIndex(bool secondExists) const {
  const bool firstLook = checkBox_ ? pressed_ != 0 : pressed_ || hovered_;
  return firstLook || !secondExists ? 0 : 1;
}

ui::RECT CIconButton::PlaceImage(bool hasCaption, const ui::RECT& item, ui::RECT& caption, int width, int height,
                                 bool pressed) const {
  ui::RECT image = item;
  const int itemWidth = item.right - item.left;
  const int itemHeight = item.bottom - item.top;
  const int centreX = (itemWidth - width) / 2;
  const int centreY = (itemHeight - height) / 2;
  switch (align_) {
    case kIconLeft:
      if (hasCaption) {
        image.left += imageOrigin_.x;
        caption.left += width + imageOrigin_.x;
      } else {
        image.left += centreX;
      }
      image.top += centreY;
      break;
    case kIconAbove:
      image.left += centreX;
      if (hasCaption) {
        image.top = imageOrigin_.y;
        caption.top += height;
      } else {
        image.top += centreY;
      }
      break;
    case kIconRight:
      if (hasCaption) {
        caption.right = (caption.right - caption.left) - width - imageOrigin_.x;
        caption.left = imageOrigin_.x;
        image.left = item.right - width - imageOrigin_.x;
      } else {
        image.left += centreX;
      }
      image.top += centreY;
      break;
    default: break;
  }
  if (pressed && !checkBox_) Offset(image, pressedOffset_.x, pressedOffset_.y);
  image.right = image.left + width;
  image.bottom = image.top + height;
  return image;
}

void CIconButton::DrawButtonIcon(ui::CDC& dc, bool hasCaption, const ui::RECT& item, ui::RECT& caption, bool pressed,
                                 bool disabled) {
  const IconImage& icon = icons_[static_cast<std::size_t>(ImageIndex(icons_[1].icon != nullptr))];
  const ui::RECT place = PlaceImage(hasCaption, item, caption, icon.width, icon.height, pressed);
  ui::DrawStateA(dc, nullptr, nullptr, ui::HandleBits(icon.icon), 0, place.left, place.top, icon.width, icon.height,
                 ui::DST_ICON | (disabled ? ui::DSS_DISABLED : ui::DSS_NORMAL));
}

void CIconButton::DrawButtonBitmap(ui::CDC& dc, bool hasCaption, const ui::RECT& item, ui::RECT& caption, bool pressed,
                                   bool disabled) {
  const BitmapImage& image = bitmaps_[static_cast<std::size_t>(ImageIndex(bitmaps_[1].bitmap != nullptr))];
  const ui::RECT place = PlaceImage(hasCaption, item, caption, image.width, image.height, pressed);
  ui::CDC bitmapDc;
  bitmapDc.CreateCompatibleDC(&dc);
  const ui::HGDIOBJ oldBitmap = bitmapDc.SelectObject(image.bitmap);
  ui::CDC maskDc;
  maskDc.CreateCompatibleDC(&dc);
  const ui::HGDIOBJ oldMask = maskDc.SelectObject(image.mask);
  if (disabled && showDisabledBitmap_) {
    ui::CDC work;
    work.CreateCompatibleDC(&dc);
    ui::CBitmap plate;
    plate.CreateCompatibleBitmap(&dc, image.width, image.height);
    ui::CBitmap* oldPlate = work.SelectObject(&plate);
    work.FillSolidRect(0, 0, image.width, image.height, ui::RGB(255, 255, 255));
    work.SetBkColor(ui::RGB(255, 255, 255));
    work.BitBlt(0, 0, image.width, image.height, &maskDc, 0, 0, ui::SRCAND);
    work.BitBlt(0, 0, image.width, image.height, &bitmapDc, 0, 0, ui::SRCPAINT);
    work.SelectObject(oldPlate);
    ui::DrawStateA(dc, nullptr, nullptr, ui::HandleBits(plate.m_hObject), 0, place.left, place.top, image.width,
                   image.height, ui::DST_BITMAP | ui::DSS_DISABLED);
  } else {
    dc.BitBlt(place.left, place.top, image.width, image.height, &maskDc, 0, 0, ui::SRCAND);
    dc.BitBlt(place.left, place.top, image.width, image.height, &bitmapDc, 0, 0, ui::SRCPAINT);
  }
  maskDc.SelectObject(oldMask);
  bitmapDc.SelectObject(oldBitmap);
}

void CIconButton::DrawButtonText(ui::CDC& dc, const std::string& caption, const ui::RECT&, ui::RECT captionRect,
                                 bool pressed, bool disabled) {
  if (pressed && !checkBox_) Offset(captionRect, pressedOffset_.x, pressedOffset_.y);
  ui::RECT text = captionRect;
  dc.DrawText(caption, &text, kMeasureFormat);
  Offset(text, ((captionRect.right - captionRect.left) - (text.right - text.left)) / 2,
         ((captionRect.bottom - captionRect.top) - (text.bottom - text.top)) / 2);
  if (disabled) {
    ui::RECT raised = text;
    Offset(raised, 1, 1);
    dc.SetTextColor(ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
    dc.DrawText(caption, &raised, kDrawFormat);
    dc.SetTextColor(ui::GetSysColor(ui::COLOR_BTNSHADOW));
    dc.DrawText(caption, &text, kDrawFormat);
    return;
  }
  const bool lit = hovered_ || pressed;
  dc.SetTextColor(colours_[lit ? 1 : 3]);
  dc.SetBkColor(colours_[lit ? 0 : 2]);
  dc.DrawText(caption, &text, kDrawFormat);
}

}  // namespace tarnlok
