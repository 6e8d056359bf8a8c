#include "platform/ui/dialogs/property_sheet.h"

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/modal_window.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/controls/image_list.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tab_control.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <algorithm>
#include <utility>

namespace ui {
namespace {

constexpr int kMargin = 11;  // 7 dialog units
constexpr int kButtonWidth = 75;  // 50 dialog units
constexpr int kButtonHeight = 23;  // 14 dialog units
constexpr int kButtonGap = 6;  // 4 dialog units
constexpr DWORD kModalStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

void BindObject(HWND hwnd, void* object) { static_cast<CWnd*>(object)->SubclassWindow(hwnd); }

HWND MakeChild(HWND parent, const char* className, const char* text, DWORD style, int id, const RECT& rect) {
  const HWND child =
      CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, rect.left, rect.top, rect.Width(),
                      rect.Height(), parent, HandleOf<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
  SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), 0);
  return child;
}

struct ButtonSpec {
  int id;
  const char* text;
};

}  // namespace

CPropertyPage::CPropertyPage(UINT templateId, UINT) : CDialog(templateId) {}

BOOL CPropertyPage::OnSetActive() {
  if (!std::exchange(firstSetActive_, false)) UpdateData(win::FALSE);
  return win::TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(win::TRUE); }
BOOL CPropertyPage::OnApply() {
  OnOK();
  return win::TRUE;
}
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}
LRESULT CPropertyPage::OnWizardBack() { return 0; }
LRESULT CPropertyPage::OnWizardNext() { return 0; }
BOOL CPropertyPage::OnWizardFinish() { return win::TRUE; }
BOOL CPropertyPage::PreTranslateMessage(MSG*) { return win::FALSE; }

BOOL CPropertyPage::CreatePage(CPropertySheet& sheet, const RECT& area) {
  const DialogTemplate* found = FindTemplate();
  if (found == nullptr) return win::FALSE;
  DialogTemplate page = *found;
  page.style =
      (page.style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE)) | WS_CHILD | DS_CONTROL;
  page.exStyle |= WS_EX_CONTROLPARENT;
  page.x = 0;
  page.y = 0;
  if (m_strCaption.empty()) m_strCaption = found->caption;
  SetCreationHook(BindObject, this);
  const HWND hwnd = CreateDialogIndirectParamA(nullptr, page, sheet.m_hWnd, nullptr, 0);
  SetCreationHook(nullptr, nullptr);
  if (hwnd == nullptr) return win::FALSE;
  ui::SetWindowPos(hwnd, nullptr, area.left, area.top, area.Width(), area.Height(), SWP_NOZORDER);
  return win::TRUE;
}

CPropertySheet::CPropertySheet(const std::string& caption, CWnd* parent, UINT selectPage)
    : m_pParentWnd(parent), caption_(caption), initialPage_(selectPage) {}

CPropertySheet::~CPropertySheet() {
  if (m_hWnd != nullptr) DestroyWindow();
  if (tabImages_ != nullptr) ImageList_Destroy(tabImages_);
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  pages_.push_back(page);
  if (m_hWnd != nullptr) AddTab(*page, static_cast<int>(pages_.size()) - 1);
}

// The page's tab: its caption (its own, else its template's) and its icon.
void CPropertySheet::AddTab(CPropertyPage& page, int index) {
  CWnd* tab = GetTabControl();
  if (tab == nullptr) return;
  const DialogTemplate* found = page.FindTemplate();
  const std::string title = !page.m_strCaption.empty() ? page.m_strCaption : found != nullptr ? found->caption : "";
  TCITEMA item;
  item.pszText = title.c_str();
  if (page.m_hIcon != nullptr) {
    if (tabImages_ == nullptr) {
      tabImages_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
      tab->SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(tabImages_));
    }
    item.mask |= TCIF_IMAGE;
    item.iImage = ImageList_AddIcon(tabImages_, page.m_hIcon);
  }
  tab->SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

const MessageMap& CPropertySheet::GetMessageMap() const {
  static const MessageMap map(&CWnd::GetMessageMap(),
                              {
                                  OnMessage(WM_INITDIALOG, &CPropertySheet::HandleInitDialog),
                                  OnCommand(IDOK, &CPropertySheet::OnOKButton),
                                  OnCommand(IDCANCEL, &CPropertySheet::OnCancelButton),
                                  OnCommand(ID_APPLY_NOW, &CPropertySheet::OnApplyNow),
                                  OnCommand(ID_WIZBACK, &CPropertySheet::OnWizardBackButton),
                                  OnCommand(ID_WIZNEXT, &CPropertySheet::OnWizardNextButton),
                                  OnCommand(ID_WIZFINISH, &CPropertySheet::OnWizardFinishButton),
                              });
  return map;
}

SIZE CPropertySheet::PageSize() const {
  SIZE size{0, 0};
  for (const CPropertyPage* page : pages_) {
    const DialogTemplate* found = page->FindTemplate();
    if (found == nullptr) continue;
    size.cx = std::max<LONG>(size.cx, DialogUnitsToPixelsX(found->cx));
    size.cy = std::max<LONG>(size.cy, DialogUnitsToPixelsY(found->cy));
  }
  return size;
}

void CPropertySheet::CreateButtons(int top, int right) {
  const std::vector<ButtonSpec> buttons =
      Wizard() ? std::vector<ButtonSpec>{{ID_WIZBACK, "< &Back"},
                                         {ID_WIZNEXT, "&Next >"},
                                         {ID_WIZFINISH, "Finish"},
                                         {IDCANCEL, "Cancel"}}
               : std::vector<ButtonSpec>{{IDOK, "OK"}, {IDCANCEL, "Cancel"}, {ID_APPLY_NOW, "&Apply"}};
  int x = right - static_cast<int>(buttons.size()) * (kButtonWidth + kButtonGap) + kButtonGap;
  for (const auto& button : buttons) {
    if (button.id == ID_APPLY_NOW && (m_psh.dwFlags & PSH_NOAPPLYNOW) != 0) continue;
    const DWORD style = (button.id == IDOK || button.id == ID_WIZNEXT ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
    const HWND made = MakeChild(m_hWnd, kButtonClass, button.text, style, button.id,
                                RECT{x, top, x + kButtonWidth, top + kButtonHeight});
    if (button.id == ID_APPLY_NOW) ui::EnableWindow(made, win::FALSE);
    x += kButtonWidth + kButtonGap;
  }
}

BOOL CPropertySheet::Build(HWND parent, DWORD style, DWORD exStyle, bool withButtons) {
  const SIZE page = PageSize();
  RECT tabRect{kMargin, kMargin, kMargin + page.cx, kMargin + page.cy};
  SetCreationHook(BindObject, this);
  const HWND hwnd = CreateWindowExA(exStyle | WS_EX_CONTROLPARENT, kDialogClass, caption_.c_str(), style & ~WS_VISIBLE,
                                    0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  SetCreationHook(nullptr, nullptr);
  if (hwnd == nullptr) return win::FALSE;
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)));
  int bottom = 0;
  if (Wizard()) {
    pageArea_ = RECT{0, 0, page.cx, page.cy};
    MakeChild(hwnd, kStaticClass, "", SS_ETCHEDHORZ, kWizardLineId, RECT{0, page.cy, page.cx, page.cy + 2});
    bottom = page.cy + 2;
  } else {
    const RECT outer{tabRect.left, tabRect.top, tabRect.right + 8, tabRect.bottom + 24};
    const HWND tab = MakeChild(hwnd, kTabControlClass, "", WS_TABSTOP, AFX_IDC_TAB_CONTROL, outer);
    pageArea_ = outer;
    ::ui::SendMessage(tab, TCM_ADJUSTRECT, win::FALSE, reinterpret_cast<LPARAM>(&pageArea_));
    if (tabImages_ != nullptr) ImageList_Destroy(std::exchange(tabImages_, nullptr));
    for (std::size_t i = 0; i < pages_.size(); ++i) AddTab(*pages_[i], static_cast<int>(i));
    bottom = outer.bottom;
  }
  const int width = (Wizard() ? page.cx : pageArea_.right + 4 + kMargin);
  int height = bottom + (Wizard() ? 0 : kMargin);
  if (withButtons) {
    CreateButtons(height + (Wizard() ? kMargin : 0), width - kMargin);
    height += kButtonHeight + kMargin + (Wizard() ? kMargin : 0);
  }
  ui::SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  // A sheet stands where its owner's client area starts, as the system places it.
  if ((style & WS_CHILD) == 0) PlaceNewDialog(hwnd, parent, POINT{0, 0}, style);
  if (!pages_.empty()) {
    const int first = std::min<int>(static_cast<int>(initialPage_), static_cast<int>(pages_.size()) - 1);
    SetDialogTemplateId(hwnd, static_cast<int>(pages_[static_cast<std::size_t>(first)]->m_nIDTemplate));
    SetActivePage(first);
  }
  if (::ui::SendMessage(hwnd, WM_INITDIALOG, 0, 0) != 0 && IsWindow(hwnd)) {
    if (CPropertyPage* active = GetActivePage()) {
      if (HWND first = GetNextDlgTabItem(active->m_hWnd, nullptr, win::FALSE)) ui::SetFocus(first);
    }
  }
  if ((style & WS_VISIBLE) != 0 && IsWindow(hwnd)) ui::ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? win::TRUE : win::FALSE;
}

LRESULT CPropertySheet::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }
BOOL CPropertySheet::OnInitDialog() { return win::TRUE; }

std::intptr_t CPropertySheet::DoModal() {
  const HWND owner = ModalOwnerOf(*this, m_pParentWnd);
  const std::intptr_t result =
      RunModalWindow(*this, owner, [this, owner] { return Build(owner, kModalStyle, 0, true); });
  active_ = -1;
  return result;
}

BOOL CPropertySheet::Create(CWnd* parent, DWORD style, DWORD exStyle) {
  if (style == static_cast<DWORD>(-1)) style = kModalStyle | WS_VISIBLE;
  m_pParentWnd = parent;
  const bool child = (style & WS_CHILD) != 0;
  return Build(parent != nullptr ? parent->m_hWnd : nullptr, style, exStyle, !child);
}

BOOL CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount() || m_hWnd == nullptr) return win::FALSE;
  if (index == active_) return win::TRUE;
  CPropertyPage* current = GetActivePage();
  if (current != nullptr && !current->OnKillActive()) return win::FALSE;
  CPropertyPage* next = pages_[static_cast<std::size_t>(index)];
  if (next->m_hWnd == nullptr && !next->CreatePage(*this, pageArea_)) return win::FALSE;
  const int previous = std::exchange(active_, index);
  if (!next->OnSetActive()) {
    active_ = previous;
    return win::FALSE;
  }
  if (current != nullptr) current->ShowWindow(SW_HIDE);
  next->ShowWindow(SW_SHOW);
  if (CWnd* tab = GetTabControl()) tab->SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index));
  return win::TRUE;
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

CPropertyPage* CPropertySheet::GetActivePage() const {
  return active_ >= 0 && active_ < GetPageCount() ? pages_[static_cast<std::size_t>(active_)] : nullptr;
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  const auto found = std::find(pages_.begin(), pages_.end(), page);
  return found == pages_.end() ? -1 : static_cast<int>(found - pages_.begin());
}

CWnd* CPropertySheet::GetTabControl() const {
  const HWND tab = ui::GetDlgItem(m_hWnd, AFX_IDC_TAB_CONTROL);
  return tab != nullptr ? CWnd::FromHandle(tab) : nullptr;
}

void CPropertySheet::SetTitle(const std::string& title) {
  caption_ = title;
  if (m_hWnd != nullptr) SetWindowText(title);
}

void CPropertySheet::EndDialog(int result) {
  if (m_hWnd != nullptr) ui::EndDialog(m_hWnd, result);
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return win::FALSE;
  return IsDialogMessage(m_hWnd, msg);
}

BOOL CPropertySheet::DispatchNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->idFrom != static_cast<std::uintptr_t>(AFX_IDC_TAB_CONTROL))
    return CWnd::DispatchNotify(wParam, lParam, result);
  if (header->code == TCN_SELCHANGING) {
    CPropertyPage* current = GetActivePage();
    *result = current != nullptr && !current->OnKillActive() ? win::TRUE : win::FALSE;
    return win::TRUE;
  }
  if (header->code == TCN_SELCHANGE) {
    const int chosen = static_cast<int>(::ui::SendMessage(header->hwndFrom, TCM_GETCURSEL, 0, 0));
    // The outgoing page already agreed in TCN_SELCHANGING.
    CPropertyPage* current = GetActivePage();
    active_ = -1;
    CPropertyPage* next = GetPage(chosen);
    if (next != nullptr && (next->m_hWnd != nullptr || next->CreatePage(*this, pageArea_)) && next->OnSetActive()) {
      if (current != nullptr && current != next) current->ShowWindow(SW_HIDE);
      active_ = chosen;
      next->ShowWindow(SW_SHOW);
    } else {
      active_ = GetPageIndex(current);
      ::ui::SendMessage(header->hwndFrom, TCM_SETCURSEL, static_cast<WPARAM>(active_), 0);
    }
    return win::TRUE;
  }
  return win::FALSE;
}

void CPropertySheet::OnOKButton() {
  CPropertyPage* current = GetActivePage();
  if (current != nullptr && !current->OnKillActive()) return;
  for (CPropertyPage* page : pages_) {
    if (page->m_hWnd != nullptr) page->OnOK();
  }
  EndDialog(IDOK);
}

void CPropertySheet::OnCancelButton() {
  for (CPropertyPage* page : pages_) {
    if (page->m_hWnd != nullptr) page->OnCancel();
  }
  EndDialog(IDCANCEL);
}

void CPropertySheet::OnApplyNow() {
  CPropertyPage* current = GetActivePage();
  if (current != nullptr && current->OnKillActive()) current->OnApply();
}

void CPropertySheet::OnWizardBackButton() {
  CPropertyPage* current = GetActivePage();
  if (current != nullptr && current->OnWizardBack() == 0) SetActivePage(active_ - 1);
}

void CPropertySheet::OnWizardNextButton() {
  CPropertyPage* current = GetActivePage();
  if (current != nullptr && current->OnWizardNext() == 0) SetActivePage(active_ + 1);
}

void CPropertySheet::OnWizardFinishButton() {
  CPropertyPage* current = GetActivePage();
  if (current == nullptr || current->OnWizardFinish()) EndDialog(ID_WIZFINISH);
}

}  // namespace ui
