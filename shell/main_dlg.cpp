#include "shell/main_dlg.h"

#include "device/device_list.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "platform/ui/windows/cursor.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/process_exit.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/modules/modules.h"
#include "controls/control_ids.h"
#include "shell/device_rows.h"
#include "controls/help_topics.h"
#include "shell/main_app.h"
#include "controls/page_codes.h"
#include "shell/refresh_info_page.h"
#include "operations/refresh_backup_page.h"
#include "operations/refresh_duplicate_page.h"
#include "operations/refresh_format_page.h"
#include "operations/refresh_restore_page.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"
#include "device/device_messages.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

using namespace main_window;

constexpr win::UINT kAppExitCommand = 57665;
// WM_SYSCOMMAND keeps the low four bits of its command for the system's own use.
constexpr ui::WPARAM kSystemCommandMask = 0xFFF0;
constexpr ui::COLORREF kSeeThrough = 0x00FF00;
constexpr int kSheetOffset = 7;

}  // namespace

const ui::MessageMap& CMainSht::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertySheet::GetMessageMap(), {
                                                                        ui::OnMessage(ui::WM_PAINT, &CMainSht::OnPaint),
                                                                    });
  return map;
}

void CMainSht::OnPaint() {
  ui::CPaintDC dc(this);
  const int result = static_cast<int>(Default());
  ui::RECT client{};
  GetClientRect(&client);
  App().PaintBackground(&dc, result, client);
}

CMainDlg::CMainDlg(ui::CWnd* parent) : CBitmapDialog(kMainTemplate, parent) {
  icon_ = ui::LoadIconA(nullptr, kWindowIcon);
}

CMainDlg::~CMainDlg() { imageList_.reset(); }

const ui::MessageMap& CMainDlg::GetMessageMap() const {
  static const ui::MessageMap map(&CBitmapDialog::GetMessageMap(),
                                  {
                                      ui::OnMessage(ui::WM_SYSCOMMAND, &CMainDlg::OnSysCommand),
                                      ui::OnMessage(ui::WM_PAINT, &CMainDlg::OnPaint),
                                      ui::OnMessage(ui::WM_QUERYDRAGICON, &CMainDlg::OnQueryDragIcon),
                                      ui::OnMessage(ui::WM_CLOSE, &CMainDlg::OnClose),
                                      ui::OnNotify(ui::LVN_ITEMCHANGED, kDeviceListControl, &CMainDlg::OnItemChanged),
                                      ui::OnCommand(kCloseButton, &CMainDlg::OnCloseButton),
                                      ui::OnCommand(kMinimiseButton, &CMainDlg::OnMinimiseButton),
                                      ui::OnCommand(static_cast<int>(kAppExitCommand), &CMainDlg::OnClose),
                                      ui::OnCtlColorMessage(&CMainDlg::OnCtlColor),
                                  });
  return map;
}

void CMainDlg::DoDataExchange(ui::CDataExchange* dx) {
  CBitmapDialog::DoDataExchange(dx);
  ui::DDX_Control(dx, kMinimiseButton, minimiseButton_);
  ui::DDX_Control(dx, kCloseButton, closeButton_);
  ui::DDX_Control(dx, kIconStatic, iconStatic_);
  ui::DDX_Control(dx, kDeviceListControl, deviceList_);
}

win::BOOL CMainDlg::OnInitDialog() {
  CBitmapDialog::OnInitDialog();
  App().LoadBackgroundBitmap(kMainBackgroundBitmap);
  SendMessage(ui::WM_SETICON, ui::ICON_BIG, reinterpret_cast<ui::LPARAM>(icon_));
  SendMessage(ui::WM_SETICON, ui::ICON_SMALL, reinterpret_cast<ui::LPARAM>(icon_));
  sheet_.AddPage(&infoPage_);
  sheet_.AddPage(&recoveryPage_);
  sheet_.AddPage(&toolsPage_);
  sheet_.AddPage(&aboutPage_);
  if (!OsKindIsNt()) {
    for (int id : kEdgePictures) {
      if (ui::CWnd* edge = GetDlgItem(id)) edge->ShowWindow(ui::SW_HIDE);
    }
  }
  FillDeviceList();
  SetWindowText(LoadProgramString(kStringProgramTitle));
  SheetInitialising = 1;
  sheet_.Create(this, ui::WS_CHILD | ui::WS_VISIBLE, 0);
  sheet_.ModifyStyleEx(0, ui::WS_EX_CONTROLPARENT);
  sheet_.ModifyStyle(0, ui::WS_TABSTOP);
  PlaceSheet();
  sheet_.SetActivePage(&infoPage_);
  deviceList_.SetFocus();
  deviceList_.SetItemState(0, ui::LVIS_SELECTED | ui::LVIS_FOCUSED, ui::LVIS_SELECTED | ui::LVIS_FOCUSED);
  deviceList_.SetSelectionMark(0);
  char path[260] = {};
  win::GetModuleFileNameA(nullptr, path, sizeof(path));
  ProgramFolder = path;
  ProgramFolder.erase(ProgramFolder.rfind('\\') + 1);
  MainApp().m_helpFilePath = HelpFilePath();
  SheetInitialising = 0;
  SetMode(kBitmapSizesWindow);
  SetTransparency(kSeeThrough, win::TRUE);
  closeButton_.SetButtonBitmaps(kCloseHotBitmap, 0, kCloseBitmap, 0);
  minimiseButton_.SetButtonBitmaps(kMinimiseHotBitmap, 0, kMinimiseBitmap, 0);
  deviceList_.SetFont(&App().labelFont);
  return win::TRUE;
}

void CMainDlg::FillDeviceList() {
  imageList_ = std::make_unique<ui::CImageList>();
  imageList_->Create(16, 16, ui::ILC_MASK, 15, 15);
  for (win::UINT id : kDeviceIcons) imageList_->Add(ui::LoadIconA(nullptr, id));
  ui::RECT listRect{};
  deviceList_.GetWindowRect(&listRect);
  deviceList_.InsertColumn(0, "Drive", 0, listRect.right - listRect.left + 20);
  deviceList_.SetExtendedStyle(ui::LVS_EX_FULLROWSELECT);
  deviceList_.SetImageList(*imageList_, ui::LVSIL_SMALL);
  DeviceEntry* entry = DeviceListLast;
  while (entry != nullptr && entry->previous != nullptr) entry = entry->previous;
  for (int row = 0; entry != nullptr; entry = entry->next, ++row) {
    DeviceListTail = entry;
    CurrentDevice = entry;
    RenameBusVendor(*entry);
    deviceList_.InsertItem(row, DeviceRowText(*entry), DeviceImageIndex(*entry));
  }
}

void CMainDlg::PlaceSheet() {
  ui::CWnd* frame = GetDlgItem(kSheetFrame);
  if (frame == nullptr) return;
  ui::RECT area{};
  frame->GetWindowRect(&area);
  ScreenToClient(&area);
  sheet_.SetWindowPos(nullptr, area.left - kSheetOffset, area.top - kSheetOffset, 0, 0,
                      ui::SWP_NOSIZE | ui::SWP_NOACTIVATE | ui::SWP_NOZORDER);
}

void RefreshActivePage(ui::CWnd& mainWindow) {
  if (CurrentPageCode == kBackupPageCode) RefreshBackupPage();
  if (CurrentPageCode == kRestorePageCode) RefreshRestorePage();
  if (CurrentPageCode == kDuplicatePageCode) RefreshDuplicatePage();
  if (CurrentPageCode == kFormatPageCode) RefreshFormatPage();
  if (CurrentPageCode != kInformationPageCode) return;
  RefreshInfoPage();
  mainWindow.RedrawWindow(nullptr, ui::RDW_ERASE | ui::RDW_INVALIDATE | ui::RDW_FRAME | ui::RDW_ALLCHILDREN);
}

void CMainDlg::OnItemChanged(ui::NMHDR*, ui::LRESULT* result) {
  *result = 0;
  SelectedDeviceIndex = deviceList_.GetNextItem(-1, ui::LVNI_SELECTED | ui::LVNI_FOCUSED);
  if (SelectedDeviceIndex == -1) return;
  deviceList_.SetSelectionMark(SelectedDeviceIndex);
  CurrentDevice = FindDeviceByIndex(SelectedDeviceIndex);
  RefreshActivePage(*this);
}

void CMainDlg::OnClose() {
  if (OperationBusy != 0) return;
  MainApp().ExitInstance();
  ui::ExitProcess(0);
}

void CMainDlg::OnCloseButton() {
  if (ui::CWnd* main = ui::AfxGetMainWnd()) main->SendMessage(ui::WM_COMMAND, kAppExitCommand, 0);
}

void CMainDlg::OnMinimiseButton() {
  if (ui::CWnd* main = ui::AfxGetMainWnd()) ui::CloseWindow(main->m_hWnd);
}

void CMainDlg::OnCancel() { CBitmapDialog::OnCancel(); }

ui::LRESULT CMainDlg::OnSysCommand(ui::WPARAM wParam, ui::LPARAM) {
  if ((wParam & kSystemCommandMask) == kAboutCommand) {
    CAboutDlg about;
    about.DoModal();
    return 0;
  }
  return Default();
}

ui::LRESULT CMainDlg::OnQueryDragIcon(ui::WPARAM, ui::LPARAM) { return reinterpret_cast<ui::LRESULT>(icon_); }

void CMainDlg::PaintTitle(ui::CDC& dc) {
  ui::CWnd* marker = GetDlgItem(kTitleMarker);
  if (marker == nullptr) return;
  ui::RECT area{};
  marker->GetWindowRect(&area);
  ScreenToClient(&area);
  const std::string title = LoadProgramString(kStringTitleWithMaker);
  ui::RECT box{area.left + kTitleIndent, area.top, area.right + 8 * static_cast<int>(title.size()) + 20, area.bottom};
  ui::CFont font;
  font.CreateFont(kTitleFontHeight, 0, 0, 0, ui::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
  ui::CFont* oldFont = dc.SelectObject(&font);
  const ui::COLORREF oldColour = dc.GetTextColor();
  dc.SetBkMode(ui::TRANSPARENT);
  ui::RECT engraved{box.left + 1, box.top + 1, box.right + 1, box.bottom + 1};
  dc.SetTextColor(ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
  dc.DrawText(title, &engraved, ui::DT_SINGLELINE | ui::DT_VCENTER);
  dc.SetTextColor(ui::GetSysColor(ui::COLOR_BTNSHADOW));
  dc.DrawText(title, &box, ui::DT_SINGLELINE | ui::DT_VCENTER);
  dc.SetTextColor(oldColour);
  dc.SelectObject(oldFont);
}

void CMainDlg::OnPaint() {
  ui::CPaintDC dc(this);
  ui::RECT client{};
  GetClientRect(&client);
  App().PaintBackground(&dc, 0, client);
  PaintTitle(dc);
  if (ui::IsIconic(m_hWnd)) {
    const int x = (client.right - ui::GetSystemMetrics(ui::SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ui::GetSystemMetrics(ui::SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, icon_);
  }
}

ui::HBRUSH CMainDlg::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  const int id = control->GetDlgCtrlID();
  const bool clearText =
      std::find(kClearTextControls.begin(), kClearTextControls.end(), id) != kClearTextControls.end();
  if ((kind == ui::CTLCOLOR_STATIC || kind == ui::CTLCOLOR_EDIT) && clearText) {
    dc->SetBkMode(ui::TRANSPARENT);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

void CMainDlg::WinHelp(win::DWORD, win::UINT) {
  const std::string topic = HelpTopicOfPage(CurrentPageCode);
  if (!topic.empty()) OpenHelpTopic(m_hWnd, topic);
}

}  // namespace tarnlok
