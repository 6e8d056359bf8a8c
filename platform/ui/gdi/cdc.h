// MFC-style wrappers of device contexts and graphics objects.
#pragma once

#include "platform/ui/gdi.h"
#include "platform/ui/icons.h"

#include <string>

namespace ui {

class CWnd;

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  // A non-owning wrapper of a handle, valid until the handle is deleted.
  static CGdiObject* FromHandle(HGDIOBJ object);

  HGDIOBJ m_hObject = nullptr;
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
  BOOL CreatePen(int style, int width, COLORREF colour);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
  BOOL CreateSolidBrush(COLORREF colour);
  BOOL CreateStockObject(int index);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                  BYTE pitchAndFamily, const char* face);
  BOOL CreateFontIndirect(const LOGFONTA* font);
  int GetLogFont(LOGFONTA* font) const;
  // A non-owning wrapper of a font handle, valid until the handle is deleted.
  static CFont* FromHandle(HGDIOBJ font);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  int CombineRgn(CRgn* first, CRgn* second, int mode);
  BOOL PtInRegion(int x, int y) const;
  int GetRgnBox(RECT* box) const;
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};

class CDC;
class CBitmap : public CGdiObject {
 public:
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  int GetBitmap(BITMAP* info) const;
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CDC {
 public:
  CDC() = default;
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  BOOL Attach(HDC dc);
  HDC Detach();
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  // A non-owning wrapper, valid until the DC is deleted.
  static CDC* FromHandle(HDC dc);

  HGDIOBJ SelectObject(HGDIOBJ object);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  CGdiObject* SelectStockObject(int index);
  int SaveDC();
  BOOL RestoreDC(int saved);
  // Null removes the clip.
  int SelectClipRgn(CRgn* region);
  int IntersectClipRect(int left, int top, int right, int bottom);
  int IntersectClipRect(const RECT* rect);
  int ExcludeClipRect(int left, int top, int right, int bottom);
  int ExcludeClipRect(const RECT* rect);
  int GetClipBox(RECT* box) const;
  COLORREF SetTextColor(COLORREF colour);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF colour);
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);
  int GetDeviceCaps(int index) const;

  POINT MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(const RECT* rect);
  BOOL Ellipse(int left, int top, int right, int bottom);
  void FillRect(const RECT* rect, CBrush* brush);
  // Leaves the background colour set to the colour, as MFC's does.
  void FillSolidRect(const RECT* rect, COLORREF colour);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF colour);
  void FrameRect(const RECT* rect, CBrush* brush);
  void Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  void DrawFocusRect(const RECT* rect);
  BOOL DrawEdge(RECT* rect, UINT edge, UINT flags);
  COLORREF SetPixel(int x, int y, COLORREF colour);
  COLORREF GetPixel(int x, int y) const;
  int DrawText(const std::string& text, RECT* rect, UINT format);
  BOOL TextOut(int x, int y, const std::string& text);
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const std::string& text);
  SIZE GetTextExtent(const std::string& text) const;
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
  BOOL DrawIcon(int x, int y, HICON icon);

  HDC m_hDC = nullptr;

 protected:
  bool owned_ = false;
};

// The DC of BeginPaint and EndPaint for a window's WM_PAINT.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 private:
  HWND window_;
};

class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* window);
  ~CClientDC() override;

 private:
  HWND window_;
};

}  // namespace ui
