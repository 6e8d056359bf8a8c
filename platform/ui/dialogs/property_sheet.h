// Property sheets and pages: tab form and wizard form, modal (DoModal) or as a child of
// another window (Create). A page's window is made from its template the first time the page
// becomes active; OnKillActive answering FALSE keeps the current page.
#pragma once

#include "platform/ui/cdialog.h"
#include "platform/ui/image_list.h"

#include <string>
#include <vector>

namespace ui {

constexpr DWORD PSH_WIZARD = 0x00000020;
constexpr DWORD PSH_NOAPPLYNOW = 0x00000080;
constexpr int ID_APPLY_NOW = 0x3021;
constexpr int ID_WIZBACK = 0x3023;
constexpr int ID_WIZNEXT = 0x3024;
constexpr int ID_WIZFINISH = 0x3025;
constexpr int AFX_IDC_TAB_CONTROL = 0x3020;
constexpr int kWizardLineId = 0x3026;

struct PROPSHEETHEADER {
  DWORD dwFlags = 0;
};

class CPropertySheet;

class CPropertyPage : public CDialog {
 public:
  explicit CPropertyPage(UINT templateId, UINT captionId = 0);
  // Called when the page becomes active; FALSE refuses the activation.
  virtual BOOL OnSetActive();
  // Called before the page stops being active; FALSE keeps it active.
  virtual BOOL OnKillActive();
  virtual BOOL OnApply();
  void OnOK() override;
  void OnCancel() override;
  // Answer 0 to go to the neighbouring page, -1 to stay.
  virtual LRESULT OnWizardBack();
  virtual LRESULT OnWizardNext();
  virtual BOOL OnWizardFinish();
  // Keyboard input is the sheet's.
  BOOL PreTranslateMessage(MSG* msg) override;

  std::string m_strCaption;
  // The icon the page's tab shows; the page keeps it.
  HICON m_hIcon = nullptr;

 private:
  friend class CPropertySheet;
  BOOL CreatePage(CPropertySheet& sheet, const RECT& area);
  bool firstSetActive_ = true;
};

class CPropertySheet : public CWnd {
 public:
  explicit CPropertySheet(const std::string& caption = {}, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CPropertySheet() override;

  void AddPage(CPropertyPage* page);
  virtual std::intptr_t DoModal();
  // A modeless sheet; with WS_CHILD in the style it lies inside the parent and has no buttons.
  virtual BOOL Create(CWnd* parent = nullptr, DWORD style = static_cast<DWORD>(-1), DWORD exStyle = 0);
  BOOL SetActivePage(int index);
  BOOL SetActivePage(CPropertyPage* page);
  CPropertyPage* GetActivePage() const;
  int GetActiveIndex() const { return active_; }
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  int GetPageIndex(const CPropertyPage* page) const;
  CWnd* GetTabControl() const;
  void SetTitle(const std::string& title);
  void EndDialog(int result);
  virtual BOOL OnInitDialog();
  BOOL PreTranslateMessage(MSG* msg) override;
  const MessageMap& GetMessageMap() const override;

  PROPSHEETHEADER m_psh;
  CWnd* m_pParentWnd = nullptr;

 protected:
  BOOL DispatchNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  BOOL Build(HWND parent, DWORD style, DWORD exStyle, bool withButtons);
  void CreateButtons(int top, int right);
  SIZE PageSize() const;
  bool Wizard() const { return (m_psh.dwFlags & PSH_WIZARD) != 0; }
  LRESULT HandleInitDialog(WPARAM, LPARAM);
  void OnOKButton();
  void OnCancelButton();
  void OnApplyNow();
  void OnWizardBackButton();
  void OnWizardNextButton();
  void OnWizardFinishButton();

  void AddTab(CPropertyPage& page, int index);
  std::vector<CPropertyPage*> pages_;
  HIMAGELIST tabImages_ = nullptr;
  std::string caption_;
  int active_ = -1;
  UINT initialPage_ = 0;
  RECT pageArea_;
};

}  // namespace ui
