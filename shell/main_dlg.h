// The program's main window: the device list on the left, the main property sheet with the
// Information, Recovery, Tools and About pages on the right, two caption buttons, a skinned
// borderless frame that can be dragged and shows pure green as see-through.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/controls/image_list.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "shell/about_page.h"
#include "controls/bitmap_dialog.h"
#include "controls/icon_button.h"
#include "shell/info_page.h"
#include "shell/plain_pages.h"
#include "recovery/page/recv_page.h"
#include "operations/tool_page.h"

#include <memory>

namespace tarnlok {

// The system command that opens the About box.
constexpr ui::WPARAM kAboutCommand = 0x10;

// The title is engraved in a bold font of this height, this far right of its marker.
constexpr int kTitleFontHeight = 24;
constexpr int kTitleIndent = 11;

class CMainSht : public ui::CPropertySheet {
 public:
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void OnPaint();
};

class CMainDlg : public CBitmapDialog {
 public:
  explicit CMainDlg(ui::CWnd* parent);
  ~CMainDlg() override;

  win::BOOL OnInitDialog() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  void WinHelp(win::DWORD data, win::UINT command) override;
  void OnCancel() override;
  const ui::MessageMap& GetMessageMap() const override;

  CMainSht& Sheet() { return sheet_; }

 private:
  void FillDeviceList();
  void PlaceSheet();
  void PaintTitle(ui::CDC& dc);
  void OnPaint();
  void OnClose();
  void OnCloseButton();
  void OnMinimiseButton();
  ui::LRESULT OnSysCommand(ui::WPARAM wParam, ui::LPARAM lParam);
  ui::LRESULT OnQueryDragIcon(ui::WPARAM, ui::LPARAM);
  void OnItemChanged(ui::NMHDR*, ui::LRESULT* result);
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

  std::unique_ptr<ui::CImageList> imageList_;
  CMainSht sheet_;
  CInfoPage infoPage_;
  CRecvPage recoveryPage_;
  CAbtPage aboutPage_;
  CToolPage toolsPage_;
  CIconButton minimiseButton_;
  CIconButton closeButton_;
  ui::CStatic iconStatic_;
  ui::CListCtrl deviceList_;
  ui::HICON icon_ = nullptr;
};

// Makes the page on show show the current device, by CurrentPageCode.
void RefreshActivePage(ui::CWnd& mainWindow);

}  // namespace tarnlok
