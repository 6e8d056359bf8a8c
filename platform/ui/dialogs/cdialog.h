// CDialog: a dialog from a template of the resource module, modal (DoModal runs the nested
// loop and disables the owner) or modeless (Create).
#pragma once

#include "platform/ui/cwnd.h"
#include "platform/ui/dialog_template.h"

namespace ui {

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
  ~CDialog() override;

  virtual std::intptr_t DoModal();
  virtual BOOL Create(UINT templateId, CWnd* parent = nullptr);
  void EndDialog(int result);
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  BOOL PreTranslateMessage(MSG* msg) override;
  const MessageMap& GetMessageMap() const override;

  void SetDefID(UINT id);
  DWORD GetDefID() const;
  void NextDlgCtrl() const;
  void GotoDlgCtrl(CWnd* control);

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  // The module whose resources hold the template; null: the program's. A library sets its own.
  HINSTANCE m_hResourceModule = nullptr;

 protected:
  // The template the dialog is made from: the resource module's, else any registered one.
  virtual const DialogTemplate* FindTemplate() const;
  HWND CreateFromTemplate(HWND parent);
  // The window that owns the dialog: the top-level window of the parent, or the main window.
  HWND OwnerWindow() const;

 private:
  LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
  void HandleOK();
  void HandleCancel();
};

}  // namespace ui
