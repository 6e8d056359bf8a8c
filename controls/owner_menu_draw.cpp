// Measuring and drawing the owner-drawn menu's items in the classic and the XP look.
#include "controls/owner_menu.h"

#include "controls/owner_menu_images.h"
#include "controls/owner_menu_state.h"

#include "platform/ui/gdi/palette.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"

#include <algorithm>

namespace tarnlok {
namespace {

constexpr int kPlainPad = 4;
constexpr int kXpPad = 7;  // XP look with 3-D images
constexpr int kCheckBox = 16;
constexpr ui::UINT kLeftText = ui::DT_LEFT | ui::DT_SINGLELINE | ui::DT_VCENTER;
constexpr ui::UINT kRightText = ui::DT_RIGHT | ui::DT_SINGLELINE | ui::DT_VCENTER;

int Pad() { return COwnerMenu::XpLookInForce() ? kXpPad : kPlainPad; }

ui::COLORREF Sys(int index) { return ui::GetSysColor(index); }

void Frame(ui::CDC& dc, const ui::RECT& rect, ui::COLORREF colour) {
  ui::CBrush brush(colour);
  dc.FrameRect(&rect, &brush);
}

// The menu font of the system's metrics.
struct MenuFont {
  MenuFont() {
    ui::NONCLIENTMETRICSA metrics;
    ui::SystemParametersInfoA(ui::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font.CreateFontIndirect(&metrics.lfMenuFont);
  }
  ui::CFont font;
};

// Seven strokes of three pixels: the tick of a check mark.
void DrawCheckMark(ui::CDC& dc, int x, int y, ui::COLORREF colour) {
  static constexpr int kStrokeTops[] = {2, 3, 4, 3, 2, 1, 0};
  ui::CPen pen(ui::PS_SOLID, 1, colour);
  ui::CPen* old = dc.SelectObject(&pen);
  for (int i = 0; i < 7; ++i) {
    dc.MoveTo(x + i, y + kStrokeTops[i]);
    dc.LineTo(x + i, y + kStrokeTops[i] + 3);
  }
  dc.SelectObject(old);
}

// The dot of a radio item: a circle six pixels across.
void DrawRadioDot(ui::CDC& dc, int x, int y, ui::COLORREF colour) {
  ui::CPen pen(ui::PS_SOLID, 1, colour);
  ui::CBrush brush(colour);
  ui::CPen* oldPen = dc.SelectObject(&pen);
  ui::CBrush* oldBrush = dc.SelectObject(&brush);
  dc.Ellipse(x, y, x + 6, y + 6);
  dc.SelectObject(oldBrush);
  dc.SelectObject(oldPen);
}

void DrawClassicCheck(ui::CDC& dc, ui::RECT rect, bool selected, bool radio, ui::COLORREF background) {
  dc.FillSolidRect(&rect, selected ? background : COwnerMenu::BlendTowardWhite(background, 0.6));
  if (COwnerMenu::OsShellKind() > COwnerMenu::WinNt3) dc.DrawEdge(&rect, ui::BDR_SUNKENOUTER, ui::BF_RECT);
  if (radio) {
    DrawRadioDot(dc, rect.left + 5, rect.top + 4, Sys(ui::COLOR_MENUTEXT));
  } else {
    DrawCheckMark(dc, rect.left + 4, rect.top + 4, Sys(ui::COLOR_MENUTEXT));
  }
}

// The light framed box behind a checked item's image or tick in the XP look.
void DrawXpCheckBox(ui::CDC& dc, const ui::RECT& rect, ui::COLORREF highlight) {
  dc.FillSolidRect(&rect, COwnerMenu::BlendTowardWhite(highlight, 0.85));
  Frame(dc, rect, highlight);
}

void DrawXpCheck(ui::CDC& dc, const ui::RECT& rect, bool radio, ui::COLORREF highlight) {
  DrawXpCheckBox(dc, rect, highlight);
  if (radio) {
    DrawRadioDot(dc, rect.left + 5, rect.top + 4, Sys(ui::COLOR_MENUTEXT));
  } else {
    DrawCheckMark(dc, rect.left + 5, rect.top + 4, Sys(ui::COLOR_MENUTEXT));
  }
}

// An item that carries a checked bitmap is a radio item: it shows a dot, not a tick.
bool IsRadioItem(const ui::DRAWITEMSTRUCT& item) {
  ui::MENUITEMINFOA info;
  info.fMask = ui::MIIM_CHECKMARKS;
  const auto menu = reinterpret_cast<ui::HMENU>(item.hwndItem);
  return ui::GetMenuItemInfoA(menu, item.itemID, win::FALSE, &info) && info.hbmpChecked != nullptr;
}

struct SplitText {
  std::string left;
  std::string right;
  bool hasTab = false;
};

SplitText Split(const std::string& text) {
  const auto first = text.find('\t');
  if (first == std::string::npos) return SplitText{text, {}, false};
  return SplitText{text.substr(0, first), text.substr(text.rfind('\t') + 1), true};
}

// The text before the first tab on the left, the text after the last tab on the right.
void DrawParts(ui::CDC& dc, const SplitText& parts, ui::RECT rect, ui::COLORREF leftColour, ui::COLORREF rightColour) {
  dc.SetTextColor(leftColour);
  dc.DrawText(parts.left, &rect, kLeftText);
  if (!parts.hasTab) return;
  rect.right -= COwnerMenu::kIconWidth;
  dc.SetTextColor(rightColour);
  dc.DrawText(parts.right, &rect, kRightText);
}

ui::RECT Offset(ui::RECT rect, int dx, int dy) {
  return ui::RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

void DrawImage(ui::CDC& dc, ui::HIMAGELIST list, int index, int x, int y) {
  ui::ImageList_Draw(list, index, dc, x, y, ui::ILD_TRANSPARENT);
}

// Draws into a memory bitmap of the item's size and copies it to the target at the end.
class MenuMemoryDC : public ui::CDC {
 public:
  MenuMemoryDC(ui::CDC& target, const ui::RECT& rect) : target_(target), rect_(rect) {
    CreateCompatibleDC(&target);
    bitmap_.CreateCompatibleBitmap(&target, rect.right - rect.left, rect.bottom - rect.top);
    old_ = SelectObject(&bitmap_);
  }
  ~MenuMemoryDC() override {
    target_.BitBlt(rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, this, 0, 0, ui::SRCCOPY);
    SelectObject(old_);
  }
  MenuMemoryDC(const MenuMemoryDC&) = delete;
  MenuMemoryDC& operator=(const MenuMemoryDC&) = delete;
  // The item's rectangle in the memory bitmap.
  ui::RECT Local() const { return ui::RECT{0, 0, rect_.right - rect_.left, rect_.bottom - rect_.top}; }

 private:
  ui::CDC& target_;
  ui::RECT rect_;
  ui::CBitmap bitmap_;
  ui::CBitmap* old_ = nullptr;
};

}  // namespace

void COwnerMenu::DrawDisabled(ui::CDC& dc, ui::HIMAGELIST list, int index, int x, int y,
                              ui::COLORREF background) const {
  const bool twoColour = oldStyleDisabled_ != win::FALSE;
  const ui::HBITMAP shape = etched_.Shape(dc, list, index, twoColour);
  if (twoColour) {
    DrawEtchedShapeOnBackground(dc, x, y, shape, background);
  } else {
    DrawEtchedShape(dc, x, y, shape, background);
  }
}

bool COwnerMenu::UsesCheckMarkImages(bool selected) const {
  if (checkImages_ == nullptr) return false;
  return (selected && selectedCheckImage_ > 0) || unselectedCheckImage_ > 0;
}

COwnerMenu::Image COwnerMenu::ImageOf(const COwnerMenuItem& record) const {
  if (record.normalIconIndex >= 0 && record.ownImages) return Image{*record.ownImages, record.ownImageIndex};
  if (record.sharedImageIndex < 0) return Image{};
  const auto& ids = TheMenuClassState().imageIds;
  const int at = record.sharedImageIndex;
  Image image{*SharedImageList(), at};
  const auto size = static_cast<int>(ids.size());
  if (XpLookInForce() && at + 2 < size && ids[at + 1] == ids[at] && ids[at + 2] == ids[at]) {
    image.fadedIndex = at + 1;
    image.shadowIndex = at + 2;
  }
  return image;
}

void COwnerMenu::MeasureItem(ui::MEASUREITEMSTRUCT* item) {
  const auto* record = reinterpret_cast<const COwnerMenuItem*>(item->itemData);
  if (record == nullptr) return;
  const int pad = Pad();
  if ((record->menuFlags & ui::MF_SEPARATOR) != 0) {
    item->itemWidth = 0;
    item->itemHeight =
        static_cast<ui::UINT>(std::max(ui::GetSystemMetrics(ui::SM_CYMENU) / 2, (kIconHeight + pad) / 2));
    return;
  }
  MenuFont menuFont;
  ui::CWnd* main = ui::AfxGetMainWnd();
  // Without a main window, the screen's DC.
  const ui::HWND window = main != nullptr ? main->m_hWnd : nullptr;
  const ui::HDC dc = ui::GetDC(window);
  const ui::HGDIOBJ old = OsShellKind() > WinNt3 ? ui::SelectObject(dc, menuFont.font) : nullptr;
  ui::SIZE text{};
  const std::string narrow = record->GetText();
  ui::GetTextExtentPoint32A(dc, narrow.c_str(), static_cast<int>(narrow.size()), &text);
  if (old != nullptr) ui::SelectObject(dc, old);
  ui::ReleaseDC(window, dc);
  const int width = XpLookInForce() ? text.cx + kIconWidth + pad + 8 : text.cx + 2 * kIconWidth + 1;
  item->itemWidth = static_cast<ui::UINT>(width);
  item->itemHeight = static_cast<ui::UINT>(std::max(ui::GetSystemMetrics(ui::SM_CYMENU), kIconHeight + pad));
}

void COwnerMenu::DrawItem(ui::DRAWITEMSTRUCT* item) {
  const auto* record = reinterpret_cast<const COwnerMenuItem*>(item->itemData);
  if (record == nullptr) return;
  ui::CDC* dc = ui::CDC::FromHandle(item->hDC);
  const bool palette = (dc->GetDeviceCaps(ui::RASTERCAPS) & ui::RC_PALETTE) != 0;
  if (palette || !XpLookInForce()) {
    DrawItemClassic(*dc, *item, *record);
  } else {
    DrawItemXp(*dc, *item, *record);
  }
}

void COwnerMenu::DrawItemClassic(ui::CDC& dc, const ui::DRAWITEMSTRUCT& item, const COwnerMenuItem& record) {
  const ui::COLORREF background = Sys(OsShellKind() == WinXp && !IsClassicTheme() ? ui::COLOR_3DFACE : ui::COLOR_MENU);
  ui::RECT rect = item.rcItem;
  if ((record.menuFlags & ui::MF_SEPARATOR) != 0) {
    dc.FillSolidRect(&rect, background);
    rect.top += (rect.bottom - rect.top) >> 1;
    dc.DrawEdge(&rect, ui::EDGE_ETCHED, ui::BF_TOP);
    return;
  }
  const bool grayed = (item.itemState & ui::ODS_GRAYED) != 0;
  const bool selected = (item.itemState & ui::ODS_SELECTED) != 0;
  const bool checked = (item.itemState & ui::ODS_CHECKED) != 0;
  const Image image = ImageOf(record);
  const bool hasImage = image.list != nullptr;
  const bool checkImages = checked && !hasImage && UsesCheckMarkImages(selected);
  ui::COLORREF textColour = Sys(ui::COLOR_MENUTEXT);
  if (!selected) {
    dc.FillSolidRect(&rect, background);
  } else {
    ui::RECT highlight = rect;
    if (hasImage || checked) highlight.left = rect.left + kIconWidth + 5;
    dc.FillSolidRect(&highlight, Sys(ui::COLOR_HIGHLIGHT));
    textColour = Sys(ui::COLOR_HIGHLIGHTTEXT);
  }
  const int height = rect.bottom - rect.top;
  const int dy = std::max(0, (height - kIconHeight - 4) / 2);
  const bool framed = OsShellKind() > WinNt3;
  if (hasImage || checkImages) {
    const ui::RECT cell{rect.left + 1, rect.top + dy + 1, rect.left + kIconWidth + 3, rect.top + dy + kIconHeight + 3};
    const ui::RECT outer{rect.left, rect.top + dy, rect.left + kIconWidth + 4, rect.top + dy + kIconHeight + 4};
    const int x = rect.left + 2;
    const int y = rect.top + dy + 2;
    dc.Draw3dRect(&cell, background, background);
    if (checkImages) {
      dc.FillSolidRect(&cell, background);
      dc.Draw3dRect(&outer, background, background);
      DrawImage(dc, *checkImages_, selected ? 1 : 0, x, y);
    } else if (grayed) {
      dc.Draw3dRect(&outer, background, background);
      DrawDisabled(dc, image.list, image.index, x, y, background);
    } else if (selected) {
      dc.FillSolidRect(&cell, background);
      if (framed) {
        const ui::COLORREF shadow = Sys(ui::COLOR_BTNSHADOW);
        const ui::COLORREF light = Sys(ui::COLOR_BTNHIGHLIGHT);
        dc.Draw3dRect(&outer, checked ? shadow : light, checked ? light : shadow);
      }
      DrawImage(dc, image.list, image.index, x, y);
    } else {
      if (checked) {
        dc.FillSolidRect(&cell, BlendTowardWhite(background, 0.6));
        if (framed) dc.Draw3dRect(&outer, Sys(ui::COLOR_BTNSHADOW), Sys(ui::COLOR_BTNHIGHLIGHT));
      } else {
        dc.FillSolidRect(&cell, background);
        dc.Draw3dRect(&outer, background, background);
      }
      DrawImage(dc, image.list, image.index, x, y);
    }
  } else if (checked) {
    const ui::RECT cell{rect.left + 1, rect.top + dy + 2, rect.left + kIconWidth + 1, rect.top + dy + kIconHeight + 2};
    DrawClassicCheck(dc, cell, selected, IsRadioItem(item), background);
  }
  const ui::RECT text{rect.left + kIconWidth + 9, rect.top - 1, rect.right, rect.bottom - 1};
  const SplitText parts = Split(record.GetText());
  const int oldMode = dc.SetBkMode(ui::TRANSPARENT);
  if (grayed && selected) {
    DrawParts(dc, parts, text, background, background);
  } else if (grayed) {
    DrawParts(dc, parts, Offset(text, 1, 1), Sys(ui::COLOR_BTNHIGHLIGHT), Sys(ui::COLOR_BTNHIGHLIGHT));
    DrawParts(dc, parts, text, Sys(ui::COLOR_GRAYTEXT), Sys(ui::COLOR_GRAYTEXT));
  } else {
    DrawParts(dc, parts, text, textColour, textColour);
  }
  dc.SetBkMode(oldMode);
}

void COwnerMenu::DrawItemXp(ui::CDC& target, const ui::DRAWITEMSTRUCT& item, const COwnerMenuItem& record) {
  const ui::COLORREF menuColour = Sys(ui::COLOR_WINDOW);
  const ui::COLORREF barColour = Sys(ui::COLOR_BTNFACE);
  const ui::COLORREF highlight = Sys(ui::COLOR_HIGHLIGHT);
  const int pad = kXpPad;
  const int barWidth = kIconWidth + pad;
  const bool grayed = (item.itemState & ui::ODS_GRAYED) != 0;
  const bool selected = !grayed && (item.itemState & ui::ODS_SELECTED) != 0;
  const bool checked = (item.itemState & ui::ODS_CHECKED) != 0;

  MenuMemoryDC dc(target, item.rcItem);
  MenuFont menuFont;
  ui::CFont* oldFont = dc.SelectObject(&menuFont.font);
  const ui::RECT rect = dc.Local();
  const ui::RECT bar{rect.left, rect.top, rect.left + barWidth, rect.bottom};
  const int height = rect.bottom - rect.top;
  if ((record.menuFlags & ui::MF_SEPARATOR) != 0) {
    dc.FillSolidRect(&rect, menuColour);
    ui::RECT line{bar.right + pad, rect.top + height / 2, rect.right, rect.bottom};
    dc.DrawEdge(&line, ui::EDGE_ETCHED, ui::BF_TOP);
    dc.FillSolidRect(&bar, barColour);
    dc.SelectObject(oldFont);
    return;
  }
  const ui::COLORREF selection = BlendTowardWhite(highlight, 0.7);
  if (!selected) {
    dc.FillSolidRect(&rect, menuColour);
    dc.FillSolidRect(&bar, barColour);
  } else {
    dc.FillSolidRect(&rect, selection);
    Frame(dc, rect, highlight);
  }
  const Image image = ImageOf(record);
  const int x = rect.left + std::max(0, static_cast<int>((barWidth - kIconWidth + 1) * 0.5));
  const int y = rect.top + std::max(0, static_cast<int>((height - kIconHeight + 1) * 0.5));
  const bool checkImages = checked && image.list == nullptr && UsesCheckMarkImages(selected);
  if (image.list != nullptr || checkImages) {
    const ui::RECT cell{rect.left + 1, rect.top + 1, rect.left + barWidth - 1, rect.bottom - 1};
    const bool faded = image.fadedIndex >= 0;
    if (checkImages) {
      dc.FillSolidRect(&cell, barColour);
      DrawImage(dc, *checkImages_, selected ? 1 : 0, x, y);
    } else if (grayed) {
      DrawDisabled(dc, image.list, image.index, x, y, barColour);
    } else if (selected) {
      dc.FillSolidRect(&cell, selection);
      if (checked) {
        Frame(dc, cell, highlight);
        DrawImage(dc, image.list, image.index, x - 1, y - 1);
      } else if (faded) {
        DrawImage(dc, image.list, image.shadowIndex, x + 1, y + 1);
        DrawImage(dc, image.list, image.index, x - 1, y - 1);
      } else {
        DrawImage(dc, image.list, image.index, x, y);
      }
    } else if (checked) {
      DrawXpCheckBox(dc, cell, highlight);
      DrawImage(dc, image.list, image.index, x - 1, y - 1);
    } else {
      dc.FillSolidRect(&cell, barColour);
      DrawImage(dc, image.list, faded ? image.fadedIndex : image.index, x, y);
    }
  } else if (checked) {
    const int left = rect.left + std::max(0, static_cast<int>((barWidth - kCheckBox + 1) * 0.5));
    const int top = rect.top + std::max(0, static_cast<int>((height - kCheckBox + 1) * 0.5));
    DrawXpCheck(dc, ui::RECT{left, top, left + kCheckBox, top + kCheckBox}, IsRadioItem(item), highlight);
  }
  const ui::RECT text{rect.left + barWidth + 8, rect.top - 1, rect.right, rect.bottom - 1};
  const ui::COLORREF textColour = Sys(grayed ? ui::COLOR_GRAYTEXT : ui::COLOR_MENUTEXT);
  const int oldMode = dc.SetBkMode(ui::TRANSPARENT);
  DrawParts(dc, Split(record.GetText()), text, textColour, textColour);
  dc.SetBkMode(oldMode);
  dc.SelectObject(oldFont);
}

}  // namespace tarnlok
