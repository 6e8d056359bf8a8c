#include "operations/tool_page.h"

#include <algorithm>

#include "device/device_messages.h"
#include "device/string_ids.h"
#include "operations/base_page.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/win_app.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"

namespace tarnlok {
namespace {

constexpr char kSelectDeviceText[] = "Please select a valid connected devices in order to proceed further...";

// The buttons in member order (Restore, Format, Duplicate, Backup) with their icons.
struct ToolButton {
  int id;
  win::UINT icon;
};
constexpr std::array<ToolButton, 4> kButtons{{{kRestoreTool, kRestoreToolIcon},
                                              {kFormatTool, kFormatToolIcon},
                                              {kDuplicateTool, kDuplicateToolIcon},
                                              {kBackupTool, kBackupToolIcon}}};
constexpr std::array<int, 4> kDescriptions{kRestoreNote, kFormatNote, kDuplicateNote, kBackupNote};

constexpr ControlText kTexts[] = {{kBackupTool, kStringBackupTool},       {kBackupNote, kStringBackupToolNote},
                                  {kDuplicateTool, kStringDuplicateTool}, {kDuplicateNote, kStringDuplicateToolNote},
                                  {kRestoreTool, kStringRestoreTool},     {kRestoreNote, kStringRestoreToolNote},
                                  {kFormatTool, kStringFormatTool},       {kFormatNote, kStringFormatToolNote}};

bool IsOperationButton(int id) {
  return std::any_of(kButtons.begin(), kButtons.end(), [id](const ToolButton& button) { return button.id == id; });
}

bool IsDescription(int id) { return std::find(kDescriptions.begin(), kDescriptions.end(), id) != kDescriptions.end(); }

std::string FirstColumnText(const ui::CWnd& list, int row) {
  char text[260] = {};
  ui::LVITEMA request;
  request.pszText = text;
  request.cchTextMax = sizeof(text);
  list.SendMessage(ui::LVM_GETITEMTEXTA, static_cast<ui::WPARAM>(row), reinterpret_cast<ui::LPARAM>(&request));
  return text;
}

}  // namespace

CToolPage::CToolPage() : CPropertyPage(kToolPageTemplate) { m_hIcon = ui::LoadIconA(nullptr, kToolsTabIcon); }

const ui::MessageMap& CToolPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(kBackupTool, &CToolPage::OnBackup),
                                      ui::OnCommand(kDuplicateTool, &CToolPage::OnDuplicate),
                                      ui::OnCommand(kRestoreTool, &CToolPage::OnRestore),
                                      ui::OnCommand(kFormatTool, &CToolPage::OnFormat),
                                      ui::OnMessage(ui::WM_PAINT, &CToolPage::OnPaint),
                                      ui::OnCtlColorMessage(&CToolPage::OnCtlColor),
                                  });
  return map;
}

void CToolPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  for (std::size_t i = 0; i < kDescriptions.size(); ++i) ui::DDX_Control(dx, kDescriptions[i], descriptions_[i]);
  for (std::size_t i = 0; i < kButtons.size(); ++i) ui::DDX_Control(dx, kButtons[i].id, buttons_[i]);
}

win::BOOL CToolPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  SetWindowText(LoadProgramString(kStringTools));
  SetTexts(*this, kTexts);
  for (auto& description : descriptions_) description.SetFont(&App().labelFont);
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    buttons_[i].SetButtonIcons(kButtons[i].icon, 0);
    buttons_[i].ShiftButtonColour(0, 30, win::TRUE);
    buttons_[i].ShiftButtonColour(4, 30, win::TRUE);
    buttons_[i].SetIconAlign(CIconButton::kIconAbove, win::TRUE);
  }
  return win::TRUE;
}

win::BOOL CToolPage::PreTranslateMessage(ui::MSG* msg) {
  if (msg->message == ui::WM_KEYDOWN && msg->wParam == ui::VK_RETURN) {
    const ui::CWnd* focus = ui::CWnd::GetFocus();
    const int id = focus != nullptr ? focus->GetDlgCtrlID() : 0;
    if (focus != nullptr && focus->GetParent() == this && IsOperationButton(id)) {
      SendMessage(ui::WM_COMMAND, static_cast<ui::WPARAM>(id), 0);
      return win::TRUE;
    }
  }
  return CPropertyPage::PreTranslateMessage(msg);
}

void CToolPage::OpenOperation(int mode) {
  ui::CWnd* sheet = GetParent();
  ui::CWnd* mainWindow = sheet != nullptr ? sheet->GetParent() : nullptr;
  ui::CWnd* list = mainWindow != nullptr ? mainWindow->GetDlgItem(kDeviceListControl) : nullptr;
  const int row = list != nullptr ? static_cast<int>(list->SendMessage(ui::LVM_GETNEXTITEM, static_cast<ui::WPARAM>(-1),
                                                                       ui::LVNI_FOCUSED | ui::LVNI_SELECTED))
                                  : -1;
  if (row == -1) {
    ui::AfxMessageBox(kSelectDeviceText, ui::MB_OK);
    return;
  }
  std::string rowText;
  if (mode == kModeBackup || mode == kModeFormat) rowText = FirstColumnText(*list, row);
  CBasePage operation(mode, row, rowText);
  operation.DoModal();
}

void CToolPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CToolPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  const bool coloured = kind == ui::CTLCOLOR_MSGBOX || kind == ui::CTLCOLOR_EDIT || kind == ui::CTLCOLOR_STATIC;
  if (coloured && IsDescription(control->GetDlgCtrlID())) {
    dc->SetBkMode(ui::TRANSPARENT);
  } else {
    DefaultControlColours(*this, dc, control, kind);
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok
