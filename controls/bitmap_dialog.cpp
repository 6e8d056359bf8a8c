#include "controls/bitmap_dialog.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/layered.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/modules/modules.h"

namespace tarnlok {
namespace {

LayeredAttributesFn FindLayeredAttributes() {
  const win::HMODULE user32 = win::LoadLibraryA("USER32.DLL");
  if (user32 == nullptr) return nullptr;
  return reinterpret_cast<LayeredAttributesFn>(win::GetProcAddress(user32, "SetLayeredWindowAttributes"));
}

}  // namespace

CBitmapDialog::CBitmapDialog(win::UINT templateId, ui::CWnd* parent)
    : CDialog(templateId, parent), layeredAttributesProc(FindLayeredAttributes()) {}

CBitmapDialog::~CBitmapDialog() {
  if (bitmap != nullptr) ui::DeleteObject(bitmap);
}

const ui::MessageMap& CBitmapDialog::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_LBUTTONDOWN, &CBitmapDialog::OnLButtonDown),
                                      ui::OnMessage(ui::WM_ERASEBKGND, &CBitmapDialog::OnEraseBkgnd),
                                      ui::OnMessage(ui::WM_SIZE, &CBitmapDialog::OnSize),
                                  });
  return map;
}

void CBitmapDialog::SetMode(int newMode) {
  mode = newMode;
  if (mode == kBitmapSizesWindow && bitmap != nullptr) {
    SetWindowPos(nullptr, 0, 0, bitmapWidth, bitmapHeight, ui::SWP_NOMOVE | ui::SWP_NOZORDER);
  }
}

win::BOOL CBitmapDialog::SetTransparency(ui::COLORREF key, win::BOOL on) {
  if (layeredAttributesProc == nullptr) return win::FALSE;
  if (on) {
    ModifyStyleEx(0, ui::WS_EX_LAYERED);
    layeredAttributesProc(m_hWnd, key, 0, ui::LWA_COLORKEY);
  } else {
    ModifyStyleEx(ui::WS_EX_LAYERED, 0);
    RedrawWindow(nullptr, ui::RDW_ERASE | ui::RDW_INVALIDATE | ui::RDW_FRAME | ui::RDW_ALLCHILDREN);
  }
  return win::TRUE;
}

ui::LRESULT CBitmapDialog::OnLButtonDown(ui::WPARAM, ui::LPARAM lParam) {
  if (dragEnabled) PostMessage(ui::WM_NCLBUTTONDOWN, static_cast<ui::WPARAM>(ui::HTCAPTION), lParam);
  return Default();
}

ui::LRESULT CBitmapDialog::OnEraseBkgnd(ui::WPARAM wParam, ui::LPARAM) {
  const ui::LRESULT result = Default();
  if (bitmap == nullptr) return result;
  ui::CDC* dc = ui::CDC::FromHandle(reinterpret_cast<ui::HDC>(wParam));
  ui::RECT client{};
  GetClientRect(&client);
  const int width = client.right;
  const int height = client.bottom;
  ui::CDC memory;
  memory.CreateCompatibleDC(dc);
  const ui::HGDIOBJ old = memory.SelectObject(bitmap);
  switch (mode) {
    case kBitmapTiled:
      for (int y = 0; y < height; y += bitmapHeight) {
        for (int x = 0; x < width; x += bitmapWidth) dc->BitBlt(x, y, width, height, &memory, 0, 0, ui::SRCCOPY);
      }
      break;
    case kBitmapCentred:
      dc->BitBlt((width - bitmapWidth) >> 1, (height - bitmapHeight) >> 1, width, height, &memory, 0, 0, ui::SRCCOPY);
      break;
    case kBitmapStretched:
      dc->StretchBlt(0, 0, width, height, &memory, 0, 0, bitmapWidth, bitmapHeight, ui::SRCCOPY);
      break;
    default: dc->BitBlt(0, 0, width, height, &memory, 0, 0, ui::SRCCOPY); break;
  }
  memory.SelectObject(old);
  return result;
}

ui::LRESULT CBitmapDialog::OnSize(ui::WPARAM, ui::LPARAM) {
  const ui::LRESULT result = Default();
  if (bitmap != nullptr) RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_ERASE);
  return result;
}

}  // namespace tarnlok
