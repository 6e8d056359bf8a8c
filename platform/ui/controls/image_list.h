// Image lists: rows of equally sized images (icons, or bitmaps with a mask colour), drawn
// with transparency. Not implemented: overlay images, drag images, ILD_BLEND.
#pragma once

#include "platform/ui/ui_types.h"

namespace ui {

using HIMAGELIST = struct ImageListTag*;

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR32 = 0x0020;
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// index -1 appends; answers the index, or -1.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
int ImageList_AddIcon(HIMAGELIST list, HICON icon);
// Pixels of the mask colour become transparent; a bitmap wider than the list's images adds several.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP bitmap, COLORREF mask);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// A new icon of one image; the caller destroys it.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
// Grows the list with blank images or cuts it to count.
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
// The bitmap's first image replaces the one at index; a monochrome mask's white pixels become
// transparent, no mask keeps the image opaque.
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// index -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);

class CImageList {
 public:
  CImageList() = default;
  ~CImageList();
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  int Add(HICON icon);
  int Add(HBITMAP bitmap, COLORREF mask);
  int GetImageCount() const;
  BOOL SetImageCount(UINT count);
  BOOL Replace(int index, HBITMAP image, HBITMAP mask);
  BOOL Remove(int index);
  BOOL Draw(HDC dc, int index, POINT at, UINT style);
  BOOL DeleteImageList();
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }
  HIMAGELIST m_hImageList = nullptr;
};

}  // namespace ui
