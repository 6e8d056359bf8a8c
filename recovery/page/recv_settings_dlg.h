// The recovery settings dialog: output folder and name prefix, which of the 37 file types to
// look for, deleted files only or all files, thumbnails, and the start sector choice; OK checks
// the folder and keeps everything under the settings key.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/cdialog.h"
#include "controls/icon_button.h"
#include "controls/resource_ids.h"

#include <cstdint>

namespace tarnlok {

// Controls of the dialog; its groups are titled by the shared group captions.
constexpr int kFolderPrompt = 1114;
constexpr int kFolderEdit = 1115;
constexpr int kBrowseFolderButton = 1116;
constexpr int kFolderExample = 1117;
constexpr int kPrefixPrompt = 1118;
constexpr int kPrefixEdit = 1119;
constexpr int kScanAllChoice = 1245;
constexpr int kScanSelectedChoice = 1246;
constexpr int kFileTypeListControl = 1109;
constexpr int kSelectAllButton = 3;
constexpr int kClearAllButton = 4;
constexpr int kDeletedOnlyChoice = 1120;
constexpr int kAllFilesChoice = 1121;
constexpr int kThumbnailCheck = 1122;
constexpr int kSectorZeroCheck = 1123;

// The 37 file types with a check box each; row n is type code n.
class CFileTypeList : public ui::CListCtrl {
 public:
  // Columns, rows and their check marks from the settings key (a missing value is checked).
  void FillFileTypeList();
  void CheckAll(bool check);
  // Bit n set for each checked row n.
  std::uint64_t CheckedMask() const;
};

class CRecvSettingsDlg : public ui::CDialog {
 public:
  explicit CRecvSettingsDlg(ui::CWnd* parent) : CDialog(kRecvSettingsTemplate, parent) {}

  win::BOOL OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  const ui::MessageMap& GetMessageMap() const override;

 private:
  void ShowStoredChoices();
  void OnBrowse();
  void OnSelectAll();
  void OnClearAll();
  void OnScanAll();
  void OnScanSelected();
  void OnListColours(ui::NMHDR* header, ui::LRESULT* result);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);
  // The folder checks of OK; the folder as it is kept, or nothing when OK must not go on.
  bool CheckedFolder(std::string& folder);
  void Save(const std::string& folder, const std::string& prefix);
  bool Checked(int id) const;

  ui::CButton scanSelected_;
  ui::CButton scanAll_;
  CIconButton clearAllButton_;
  CIconButton selectAllButton_;
  CIconButton okButton_;
  CIconButton cancelButton_;
  ui::CEdit folderEdit_;
  ui::CEdit prefixEdit_;
  ui::CButton thumbnailCheck_;
  CFileTypeList typeList_;
  ui::CButton allFiles_;
  ui::CButton deletedOnly_;
  ui::CButton sectorZeroCheck_;
  CIconButton browseButton_;
};

}  // namespace tarnlok
