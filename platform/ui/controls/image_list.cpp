#include "platform/ui/controls/image_list_internal.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/gdi/icons.h"

#include <QPainter>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace ui {
namespace {

struct List {
  int cx = 16;
  int cy = 16;
  std::vector<QImage> images;  // Format_ARGB32
};

struct Lists {
  std::map<std::uintptr_t, List> table;
  std::uintptr_t next = 0xC0000;
};

Lists& TheLists() {
  static Lists lists;
  return lists;
}

List* Find(HIMAGELIST handle) {
  auto& table = TheLists().table;
  const auto found = table.find(HandleBits(handle));
  return found == table.end() ? nullptr : &found->second;
}

QImage Fitted(const QImage& image, const List& list) {
  if (image.width() == list.cx && image.height() == list.cy) return image;
  return image.scaled(list.cx, list.cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

QImage ImageListImage(HIMAGELIST handle, int index) {
  const List* list = Find(handle);
  if (list == nullptr || index < 0 || index >= static_cast<int>(list->images.size())) return {};
  return list->images[static_cast<std::size_t>(index)];
}

HIMAGELIST ImageList_Create(int cx, int cy, UINT, int, int) {
  if (cx <= 0 || cy <= 0) return nullptr;
  auto& lists = TheLists();
  const std::uintptr_t bits = lists.next;
  lists.next += 4;
  lists.table[bits] = List{cx, cy, {}};
  return HandleOf<HIMAGELIST>(bits);
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  return TheLists().table.erase(HandleBits(list)) > 0 ? win::TRUE : win::FALSE;
}

int ImageList_GetImageCount(HIMAGELIST handle) {
  const List* list = Find(handle);
  return list != nullptr ? static_cast<int>(list->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST handle, int* cx, int* cy) {
  const List* list = Find(handle);
  if (list == nullptr) return win::FALSE;
  *cx = list->cx;
  *cy = list->cy;
  return win::TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST handle, int index, HICON icon) {
  List* list = Find(handle);
  const IconData* data = FindIcon(icon);
  if (list == nullptr || data == nullptr || index < -1 || index >= static_cast<int>(list->images.size())) return -1;
  const QImage image = Fitted(data->image, *list);
  if (index == -1) {
    list->images.push_back(image);
    return static_cast<int>(list->images.size()) - 1;
  }
  list->images[static_cast<std::size_t>(index)] = image;
  return index;
}

int ImageList_AddIcon(HIMAGELIST list, HICON icon) { return ImageList_ReplaceIcon(list, -1, icon); }

int ImageList_AddMasked(HIMAGELIST handle, HBITMAP bitmap, COLORREF mask) {
  List* list = Find(handle);
  const BitmapData* data = FindBitmap(bitmap);
  if (list == nullptr || data == nullptr) return -1;
  QImage source = data->image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ToQRgb(mask);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      if ((source.pixel(x, y) & 0xFFFFFFu) == (key & 0xFFFFFFu)) source.setPixel(x, y, 0);
    }
  }
  const int first = static_cast<int>(list->images.size());
  for (int x = 0; x + list->cx <= source.width(); x += list->cx)
    list->images.push_back(Fitted(source.copy(x, 0, list->cx, list->cy), *list));
  return static_cast<int>(list->images.size()) > first ? first : -1;
}

BOOL ImageList_Draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT) {
  const QImage image = ImageListImage(handle, index);
  const auto target = TargetOf(dc);
  if (image.isNull() || !target) return win::FALSE;
  QPainter painter(target->image);
  painter.setClipRegion(target->clip);
  painter.drawImage(x + target->origin.x, y + target->origin.y, image);
  return win::TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST handle, int index, UINT) {
  const QImage image = ImageListImage(handle, index);
  if (image.isNull()) return nullptr;
  return static_cast<HICON>(AddGdiObject(IconData{image}));
}

BOOL ImageList_SetImageCount(HIMAGELIST handle, UINT count) {
  List* list = Find(handle);
  if (list == nullptr) return win::FALSE;
  QImage blank(list->cx, list->cy, QImage::Format_ARGB32);
  blank.fill(Qt::transparent);
  list->images.resize(count, blank);
  return win::TRUE;
}

BOOL ImageList_Replace(HIMAGELIST handle, int index, HBITMAP image, HBITMAP mask) {
  List* list = Find(handle);
  const BitmapData* data = FindBitmap(image);
  const BitmapData* maskData = mask != nullptr ? FindBitmap(mask) : nullptr;
  if (list == nullptr || data == nullptr || (mask != nullptr && maskData == nullptr) || index < 0 ||
      index >= static_cast<int>(list->images.size())) {
    return win::FALSE;
  }
  QImage replaced = data->image.copy(0, 0, list->cx, list->cy).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; maskData != nullptr && y < std::min(replaced.height(), maskData->image.height()); ++y) {
    for (int x = 0; x < std::min(replaced.width(), maskData->image.width()); ++x) {
      if ((maskData->image.pixel(x, y) & 0xFFFFFFu) == 0xFFFFFFu) replaced.setPixel(x, y, 0);
    }
  }
  list->images[static_cast<std::size_t>(index)] = replaced;
  return win::TRUE;
}

BOOL ImageList_Remove(HIMAGELIST handle, int index) {
  List* list = Find(handle);
  if (list == nullptr || index < -1 || index >= static_cast<int>(list->images.size())) return win::FALSE;
  if (index == -1) {
    list->images.clear();
  } else {
    list->images.erase(list->images.begin() + index);
  }
  return win::TRUE;
}

CImageList::~CImageList() { DeleteImageList(); }
BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  DeleteImageList();
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr ? win::TRUE : win::FALSE;
}
int CImageList::Add(HICON icon) { return ImageList_AddIcon(m_hImageList, icon); }
int CImageList::Add(HBITMAP bitmap, COLORREF mask) { return ImageList_AddMasked(m_hImageList, bitmap, mask); }
int CImageList::GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
BOOL CImageList::SetImageCount(UINT count) { return ImageList_SetImageCount(m_hImageList, count); }
BOOL CImageList::Replace(int index, HBITMAP image, HBITMAP mask) {
  return ImageList_Replace(m_hImageList, index, image, mask);
}
BOOL CImageList::Remove(int index) { return ImageList_Remove(m_hImageList, index); }
BOOL CImageList::Draw(HDC dc, int index, POINT at, UINT style) {
  return ImageList_Draw(m_hImageList, index, dc, at.x, at.y, style);
}
BOOL CImageList::DeleteImageList() {
  if (m_hImageList == nullptr) return win::FALSE;
  return ImageList_Destroy(std::exchange(m_hImageList, nullptr));
}

}  // namespace ui
