#include "platform/ui/dialogs/cdialog.h"

#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/modal_window.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/system/shell_services.h"

namespace ui {
namespace {

void BindDialog(HWND hwnd, void* object) { static_cast<CWnd*>(object)->SubclassWindow(hwnd); }

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

const MessageMap& CDialog::GetMessageMap() const {
  static const MessageMap map(&CWnd::GetMessageMap(), {
                                                          OnMessage(WM_INITDIALOG, &CDialog::HandleInitDialog),
                                                          OnMessage(WM_HELP, &CDialog::HandleHelp),
                                                          OnCommand(IDOK, &CDialog::HandleOK),
                                                          OnCommand(IDCANCEL, &CDialog::HandleCancel),
                                                      });
  return map;
}

// F1 in a dialog without help of its own asks the framework's help for the dialog's context:
// the template id above the base of resource help contexts.
LRESULT CDialog::HandleHelp(WPARAM, LPARAM) {
  WinHelp(kHelpContextBase + m_nIDTemplate, win::HELP_CONTEXT);
  return win::TRUE;
}

const DialogTemplate* CDialog::FindTemplate() const {
  const DialogTemplate* found = FindDialogTemplate(m_hResourceModule, static_cast<int>(m_nIDTemplate));
  return found != nullptr ? found : FindDialogTemplate(nullptr, static_cast<int>(m_nIDTemplate));
}

HWND CDialog::OwnerWindow() const { return ModalOwnerOf(*this, m_pParentWnd); }

HWND CDialog::CreateFromTemplate(HWND parent) {
  const DialogTemplate* dialog = FindTemplate();
  if (dialog == nullptr) return nullptr;
  SetCreationHook(BindDialog, this);
  const HWND hwnd = CreateDialogIndirectParamA(nullptr, *dialog, parent, nullptr, 0);
  SetCreationHook(nullptr, nullptr);
  return hwnd;
}

std::intptr_t CDialog::DoModal() {
  const HWND owner = OwnerWindow();
  return RunModalWindow(*this, owner, [this, owner] { return CreateFromTemplate(owner) != nullptr; });
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  HWND parentHwnd = parent != nullptr ? parent->m_hWnd : OwnerWindow();
  return CreateFromTemplate(parentHwnd) != nullptr ? win::TRUE : win::FALSE;
}

void CDialog::EndDialog(int result) {
  if (m_hWnd != nullptr) ui::EndDialog(m_hWnd, result);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::OnInitDialog() {
  UpdateData(win::FALSE);
  return win::TRUE;
}

void CDialog::HandleOK() { OnOK(); }
void CDialog::HandleCancel() { OnCancel(); }

void CDialog::OnOK() {
  if (UpdateData(win::TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

// Keyboard input goes through the dialog manager.
BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return win::FALSE;
  return IsDialogMessage(m_hWnd, msg);
}

void CDialog::SetDefID(UINT id) { SendMessage(DM_SETDEFID, id, 0); }
DWORD CDialog::GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID, 0, 0)); }
void CDialog::NextDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 0, 0); }
void CDialog::GotoDlgCtrl(CWnd* control) { SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->m_hWnd), 1); }

}  // namespace ui
