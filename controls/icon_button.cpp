// The icon button's set-up, its setters and the messages it handles itself.
#include "controls/icon_button.h"

#include "platform/ui/windows/cursor.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/system/shell_services.h"

#include <algorithm>
#include <cstring>
#include <tuple>

namespace tarnlok {
namespace {

constexpr int kSlotCount = 6;
constexpr std::size_t kUrlLimit = 260;
constexpr ui::DWORD kTypeBits = 0x0F;
constexpr ui::DWORD kCheckBoxBit = 0x02;
constexpr int kToolTipWidth = 400;
constexpr std::size_t kSoundLimit = 260;
constexpr int kEnterSound = 0;
constexpr int kClickSound = 1;

ui::HICON LoadButtonIcon(win::UINT id) {
  return static_cast<ui::HICON>(ui::LoadImageA(nullptr, id, ui::IMAGE_ICON_RESOURCE, 0, 0, ui::LR_DEFAULTCOLOR));
}

ui::HBITMAP LoadButtonBitmap(win::UINT id) {
  return static_cast<ui::HBITMAP>(ui::LoadImageA(nullptr, id, ui::IMAGE_BITMAP_RESOURCE, 0, 0, ui::LR_DEFAULTCOLOR));
}

}  // namespace

CIconButton::CIconButton() {
  ReleaseImages(win::FALSE);
  SetPressedStyle(0, win::FALSE);
  ResetButtonColours(win::FALSE);
  SetUrl(nullptr);
  SetFlatLook(win::FALSE, win::FALSE);
}

CIconButton::~CIconButton() {
  backgroundCache_.reset();
  ReleaseImages(win::TRUE);
  if (cursor_ != nullptr) ui::DestroyIcon(cursor_);
}

CIconButton::BackgroundCache::~BackgroundCache() {
  if (previous != nullptr) dc.SelectObject(previous);
}

const ui::MessageMap& CIconButton::GetMessageMap() const {
  static const ui::MessageMap map(&CButton::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_SETCURSOR, &CIconButton::OnSetCursor),
                                      ui::OnMessage(ui::WM_KILLFOCUS, &CIconButton::OnKillFocus),
                                      ui::OnMessage(ui::WM_MOUSEMOVE, &CIconButton::OnMouseMoveMessage),
                                      ui::OnMessage(ui::WM_SYSCOLORCHANGE, &CIconButton::OnSysColorChange),
                                      ui::OnMessage(ui::WM_ACTIVATE, &CIconButton::OnActivate),
                                      ui::OnMessage(ui::WM_ENABLE, &CIconButton::OnEnable),
                                      ui::OnMessage(ui::WM_CANCELMODE, &CIconButton::OnCancelMode),
                                      ui::OnMessage(ui::WM_GETDLGCODE, &CIconButton::OnGetDlgCode),
                                      ui::OnMessage(ui::BM_SETSTYLE, &CIconButton::OnSetStyle),
                                      ui::OnMessage(ui::BM_SETCHECK, &CIconButton::OnSetCheck),
                                      ui::OnMessage(ui::BM_GETCHECK, &CIconButton::OnGetCheck),
                                      ui::OnMessage(ui::WM_MOUSELEAVE, &CIconButton::OnMouseLeave),
                                      ui::OnMessage(ui::WM_MENUCHAR, &CIconButton::OnMenuChar),
                                      ui::OnMessage(ui::WM_MEASUREITEM, &CIconButton::OnMeasureItem),
                                      ui::OnMessage(ui::WM_DRAWITEM, &CIconButton::OnDrawItem),
                                      ui::OnReflectedCommand(ui::BN_CLICKED, &CIconButton::OnClicked),
                                      ui::OnReflectedCtlColor(&CIconButton::OnReflectedCtlColor),
                                  });
  return map;
}

void CIconButton::Repaint() {
  if (m_hWnd != nullptr) ui::InvalidateRect(m_hWnd, nullptr, win::TRUE);
}

void CIconButton::ReleaseImages(win::BOOL free) {
  if (free) {
    for (IconImage& record : icons_) {
      if (record.icon != nullptr) ui::DestroyIcon(record.icon);
    }
    for (BitmapImage& record : bitmaps_) {
      if (record.bitmap != nullptr) ui::DeleteObject(record.bitmap);
      if (record.mask != nullptr) ui::DeleteObject(record.mask);
    }
  }
  icons_ = {};
  bitmaps_ = {};
}

int CIconButton::SetButtonIcons(win::UINT iconId, int secondIconId) {
  const ui::HICON icon = LoadButtonIcon(iconId);
  ui::HICON second = nullptr;
  if (secondIconId == kGreyCopy) {
    second = ui::HandleOf<ui::HICON>(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(kGreyCopy)));
  } else if (secondIconId != 0) {
    second = LoadButtonIcon(static_cast<win::UINT>(secondIconId));
  }
  return SetButtonIconHandles(icon, second);
}

bool CIconButton::StoreIcon(IconImage& record, ui::HICON icon) {
  ui::ICONINFO info;
  if (!ui::GetIconInfo(icon, &info)) return false;
  if (info.hbmMask != nullptr) ui::DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) ui::DeleteObject(info.hbmColor);
  record = {icon, static_cast<int>(info.xHotspot * 2), static_cast<int>(info.yHotspot * 2)};
  return true;
}

int CIconButton::SetButtonIconHandles(ui::HICON icon, ui::HICON second) {
  const ui::HICON greyRequest =
      ui::HandleOf<ui::HICON>(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(kGreyCopy)));
  ReleaseImages(win::TRUE);
  if (icon == nullptr) return 0;
  if (!StoreIcon(icons_[0], icon)) {
    ReleaseImages(win::TRUE);
    return 1;
  }
  if (second == greyRequest) second = MakeGreyIcon(icon);
  if (second != nullptr && !StoreIcon(icons_[1], second)) {
    ReleaseImages(win::TRUE);
    return 1;
  }
  Repaint();
  return 0;
}

int CIconButton::SetButtonBitmaps(win::UINT bitmapId, ui::COLORREF transparent, win::UINT secondBitmapId,
                                  ui::COLORREF secondTransparent) {
  const ui::HBITMAP bitmap = LoadButtonBitmap(bitmapId);
  const ui::HBITMAP second = secondBitmapId != 0 ? LoadButtonBitmap(secondBitmapId) : nullptr;
  return SetButtonBitmapHandles(bitmap, transparent, second, secondTransparent);
}

int CIconButton::StoreBitmap(BitmapImage& record, ui::HBITMAP bitmap, ui::COLORREF transparent) {
  record.bitmap = bitmap;
  record.transparent = transparent;
  ui::BITMAP info;
  if (ui::GetObjectA(bitmap, sizeof(info), &info) == 0) return 1;
  record.width = info.bmWidth;
  record.height = info.bmHeight;
  record.mask = MakeMaskBitmap(bitmap, info.bmWidth, info.bmHeight, transparent);
  return record.mask == nullptr ? 2 : 0;
}

int CIconButton::SetButtonBitmapHandles(ui::HBITMAP bitmap, ui::COLORREF transparent, ui::HBITMAP second,
                                        ui::COLORREF secondTransparent) {
  ReleaseImages(win::TRUE);
  for (auto [record, handle, colour] :
       {std::tuple{&bitmaps_[0], bitmap, transparent}, std::tuple{&bitmaps_[1], second, secondTransparent}}) {
    if (handle == nullptr) continue;
    if (const int status = StoreBitmap(*record, handle, colour); status != 0) {
      ReleaseImages(win::TRUE);
      return status;
    }
  }
  Repaint();
  return 0;
}

int CIconButton::ShiftButtonColour(ui::BYTE slot, short shift, win::BOOL repaint) {
  if (slot >= kSlotCount) return 3;
  if (shift < -255 || shift > 255) return 5;
  colours_[slot] = ShiftedColour(colours_[slot], shift);
  if (repaint) Repaint();
  return 0;
}

int CIconButton::SetIconAlign(ui::BYTE align, win::BOOL repaint) {
  if (align > 3) return 4;
  align_ = align;
  if (repaint) Repaint();
  return 0;
}

int CIconButton::SetFlatLook(win::BOOL flat, win::BOOL repaint) {
  flat_ = flat;
  if (repaint) Repaint();
  return 0;
}

int CIconButton::SetPressedStyle(ui::BYTE style, win::BOOL repaint) {
  if (style > 1) return 6;
  pressedOffset_ = style == 0 ? ui::POINT{1, 1} : ui::POINT{0, 2};
  if (repaint) Repaint();
  return 0;
}

int CIconButton::SetChecked(int check, win::BOOL repaint) {
  if (checkBox_) checkState_ = check != 0 ? 1 : 0;
  if (repaint) Repaint();
  return 0;
}

int CIconButton::ResetButtonColours(win::BOOL repaint) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    colours_[slot] = ui::GetSysColor(slot % 2 == 0 ? ui::COLOR_BTNFACE : ui::COLOR_BTNTEXT);
  }
  if (repaint) Repaint();
  return 0;
}

int CIconButton::SetUrl(const char* url) {
  url_.clear();
  if (url != nullptr) url_.assign(url, std::min(std::strlen(url), kUrlLimit));
  return 0;
}

void CIconButton::SetMenuNotification(ui::HWND window, ui::UINT message, ui::LPARAM lParam) {
  menuNotification_ = MenuNotification{window, message, 0, lParam};
}

int CIconButton::SetButtonCursor(ui::HCURSOR cursor) {
  if (cursor_ != nullptr && cursor_ != cursor) ui::DestroyIcon(cursor_);
  cursor_ = cursor;
  return 0;
}

int CIconButton::SetSound(const char* sound, win::HMODULE module, win::BOOL onClick) {
  Sound& slot = sounds_[onClick ? kClickSound : kEnterSound];
  slot = Sound{};
  if (sound == nullptr) return 0;
  slot.path.assign(sound, std::min(std::strlen(sound), kSoundLimit));
  slot.name = slot.path.c_str();
  slot.module = module;
  slot.flags = win::SND_ASYNC | win::SND_NODEFAULT | (module != nullptr ? win::SND_RESOURCE : win::SND_FILENAME);
  return 0;
}

int CIconButton::SetTransparentLook(win::BOOL transparent, win::BOOL repaint) {
  transparent_ = transparent;
  if (repaint) Repaint();
  return 0;
}

void CIconButton::PlaySlot(int slot) const {
  const Sound& sound = sounds_[static_cast<std::size_t>(slot)];
  if (sound.name != nullptr) win::PlaySound(sound.name, sound.module, sound.flags);
}

void CIconButton::PreSubclassWindow() {
  const ui::DWORD style = GetStyle();
  buttonType_ = static_cast<int>(style & kTypeBits);
  if ((style & kCheckBoxBit) != 0) checkBox_ = win::TRUE;
  if (buttonType_ == ui::BS_DEFPUSHBUTTON) {
    defaultButton_ = win::TRUE;
    buttonType_ = ui::BS_PUSHBUTTON;
  }
  ModifyStyle(kTypeBits, ui::BS_OWNERDRAW, ui::SWP_FRAMECHANGED);
  CButton::PreSubclassWindow();
}

void CIconButton::InitToolTip() {
  toolTip_ = std::make_unique<ui::CToolTipCtrl>();
  toolTip_->Create(this, 0);
  toolTip_->Activate(win::FALSE);
  toolTip_->SetMaxTipWidth(kToolTipWidth);
}

win::BOOL CIconButton::PreTranslateMessage(ui::MSG* msg) {
  if (toolTip_ == nullptr) InitToolTip();
  toolTip_->RelayEvent(msg);
  // A double click counts as a second click.
  if (msg->message == ui::WM_LBUTTONDBLCLK) msg->message = ui::WM_LBUTTONDOWN;
  return CButton::PreTranslateMessage(msg);
}

void CIconButton::CancelHover() {
  if (!hovered_) return;
  hovered_ = win::FALSE;
  Repaint();
}

ui::LRESULT CIconButton::OnMouseMoveMessage(ui::WPARAM wParam, ui::LPARAM lParam) {
  const ui::LRESULT result = Default();
  ui::POINT point = ui::PointFromLParam(lParam);
  ui::ClientToScreen(m_hWnd, &point);
  const ui::HWND under = ui::WindowFromPoint(point);
  // No hover look begins while a drag holds the left button.
  if ((wParam & ui::MK_LBUTTON) != 0 && !hovered_) return result;
  const ui::HWND required = alwaysTrack_ ? m_hWnd : ui::GetActiveWindow();
  if (under == m_hWnd && required != nullptr) {
    if (!hovered_) {
      hovered_ = win::TRUE;
      Repaint();
      PlaySlot(kEnterSound);
      ui::TRACKMOUSEEVENT track;
      track.dwFlags = ui::TME_LEAVE;
      track.hwndTrack = m_hWnd;
      ui::TrackMouseEvent(&track);
    }
  } else {
    CancelHover();
  }
  return result;
}

win::BOOL CIconButton::OnClicked() {
  SetFocus();
  PlaySlot(kClickSound);
  if (checkBox_) {
    checkState_ = checkState_ != 0 ? 0 : 1;
    Repaint();
  } else if (menu_.m_hMenu != nullptr) {
    TrackDropDownMenu();
  } else if (!url_.empty()) {
    win::ShellExecuteA(m_hWnd, "open", url_.c_str(), nullptr, nullptr, ui::SW_SHOWMAXIMIZED);
  }
  return win::FALSE;
}

ui::LRESULT CIconButton::OnKillFocus(ui::WPARAM, ui::LPARAM) {
  const ui::LRESULT result = Default();
  CancelHover();
  return result;
}

ui::LRESULT CIconButton::OnSysColorChange(ui::WPARAM, ui::LPARAM) {
  const ui::LRESULT result = Default();
  backgroundCache_.reset();
  ResetButtonColours(win::TRUE);
  return result;
}

ui::LRESULT CIconButton::OnActivate(ui::WPARAM wParam, ui::LPARAM) {
  const ui::LRESULT result = Default();
  if (ui::LOWORD(wParam) == ui::WA_INACTIVE) CancelHover();
  return result;
}

ui::LRESULT CIconButton::OnEnable(ui::WPARAM wParam, ui::LPARAM) {
  const ui::LRESULT result = Default();
  if (wParam == 0) {
    const ui::HWND parent = ui::GetParent(m_hWnd);
    const ui::HWND next = ui::GetNextDlgTabItem(parent, m_hWnd, win::FALSE);
    ui::SetFocus(next != nullptr ? next : parent);
    CancelHover();
  }
  return result;
}

ui::LRESULT CIconButton::OnCancelMode(ui::WPARAM, ui::LPARAM) {
  const ui::LRESULT result = Default();
  CancelHover();
  return result;
}

ui::LRESULT CIconButton::OnGetDlgCode(ui::WPARAM, ui::LPARAM) {
  return Default() | (defaultButton_ ? ui::DLGC_DEFPUSHBUTTON : ui::DLGC_UNDEFPUSHBUTTON);
}

ui::LRESULT CIconButton::OnSetStyle(ui::WPARAM wParam, ui::LPARAM lParam) {
  const ui::DWORD type = static_cast<ui::DWORD>(wParam) & kTypeBits;
  if (type == ui::BS_PUSHBUTTON || type == ui::BS_DEFPUSHBUTTON) defaultButton_ = type == ui::BS_DEFPUSHBUTTON;
  return DefWindowProc(ui::BM_SETSTYLE, (wParam & ~static_cast<ui::WPARAM>(kTypeBits)) | ui::BS_OWNERDRAW, lParam);
}

ui::LRESULT CIconButton::OnSetCheck(ui::WPARAM wParam, ui::LPARAM) {
  SetChecked(wParam == ui::BST_CHECKED || wParam == ui::BST_INDETERMINATE ? 1 : 0, win::TRUE);
  return 0;
}

void CIconButton::TrackDropDownMenu() {
  constexpr ui::UINT kTrackFlags = ui::TPM_LEFTALIGN | ui::TPM_RIGHTBUTTON | ui::TPM_NONOTIFY | ui::TPM_RETURNCMD;
  ui::RECT rect{};
  GetWindowRect(&rect);
  menuShown_ = true;
  Repaint();
  const ui::HMENU popup = ui::GetSubMenu(menu_.m_hMenu, 0);
  if (menuNotification_.window != nullptr) {
    ui::SendMessage(menuNotification_.window, menuNotification_.message, reinterpret_cast<ui::WPARAM>(popup),
                    menuNotification_.lParam);
  }
  const auto command =
      static_cast<ui::UINT>(ui::TrackPopupMenu(popup, kTrackFlags, rect.left, rect.bottom, 0, m_hWnd, nullptr));
  menuShown_ = false;
  Repaint();
  if (command != 0 && menuTarget_ != nullptr)
    ui::PostMessage(menuTarget_, ui::WM_COMMAND, ui::MAKEWPARAM(static_cast<ui::WORD>(command), 0), 0);
}

ui::LRESULT CIconButton::OnMenuChar(ui::WPARAM wParam, ui::LPARAM lParam) {
  const auto menu = reinterpret_cast<ui::HMENU>(lParam);
  if (!COwnerMenu::IsMenu(menu)) return Default();
  return COwnerMenu::FindKeyboardShortcut(ui::LOWORD(wParam), ui::HIWORD(wParam), menu);
}

// Items of the drop-down menu's popups carry its records.
ui::LRESULT CIconButton::OnMeasureItem(ui::WPARAM, ui::LPARAM lParam) {
  auto* item = reinterpret_cast<ui::MEASUREITEMSTRUCT*>(lParam);
  if (item->CtlType != ui::ODT_MENU || menu_.m_hMenu == nullptr) return Default();
  menu_.MeasureItem(item);
  return win::TRUE;
}

ui::LRESULT CIconButton::OnDrawItem(ui::WPARAM, ui::LPARAM lParam) {
  auto* item = reinterpret_cast<ui::DRAWITEMSTRUCT*>(lParam);
  COwnerMenu* menu =
      item->CtlType == ui::ODT_MENU ? COwnerMenu::FromHandle(reinterpret_cast<ui::HMENU>(item->hwndItem)) : nullptr;
  if (menu == nullptr) return Default();
  menu->DrawItem(item);
  return win::TRUE;
}

ui::LRESULT CIconButton::OnSetCursor(ui::WPARAM, ui::LPARAM) {
  if (cursor_ == nullptr) return Default();
  ui::SetCursor(cursor_);
  return win::TRUE;
}

ui::LRESULT CIconButton::OnMouseLeave(ui::WPARAM, ui::LPARAM) {
  CancelHover();
  return 0;
}

ui::HBRUSH CIconButton::OnReflectedCtlColor(ui::CDC*, ui::UINT) {
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::NULL_BRUSH));
}

}  // namespace tarnlok
