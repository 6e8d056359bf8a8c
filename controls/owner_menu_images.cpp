// The owner-drawn menu's shared image list and the image work of its looks.
#include "controls/owner_menu_images.h"

#include "controls/owner_menu.h"
#include "controls/owner_menu_state.h"

#include "platform/ui/gdi/dib.h"
#include "platform/ui/gdi/icons.h"
#include "platform/ui/resources/bitmap_dib.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/resources/toolbar_resources.h"

namespace tarnlok {
namespace {

constexpr ui::UINT kListFlags = ui::ILC_MASK | ui::ILC_COLOR32;
// Where the mask is 0 the pattern goes down, where it is 1 the destination stays.
constexpr ui::DWORD kPatternThroughMask = 0x00E20746;
// Where the source is black the pattern goes down, where it is white the destination stays.
constexpr ui::DWORD kPatternWhereBlack = 0x00B8074A;

// A memory DC with a bitmap selected, restored and freed with the object.
class SelectedBitmap {
 public:
  explicit SelectedBitmap(ui::HBITMAP bitmap) : dc_(ui::CreateCompatibleDC(nullptr)) {
    old_ = ui::SelectObject(dc_, bitmap);
  }
  ~SelectedBitmap() {
    ui::SelectObject(dc_, old_);
    ui::DeleteDC(dc_);
  }
  SelectedBitmap(const SelectedBitmap&) = delete;
  SelectedBitmap& operator=(const SelectedBitmap&) = delete;
  operator ui::HDC() const { return dc_; }

 private:
  ui::HDC dc_;
  ui::HGDIOBJ old_ = nullptr;
};

// Every pixel that differs from the face colour becomes what the function makes of it.
template <typename Recolour>
void RecolourImage(ui::HBITMAP bitmap, Recolour recolour) {
  const ui::COLORREF face = ui::GetSysColor(ui::COLOR_BTNFACE);
  SelectedBitmap dc(bitmap);
  for (int y = 0; y < COwnerMenu::kIconHeight; ++y) {
    for (int x = 0; x < COwnerMenu::kIconWidth; ++x) {
      const ui::COLORREF pixel = ui::GetPixel(dc, x, y);
      if (pixel != face) ui::SetPixel(dc, x, y, recolour(pixel));
    }
  }
}

constexpr std::size_t kSysColourTable = 16;

ui::HBITMAP FaceMask(ui::HBITMAP bitmap) {
  const ui::HBITMAP mask = ui::CreateBitmap(COwnerMenu::kIconWidth, COwnerMenu::kIconHeight, 1, 1, nullptr);
  SelectedBitmap source(bitmap);
  SelectedBitmap target(mask);
  ui::SetBkColor(source, ui::GetSysColor(ui::COLOR_BTNFACE));
  ui::BitBlt(target, 0, 0, COwnerMenu::kIconWidth, COwnerMenu::kIconHeight, source, 0, 0, ui::SRCCOPY);
  return mask;
}

struct ShadedCopies {
  ui::HBITMAP faded = nullptr;
  ui::HBITMAP shadow = nullptr;
  ~ShadedCopies() {
    ui::DeleteObject(faded);
    ui::DeleteObject(shadow);
  }
};

void MakeShadedCopies(ui::HIMAGELIST list, int index, ShadedCopies& copies) {
  // The screen's DC: a fresh memory DC would give monochrome bitmaps.
  const ui::HDC screen = ui::GetDC(nullptr);
  copies.faded = ImageToBitmap(screen, list, index);
  copies.shadow = ImageToBitmap(screen, list, index);
  ui::ReleaseDC(nullptr, screen);
  MakeFadedBitmap(copies.faded);
  MakeShadowBitmap(copies.shadow);
}

void ReplaceMasked(ui::HIMAGELIST list, int index, ui::HBITMAP bitmap) {
  const ui::HBITMAP mask = FaceMask(bitmap);
  ui::ImageList_Replace(list, index, bitmap, mask);
  ui::DeleteObject(mask);
}

}  // namespace

ui::HBITMAP ImageToBitmap(ui::HDC dc, ui::HIMAGELIST list, int index) {
  const ui::HBITMAP bitmap = ui::CreateCompatibleBitmap(dc, COwnerMenu::kIconWidth, COwnerMenu::kIconHeight);
  SelectedBitmap work(bitmap);
  const ui::RECT all{0, 0, COwnerMenu::kIconWidth, COwnerMenu::kIconHeight};
  ui::FillRect(work, &all, ui::GetSysColorBrush(ui::COLOR_BTNFACE));
  const ui::HICON icon = ui::ImageList_GetIcon(list, index, 0);
  if (icon != nullptr) {
    ui::DrawIconEx(work, 0, 0, icon, COwnerMenu::kIconWidth, COwnerMenu::kIconHeight, 0, nullptr, ui::DI_NORMAL);
    ui::DestroyIcon(icon);
  }
  return bitmap;
}

void MakeFadedBitmap(ui::HBITMAP bitmap) {
  RecolourImage(bitmap, [](ui::COLORREF pixel) { return COwnerMenu::BlendTowardWhite(pixel, 0.3); });
}

void MakeShadowBitmap(ui::HBITMAP bitmap) {
  const ui::COLORREF shadow = ui::GetSysColor(ui::COLOR_BTNSHADOW);
  RecolourImage(bitmap, [shadow](ui::COLORREF) { return shadow; });
}

ui::HBITMAP EtchShape(ui::HDC dc, ui::HIMAGELIST list, int index, bool twoColour) {
  constexpr int width = COwnerMenu::kIconWidth;
  constexpr int height = COwnerMenu::kIconHeight;
  const ui::HBITMAP image = ImageToBitmap(dc, list, index);
  const ui::HBITMAP shape = ui::CreateBitmap(width, height, 1, 1, nullptr);
  {
    SelectedBitmap source(image);
    SelectedBitmap target(shape);
    if (twoColour) {
      // Each pixel takes the nearer of white and black: the image's dark parts are the shape.
      for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
          const ui::COLORREF pixel = ui::GetPixel(source, px, py);
          const int sum = ui::GetRValue(pixel) + ui::GetGValue(pixel) + ui::GetBValue(pixel);
          ui::SetPixel(target, px, py, 2 * sum > 3 * 255 ? ui::RGB(255, 255, 255) : ui::RGB(0, 0, 0));
        }
      }
    } else {
      ui::SetBkColor(source, ui::GetSysColor(ui::COLOR_BTNFACE));
      ui::BitBlt(target, 0, 0, width, height, source, 0, 0, ui::SRCCOPY);
      ui::SetBkColor(source, ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
      ui::BitBlt(target, 0, 0, width, height, source, 0, 0, ui::SRCPAINT);
    }
  }
  ui::DeleteObject(image);
  return shape;
}

void DrawEtchedShape(ui::HDC dc, int x, int y, ui::HBITMAP shape, ui::COLORREF background) {
  constexpr int width = COwnerMenu::kIconWidth;
  constexpr int height = COwnerMenu::kIconHeight;
  const ui::HBITMAP scratch = ui::CreateCompatibleBitmap(dc, width, height);
  {
    SelectedBitmap work(scratch);
    SelectedBitmap mask(shape);
    const ui::HBRUSH fill = ui::CreateSolidBrush(background);
    const ui::RECT all{0, 0, width, height};
    ui::FillRect(work, &all, fill);
    ui::DeleteObject(fill);
    ui::SetTextColor(work, ui::RGB(255, 255, 255));
    ui::SetBkColor(work, ui::RGB(0, 0, 0));
    const ui::HGDIOBJ oldBrush = ui::SelectObject(work, ui::GetSysColorBrush(ui::COLOR_BTNHIGHLIGHT));
    ui::BitBlt(work, 0, 0, width, height, mask, 0, 0, kPatternThroughMask);
    ui::BitBlt(dc, x + 1, y + 1, width, height, work, 0, 0, ui::SRCCOPY);
    ui::BitBlt(work, 1, 1, width, height, mask, 0, 0, kPatternThroughMask);
    ui::SelectObject(work, ui::GetSysColorBrush(ui::COLOR_BTNSHADOW));
    ui::BitBlt(work, 0, 0, width, height, mask, 0, 0, kPatternThroughMask);
    ui::BitBlt(dc, x, y, width, height, work, 0, 0, ui::SRCCOPY);
    ui::SelectObject(work, oldBrush);
  }
  ui::DeleteObject(scratch);
}

void DrawEtchedShapeOnBackground(ui::HDC dc, int x, int y, ui::HBITMAP shape, ui::COLORREF background) {
  constexpr int width = COwnerMenu::kIconWidth;
  constexpr int height = COwnerMenu::kIconHeight;
  SelectedBitmap mask(shape);
  const ui::HBRUSH fill = ui::CreateSolidBrush(background);
  const ui::RECT all{x, y, x + width, y + height};
  ui::FillRect(dc, &all, fill);
  ui::DeleteObject(fill);
  const ui::COLORREF oldText = ui::SetTextColor(dc, ui::RGB(0, 0, 0));
  const ui::COLORREF oldBack = ui::SetBkColor(dc, ui::RGB(255, 255, 255));
  const ui::HGDIOBJ oldBrush = ui::SelectObject(dc, ui::GetSysColorBrush(ui::COLOR_BTNHIGHLIGHT));
  ui::BitBlt(dc, x + 1, y + 1, width, height, mask, 0, 0, kPatternWhereBlack);
  ui::SelectObject(dc, ui::GetSysColorBrush(ui::COLOR_BTNSHADOW));
  ui::BitBlt(dc, x, y, width, height, mask, 0, 0, kPatternWhereBlack);
  ui::SelectObject(dc, oldBrush);
  ui::SetBkColor(dc, oldBack);
  ui::SetTextColor(dc, oldText);
}

ui::CImageList* COwnerMenu::SharedImageList() {
  auto& state = TheMenuClassState();
  if (!state.images) {
    state.images = std::make_unique<ui::CImageList>();
    state.images->Create(kIconWidth, kIconHeight, kListFlags, 1, 1);
  }
  return state.images.get();
}

ui::HBITMAP LoadSysColourBitmap(win::UINT id) {
  auto dib = ui::LoadBitmapResourceDib(nullptr, id);
  const auto table = dib ? ui::FindDibColourTable(*dib) : std::nullopt;
  if (!table || table->count != kSysColourTable) return nullptr;
  // The standard colours of button images, drawn in the colours the system gives them.
  static constexpr struct {
    ui::COLORREF standard;
    int system;
  } kMap[] = {{ui::RGB(0, 0, 0), ui::COLOR_BTNTEXT},
              {ui::RGB(128, 128, 128), ui::COLOR_BTNSHADOW},
              {ui::RGB(192, 192, 192), ui::COLOR_BTNFACE},
              {ui::RGB(255, 255, 255), ui::COLOR_BTNHIGHLIGHT}};
  for (std::size_t entry = 0; entry < kSysColourTable; ++entry) {
    const std::size_t at = table->offset + entry * 4;
    const ui::COLORREF colour = ui::RGB((*dib)[at + 2], (*dib)[at + 1], (*dib)[at]);
    for (const auto& map : kMap) {
      if (colour != map.standard) continue;
      const ui::COLORREF system = ui::GetSysColor(map.system);
      (*dib)[at] = ui::GetBValue(system);
      (*dib)[at + 1] = ui::GetGValue(system);
      (*dib)[at + 2] = ui::GetRValue(system);
    }
  }
  return ui::CreateBitmapFromPackedDib(*dib);
}

int COwnerMenu::AddBitmapToImageList(ui::CImageList& list, std::uintptr_t id) {
  int first = -1;
  if (dynamicIcons_) {
    first = ui::ImageList_ReplaceIcon(list, -1, ui::HandleOf<ui::HICON>(id));
  } else {
    ui::HBITMAP bitmap = LoadSysColourBitmap(static_cast<win::UINT>(id));
    if (bitmap == nullptr) bitmap = ui::LoadBitmapA(nullptr, static_cast<win::UINT>(id));
    if (bitmap == nullptr) return 0;
    first = list.Add(bitmap, useBitmapBackground_ ? bitmapBackground_ : ui::GetSysColor(ui::COLOR_BTNFACE));
    ui::DeleteObject(bitmap);
  }
  if (first < 0) return 0;
  if (XpLookInForce()) {
    ShadedCopies copies;
    MakeShadedCopies(list, first, copies);
    list.Add(copies.faded, ui::GetSysColor(ui::COLOR_BTNFACE));
    list.Add(copies.shadow, ui::GetSysColor(ui::COLOR_BTNFACE));
  }
  return 1;
}

bool COwnerMenu::ToolbarImageIndex(win::UINT id, win::UINT toolbarId, int& index) {
  const auto toolbar = ui::LoadToolbarResource(nullptr, toolbarId);
  if (!toolbar) return false;
  const int found = toolbar->ImageOf(id);
  if (found < 0) return false;
  index = found;
  return true;
}

int COwnerMenu::AddToSharedImageList(ui::CImageList& list, int index, win::UINT id) {
  ui::CImageList& shared = *SharedImageList();
  auto& ids = TheMenuClassState().imageIds;
  const ui::HICON icon = ui::ImageList_GetIcon(list, index, 0);
  if (icon == nullptr) return -1;
  const bool shaded = XpLookInForce();
  ShadedCopies copies;
  if (shaded) MakeShadedCopies(list, index, copies);
  int at = -1;
  if (const auto found = std::find(ids.begin(), ids.end(), id); found != ids.end()) {
    at = static_cast<int>(found - ids.begin());
    ui::ImageList_ReplaceIcon(shared, at, icon);
    ++TheMenuClassState().sharedImageChanges;
    const auto size = static_cast<int>(ids.size());
    if (shaded && at + 2 < size && ids[at + 1] == id && ids[at + 2] == id) {
      ReplaceMasked(shared, at + 1, copies.faded);
      ReplaceMasked(shared, at + 2, copies.shadow);
    }
  } else {
    at = static_cast<int>(ids.size());
    ui::ImageList_ReplaceIcon(shared, -1, icon);
    ids.push_back(id);
    if (shaded) {
      shared.Add(copies.faded, ui::GetSysColor(ui::COLOR_BTNFACE));
      shared.Add(copies.shadow, ui::GetSysColor(ui::COLOR_BTNFACE));
      ids.push_back(id);
      ids.push_back(id);
    }
  }
  ui::DestroyIcon(icon);
  return at;
}

}  // namespace tarnlok
