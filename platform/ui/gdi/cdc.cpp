#include "platform/ui/gdi/cdc.h"

#include "platform/ui/windows/cwnd.h"
#include "platform/ui/gdi/gdi_internal.h"

#include <map>
#include <memory>
#include <type_traits>
#include <utility>

namespace ui {
namespace {

// Non-owning wrappers handed out for handles; each lives as long as the process, and is
// dropped when its handle is found deleted.
template <typename Wrapper, typename Handle>
Wrapper* Temporary(Handle handle) {
  static std::map<std::uintptr_t, std::unique_ptr<Wrapper>> wrappers;
  if (handle == nullptr) return nullptr;
  auto& slot = wrappers[HandleBits(handle)];
  if (!slot) slot = std::make_unique<Wrapper>();
  if constexpr (std::is_base_of_v<CDC, Wrapper>) {
    slot->m_hDC = handle;
  } else {
    slot->m_hObject = handle;
  }
  return slot.get();
}

// Temporary GDI wrappers never delete what they wrap.
template <typename T>
class TemporaryOf final : public T {
 public:
  ~TemporaryOf() override { this->m_hObject = nullptr; }
};

class TemporaryDcWrapper final : public CDC {
 public:
  ~TemporaryDcWrapper() override { m_hDC = nullptr; }
};

template <typename T>
T* As(HGDIOBJ object) {
  return Temporary<TemporaryOf<T>>(object);
}

}  // namespace

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (m_hObject != nullptr || object == nullptr) return win::FALSE;
  m_hObject = object;
  return win::TRUE;
}

HGDIOBJ CGdiObject::Detach() { return std::exchange(m_hObject, nullptr); }

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return win::FALSE;
  return ui::DeleteObject(std::exchange(m_hObject, nullptr));
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ object) { return As<CGdiObject>(object); }

BOOL CPen::CreatePen(int style, int width, COLORREF colour) { return Attach(ui::CreatePen(style, width, colour)); }
BOOL CBrush::CreateSolidBrush(COLORREF colour) { return Attach(ui::CreateSolidBrush(colour)); }
BOOL CBrush::CreateStockObject(int index) { return Attach(GetStockObject(index)); }

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const char* face) {
  return Attach(CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                            outPrecision, clipPrecision, quality, pitchAndFamily, face));
}
BOOL CFont::CreateFontIndirect(const LOGFONTA* font) { return Attach(CreateFontIndirectA(font)); }
CFont* CFont::FromHandle(HGDIOBJ font) { return As<CFont>(font); }
int CFont::GetLogFont(LOGFONTA* font) const { return GetObjectA(m_hObject, sizeof *font, font); }

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  return Attach(ui::CreateRectRgn(left, top, right, bottom));
}
BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) { return Attach(ui::CreateRectRgnIndirect(rect)); }
int CRgn::CombineRgn(CRgn* first, CRgn* second, int mode) {
  return ui::CombineRgn(*this, first != nullptr ? static_cast<HRGN>(*first) : nullptr,
                        second != nullptr ? static_cast<HRGN>(*second) : nullptr, mode);
}
BOOL CRgn::PtInRegion(int x, int y) const { return ui::PtInRegion(*this, x, y); }
int CRgn::GetRgnBox(RECT* box) const { return ui::GetRgnBox(*this, box); }

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  return Attach(ui::CreateBitmap(width, height, planes, bitsPerPixel, bits));
}
BOOL CBitmap::CreateCompatibleBitmap(CDC* dc, int width, int height) {
  return Attach(ui::CreateCompatibleBitmap(dc != nullptr ? dc->m_hDC : nullptr, width, height));
}
int CBitmap::GetBitmap(BITMAP* info) const { return GetObjectA(m_hObject, sizeof *info, info); }

CDC::~CDC() {
  if (owned_) DeleteDC();
}

BOOL CDC::CreateCompatibleDC(CDC* dc) {
  if (m_hDC != nullptr) return win::FALSE;
  m_hDC = ui::CreateCompatibleDC(dc != nullptr ? dc->m_hDC : nullptr);
  owned_ = m_hDC != nullptr;
  return owned_ ? win::TRUE : win::FALSE;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return win::FALSE;
  owned_ = false;
  return ui::DeleteDC(std::exchange(m_hDC, nullptr));
}

BOOL CDC::Attach(HDC dc) {
  if (m_hDC != nullptr || dc == nullptr) return win::FALSE;
  m_hDC = dc;
  owned_ = true;
  return win::TRUE;
}

HDC CDC::Detach() {
  owned_ = false;
  return std::exchange(m_hDC, nullptr);
}

CDC* CDC::FromHandle(HDC dc) { return Temporary<TemporaryDcWrapper>(dc); }

HGDIOBJ CDC::SelectObject(HGDIOBJ object) { return ui::SelectObject(m_hDC, object); }
CPen* CDC::SelectObject(CPen* pen) { return As<CPen>(SelectObject(pen->m_hObject)); }
CBrush* CDC::SelectObject(CBrush* brush) { return As<CBrush>(SelectObject(brush->m_hObject)); }
CFont* CDC::SelectObject(CFont* font) { return As<CFont>(SelectObject(font->m_hObject)); }
CBitmap* CDC::SelectObject(CBitmap* bitmap) { return As<CBitmap>(SelectObject(bitmap->m_hObject)); }
CGdiObject* CDC::SelectStockObject(int index) { return As<CGdiObject>(SelectObject(GetStockObject(index))); }
int CDC::SelectClipRgn(CRgn* region) {
  return ui::SelectClipRgn(m_hDC, region != nullptr ? static_cast<HRGN>(*region) : nullptr);
}
int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  return ui::IntersectClipRect(m_hDC, left, top, right, bottom);
}
int CDC::IntersectClipRect(const RECT* rect) {
  return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom);
}
int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  return ui::ExcludeClipRect(m_hDC, left, top, right, bottom);
}
int CDC::ExcludeClipRect(const RECT* rect) { return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom); }
int CDC::GetClipBox(RECT* box) const { return ui::GetClipBox(m_hDC, box); }

int CDC::SaveDC() { return ui::SaveDC(m_hDC); }
BOOL CDC::RestoreDC(int saved) { return ui::RestoreDC(m_hDC, saved); }
COLORREF CDC::SetTextColor(COLORREF colour) { return ui::SetTextColor(m_hDC, colour); }
COLORREF CDC::GetTextColor() const { return ui::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF colour) { return ui::SetBkColor(m_hDC, colour); }
COLORREF CDC::GetBkColor() const { return ui::GetBkColor(m_hDC); }
int CDC::SetBkMode(int mode) { return ui::SetBkMode(m_hDC, mode); }
int CDC::GetDeviceCaps(int index) const { return ui::GetDeviceCaps(m_hDC, index); }

POINT CDC::MoveTo(int x, int y) {
  POINT previous;
  MoveToEx(m_hDC, x, y, &previous);
  return previous;
}
BOOL CDC::LineTo(int x, int y) { return ui::LineTo(m_hDC, x, y); }
BOOL CDC::Rectangle(int left, int top, int right, int bottom) { return ui::Rectangle(m_hDC, left, top, right, bottom); }
BOOL CDC::Rectangle(const RECT* rect) { return Rectangle(rect->left, rect->top, rect->right, rect->bottom); }
BOOL CDC::Ellipse(int left, int top, int right, int bottom) { return ui::Ellipse(m_hDC, left, top, right, bottom); }
void CDC::FillRect(const RECT* rect, CBrush* brush) { ui::FillRect(m_hDC, rect, *brush); }

void CDC::FillSolidRect(const RECT* rect, COLORREF colour) {
  ui::SetBkColor(m_hDC, colour);
  ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, rect, nullptr, 0, nullptr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF colour) {
  const RECT rect{x, y, x + cx, y + cy};
  FillSolidRect(&rect, colour);
}

void CDC::FrameRect(const RECT* rect, CBrush* brush) { ui::FrameRect(m_hDC, rect, *brush); }

void CDC::Draw3dRect(const RECT* rect, COLORREF topLeft, COLORREF bottomRight) {
  Draw3dRect(rect->left, rect->top, rect->Width(), rect->Height(), topLeft, bottomRight);
}

// Top and left in the first colour without the far corner; right and bottom in the second.
void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight) {
  FillSolidRect(x, y, cx - 1, 1, topLeft);
  FillSolidRect(x, y, 1, cy - 1, topLeft);
  FillSolidRect(x + cx - 1, y, 1, cy, bottomRight);
  FillSolidRect(x, y + cy - 1, cx, 1, bottomRight);
}

void CDC::DrawFocusRect(const RECT* rect) { ui::DrawFocusRect(m_hDC, rect); }
BOOL CDC::DrawEdge(RECT* rect, UINT edge, UINT flags) { return ui::DrawEdge(m_hDC, rect, edge, flags); }
COLORREF CDC::SetPixel(int x, int y, COLORREF colour) { return ui::SetPixel(m_hDC, x, y, colour); }
COLORREF CDC::GetPixel(int x, int y) const { return ui::GetPixel(m_hDC, x, y); }
int CDC::DrawText(const std::string& text, RECT* rect, UINT format) {
  return DrawTextA(m_hDC, text.c_str(), static_cast<int>(text.size()), rect, format);
}
BOOL CDC::TextOut(int x, int y, const std::string& text) {
  return TextOutA(m_hDC, x, y, text.c_str(), static_cast<int>(text.size()));
}
BOOL CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const std::string& text) {
  return ExtTextOutA(m_hDC, x, y, options, rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}
SIZE CDC::GetTextExtent(const std::string& text) const {
  SIZE size;
  GetTextExtentPoint32A(m_hDC, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}
BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop) {
  return ui::BitBlt(m_hDC, x, y, width, height, source != nullptr ? source->m_hDC : nullptr, sx, sy, rop);
}
BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop) {
  return ui::StretchBlt(m_hDC, x, y, width, height, source->m_hDC, sx, sy, sw, sh, rop);
}
BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop) { return ui::PatBlt(m_hDC, x, y, width, height, rop); }
BOOL CDC::DrawIcon(int x, int y, HICON icon) { return ui::DrawIcon(m_hDC, x, y, icon); }

CPaintDC::CPaintDC(CWnd* window) : window_(window->m_hWnd) { m_hDC = BeginPaint(window_, &m_ps); }
CPaintDC::~CPaintDC() {
  EndPaint(window_, &m_ps);
  m_hDC = nullptr;
}

CClientDC::CClientDC(CWnd* window) : window_(window->m_hWnd) { m_hDC = GetDC(window_); }
CClientDC::~CClientDC() { ReleaseDC(window_, std::exchange(m_hDC, nullptr)); }

}  // namespace ui
