// "Select Media Type": the size of a Memory Stick whose reader does not tell its geometry,
// turned into pages per block and block count for the recovery run.
#pragma once

#include "platform/ui/controls/list_box.h"
#include "platform/ui/dialogs/cdialog.h"
#include "controls/resource_ids.h"

namespace tarnlok {

// Controls of the dialog.
constexpr int kMediaSizeWarning = 1125;
constexpr int kMediaSizeList = 1127;
constexpr int kMediaSizePrompt = 1129;
constexpr int kMediaSizeNoteHeading = 1167;

// Written only by the dialog's OK; 0 at program start.
inline win::WORD MediaSizeBlockCount = 0;
inline win::WORD MediaSizePagesPerBlock = 0;

class CMediaSizeDlg : public ui::CDialog {
 public:
  explicit CMediaSizeDlg(ui::CWnd* parent) : CDialog(kMediaSizeTemplate, parent) {}

  win::BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(ui::CDataExchange* dx) override;

  // Stores the geometry of a row of the list and answers true; a row outside the list shows
  // kStringInvalidMediaSize and answers false, a negative one (none chosen)
  // kStringNoMediaSizeChosen.
  static bool ChooseRow(int row);

 private:
  ui::CListBox sizes_;
};

}  // namespace tarnlok
