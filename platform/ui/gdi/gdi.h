// GDI over Qt images: graphics objects, device contexts and the drawing primitives. Axis-aligned
// primitives are pixel-exact with GDI's rules (right and bottom edges and line end points
// excluded), so owner-drawn results can be tested by reading pixels back.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <string>

namespace ui {

// System colours (the classic scheme).
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;

COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int SYSTEM_FONT = 13;
HGDIOBJ GetStockObject(int index);

constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_NULL = 5;
HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
HBRUSH CreatePatternBrush(HBITMAP bitmap);

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr int LF_FACESIZE = 32;
struct LOGFONTA {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[LF_FACESIZE] = {};
};
// Every face resolves to DejaVu Sans: the program's Verdana, Arial and MS Sans Serif included.
HFONT CreateFontIndirectA(const LOGFONTA* font);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* face);

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};
// bitsPerPixel 1 gives a monochrome bitmap; anything else a 32-bit colour bitmap.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A bitmap from PNG (or other image file) bytes; null when they do not decode.
HBITMAP CreateBitmapFromImageBytes(const void* bytes, std::size_t size);
int GetObjectA(HGDIOBJ object, int size, void* out);
BOOL DeleteObject(HGDIOBJ object);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
constexpr UINT OBJ_PEN = 1;
constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;
// SaveDC keeps the clipping region with the other state.
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);

// Regions are unions of rectangles. Region functions answer the resulting kind.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dest may be one of the sources; RGN_COPY takes first alone.
int CombineRgn(HRGN dest, HRGN first, HRGN second, int mode);
int OffsetRgn(HRGN region, int x, int y);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* box);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
// The DC keeps a copy of the region, in device coordinates; a null region removes the clip.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int x, int y);
// The bounds of what drawing can reach: the window's visible part or the bitmap, cut by the clip.
int GetClipBox(HDC dc, RECT* box);
// Copies the clip into region: 1, or 0 when the DC has none, -1 on error.
int GetClipRgn(HDC dc, HRGN region);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF SetTextColor(HDC dc, COLORREF colour);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);

constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int BITSPIXEL = 12;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int RASTERCAPS = 38;
int GetDeviceCaps(HDC dc, int index);

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
// Draws from the current position up to, not including, (x, y).
BOOL LineTo(HDC dc, int x, int y);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL DrawFocusRect(HDC dc, const RECT* rect);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
COLORREF GetPixel(HDC dc, int x, int y);

constexpr UINT BDR_RAISEDOUTER = 0x1;
constexpr UINT BDR_SUNKENOUTER = 0x2;
constexpr UINT BDR_RAISEDINNER = 0x4;
constexpr UINT BDR_SUNKENINNER = 0x8;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x1;
constexpr UINT BF_TOP = 0x2;
constexpr UINT BF_RIGHT = 0x4;
constexpr UINT BF_BOTTOM = 0x8;
constexpr UINT BF_RECT = 0xF;
constexpr UINT BF_ADJUST = 0x2000;
// With BF_ADJUST the rectangle shrinks to what lies inside the edges; else it is left as given.
BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags);

constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
// Answers the height of the text drawn; with DT_CALCRECT measures into rect and draws nothing.
int DrawTextA(HDC dc, const char* text, int length, RECT* rect, UINT format);
BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);
// Text alignment of metafile text records.
constexpr UINT TA_RIGHT = 0x2;
constexpr UINT TA_CENTER = 0x6;
constexpr UINT TA_BOTTOM = 0x8;
constexpr UINT TA_BASELINE = 0x18;
constexpr UINT ETO_OPAQUE = 0x2;
constexpr UINT ETO_CLIPPED = 0x4;
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT length, const int* dx);
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* size);
struct TEXTMETRICA {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
};
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);

// Ternary raster operations.
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
// Any ternary operation works: the result bit is the operation's truth table at (pattern, source, destination).
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Device contexts of windows.
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;
  RECT rcPaint;
};
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
// Adds the rectangle (null: the whole window) to the window's update region and, since
// children paint into their parent's surface, to the descendants' under it. BeginPaint clips
// painting to the update region, gives its bounds as rcPaint and empties it.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
// Takes the rectangle (null: everything) out of the update region.
BOOL ValidateRect(HWND hwnd, const RECT* rect);
// The update region's bounds; with erase, sends the pending WM_ERASEBKGND. Answers whether
// anything is to be painted.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
constexpr UINT RDW_INVALIDATE = 0x1;
constexpr UINT RDW_ERASE = 0x4;
constexpr UINT RDW_ALLCHILDREN = 0x80;
constexpr UINT RDW_UPDATENOW = 0x100;
constexpr UINT RDW_ERASENOW = 0x200;
constexpr UINT RDW_FRAME = 0x400;
BOOL RedrawWindow(HWND hwnd, const RECT* rect, void* region, UINT flags);

// Paints every invalid window of the top-level window now and writes what it shows (Qt
// children included) as a PNG file.
bool SaveWindowPng(HWND hwnd, const std::string& path);

}  // namespace ui
