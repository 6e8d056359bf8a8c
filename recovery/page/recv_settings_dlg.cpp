#include "recovery/page/recv_settings_dlg.h"

#include "device/device_messages.h"
#include "device/string_ids.h"
#include "operations/page_look.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/volumes.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/last_error.h"
#include "recovery/file_types.h"
#include "recovery/page/output_folder_checks.h"
#include "recovery/page/recovery_run.h"
#include "recovery/page/recovery_settings.h"
#include "recovery/safe_names.h"
#include "controls/control_colours.h"
#include "controls/control_ids.h"
#include "controls/dialog_texts.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/resource_ids.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

constexpr win::ULONGLONG kLowFreeSpace = 5242880;
constexpr win::ULONGLONG kMegabyteBits = ~win::ULONGLONG{0xFFFFF};
constexpr ui::COLORREF kExtensionColour = 0x780A01;
constexpr ui::COLORREF kDescriptionColour = 0xD76B00;

// clang-format off
constexpr ControlText kTexts[] = {
    {kScanAllChoice, kStringScanAllFiles},             {kScanSelectedChoice, kStringScanSelectedType},
    {kSelectAllButton, kStringSelectAll},              {kClearAllButton, kStringDeselectAll},
    {kDeletedOnlyChoice, kStringDeletedFilesOnly},     {kAllFilesChoice, kStringAllFiles},
    {kThumbnailCheck, kStringShowThumbnails},          {kSectorZeroCheck, kStringStartFromSectorZero},
    {ui::IDOK, kStringOk},                             {ui::IDCANCEL, kStringCancel},
    {kFirstGroupCaption, kStringFolderNameCaption},    {kFolderPrompt, kStringFolderNamePrompt},
    {kFolderExample, kStringFolderNameExample},        {kSecondGroupCaption, kStringFileNameCaption},
    {kPrefixPrompt, kStringFileNamePrompt},            {kThirdGroupCaption, kStringScanTypeCaption},
    {kFourthGroupCaption, kStringRecoverTypeCaption}};

// Descriptions by type code.
constexpr std::array<win::UINT, recovery::kTypeCount> kDescriptions = {
    57470, 57488, 57471, 57472, 57493, 57473, 57495, 57491, 57474, 57475, 57476, 57504, 57480,
    57483, 57477, 57484, 57497, 57498, 57499, 57494, 57503, 57485, 57500, 57489, 57505, 57490,
    57496, 57492, 57481, 57501, 57478, 57479, 57486, 57487, 57502, 57506, 57482};
// clang-format on

constexpr int kTransparentStatics[] = {kFolderPrompt,       kFolderExample,     kPrefixPrompt,       kDeletedOnlyChoice,
                                       kAllFilesChoice,     kThumbnailCheck,    kSectorZeroCheck,    kScanAllChoice,
                                       kScanSelectedChoice, kFirstGroupCaption, kSecondGroupCaption, kThirdGroupCaption,
                                       kFourthGroupCaption};

// The user's "My Pictures" folder, else the fallback folder.
std::string FreshFolder() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER,
                         "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                         win::KEY_ALL_ACCESS, &key) != win::ERROR_SUCCESS)
    return kFallbackFolder;
  std::array<char, kSettingTextRoom> personal{};
  win::DWORD size = static_cast<win::DWORD>(personal.size() - 1);
  const bool read = win::RegQueryValueExA(key, "Personal", nullptr, nullptr,
                                          reinterpret_cast<win::BYTE*>(personal.data()), &size) == win::ERROR_SUCCESS;
  win::RegCloseKey(key);
  return read ? std::string(personal.data()) + "\\My Pictures" : kFallbackFolder;
}

std::string WithReason(win::UINT first, const std::string& what, win::DWORD error) {
  return LoadProgramString(first) + "\n'" + what + "'.\n\n" + LoadProgramString(kStringFolderFailedReason) + "\n- " +
         SystemErrorText(error);
}

}  // namespace

void CFileTypeList::FillFileTypeList() {
  SetExtendedStyle(ui::LVS_EX_CHECKBOXES | ui::LVS_EX_FULLROWSELECT);
  InsertColumn(0, "File Type", 0, 10);
  InsertColumn(1, "Description", 0, 280);
  const SettingsKey key;
  for (int code = 0; code < recovery::kTypeCount; ++code) {
    const std::string extension(recovery::FileTypeTable[static_cast<std::size_t>(code)]);
    InsertItem(code, extension);
    SetItemText(code, 1, LoadProgramString(kDescriptions[static_cast<std::size_t>(code)]));
    SetCheck(code, key.ReadByte(extension.c_str()).value_or(1) != 0 ? win::TRUE : win::FALSE);
  }
  SetColumnWidth(0, ui::LVSCW_AUTOSIZE_USEHEADER);
}

void CFileTypeList::CheckAll(bool check) {
  for (int code = 0; code < recovery::kTypeCount; ++code) SetCheck(code, check ? win::TRUE : win::FALSE);
}

std::uint64_t CFileTypeList::CheckedMask() const {
  std::uint64_t mask = 0;
  for (int code = 0; code < recovery::kTypeCount; ++code)
    if (GetCheck(code)) mask |= recovery::TypeBit(code);
  return mask;
}

const ui::MessageMap& CRecvSettingsDlg::GetMessageMap() const {
  static const ui::MessageMap map(
      &CDialog::GetMessageMap(),
      {
          ui::OnCommand(kBrowseFolderButton, &CRecvSettingsDlg::OnBrowse),
          ui::OnCommand(kSelectAllButton, &CRecvSettingsDlg::OnSelectAll),
          ui::OnCommand(kClearAllButton, &CRecvSettingsDlg::OnClearAll),
          ui::OnNotify(ui::NM_CUSTOMDRAW, kFileTypeListControl, &CRecvSettingsDlg::OnListColours),
          ui::OnCommand(kScanAllChoice, &CRecvSettingsDlg::OnScanAll),
          ui::OnCommand(kScanSelectedChoice, &CRecvSettingsDlg::OnScanSelected),
          ui::OnCtlColorMessage(&CRecvSettingsDlg::OnCtlColor),
          ui::OnMessage(ui::WM_PAINT, &CRecvSettingsDlg::OnPaint),
      });
  return map;
}

void CRecvSettingsDlg::DoDataExchange(ui::CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  ui::DDX_Control(dx, kScanSelectedChoice, scanSelected_);
  ui::DDX_Control(dx, kScanAllChoice, scanAll_);
  ui::DDX_Control(dx, kClearAllButton, clearAllButton_);
  ui::DDX_Control(dx, kSelectAllButton, selectAllButton_);
  ui::DDX_Control(dx, ui::IDOK, okButton_);
  ui::DDX_Control(dx, ui::IDCANCEL, cancelButton_);
  ui::DDX_Control(dx, kFolderEdit, folderEdit_);
  ui::DDX_Control(dx, kPrefixEdit, prefixEdit_);
  ui::DDX_Control(dx, kThumbnailCheck, thumbnailCheck_);
  ui::DDX_Control(dx, kFileTypeListControl, typeList_);
  ui::DDX_Control(dx, kAllFilesChoice, allFiles_);
  ui::DDX_Control(dx, kDeletedOnlyChoice, deletedOnly_);
  ui::DDX_Control(dx, kSectorZeroCheck, sectorZeroCheck_);
  ui::DDX_Control(dx, kBrowseFolderButton, browseButton_);
}

win::BOOL CRecvSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  SetWindowText(LoadProgramString(kStringOptionsTitle));
  SetTexts(*this, kTexts);
  SetFonts(*this, {kFirstGroupCaption, kSecondGroupCaption, kThirdGroupCaption, kFourthGroupCaption},
           App().labelFontBold);
  DecorateIconButtons({{&browseButton_, kBrowseIcon},
                       {&selectAllButton_, kSelectAllIcon},
                       {&clearAllButton_, kClearAllIcon},
                       {&okButton_, kOkIcon},
                       {&cancelButton_, kCancelIcon}});
  typeList_.FillFileTypeList();
  ShowStoredChoices();
  prefixEdit_.SetLimitText(255);
  // A folder kept whole, end included, in the room the run reads it into.
  folderEdit_.SetLimitText(static_cast<win::UINT>(kSettingTextRoom - 1));
  return win::TRUE;
}

void CRecvSettingsDlg::ShowStoredChoices() {
  const SettingsKey key;
  std::string folder = kFallbackFolder;
  std::string prefix = kDefaultPrefix;
  if (!key.IsOpen()) {
    thumbnailCheck_.SetCheck(ui::BST_CHECKED);
    deletedOnly_.SetCheck(ui::BST_CHECKED);
    scanAll_.SetCheck(ui::BST_CHECKED);
    folder = FreshFolder();
  } else {
    thumbnailCheck_.SetCheck(key.ReadByte(kShowThumbNailValue).value_or(1) != 0 ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    if (key.ReadByte(kAlwaysZeroValue).value_or(1) != 0) sectorZeroCheck_.SetCheck(ui::BST_CHECKED);
    (key.ReadByte(kRestoreAllFilesValue).value_or(1) != 0 ? allFiles_ : deletedOnly_).SetCheck(ui::BST_CHECKED);
    if (key.ReadByte(kScanFileValue).value_or(0) != 0) {
      scanAll_.SetCheck(ui::BST_CHECKED);
      OnScanAll();
    } else {
      scanSelected_.SetCheck(ui::BST_CHECKED);
      OnScanSelected();
    }
    folder = key.ReadText(kDefaultFolderValue).value_or(kFallbackFolder);
    prefix = key.ReadText(kDefaultFileValue).value_or(kDefaultPrefix);
  }
  folderEdit_.SetWindowText(folder);
  prefixEdit_.SetWindowText(prefix);
}

void CRecvSettingsDlg::OnBrowse() {
  ui::FolderRequest request;
  request.owner = m_hWnd;
  if (const auto folder = ui::CurrentPrompter().AskFolder(request); folder && !folder->empty())
    folderEdit_.SetWindowText(*folder);
}

void CRecvSettingsDlg::OnSelectAll() { typeList_.CheckAll(true); }

void CRecvSettingsDlg::OnClearAll() { typeList_.CheckAll(false); }

void CRecvSettingsDlg::OnScanAll() {
  typeList_.CheckAll(true);
  typeList_.EnableWindow(win::FALSE);
  selectAllButton_.EnableWindow(win::FALSE);
  clearAllButton_.EnableWindow(win::FALSE);
}

void CRecvSettingsDlg::OnScanSelected() {
  typeList_.EnableWindow(win::TRUE);
  selectAllButton_.EnableWindow(win::TRUE);
  clearAllButton_.EnableWindow(win::TRUE);
}

void CRecvSettingsDlg::OnListColours(ui::NMHDR* header, ui::LRESULT* result) {
  auto* draw = reinterpret_cast<ui::NMLVCUSTOMDRAW*>(header);
  *result = ui::CDRF_DODEFAULT;
  if (draw->nmcd.dwDrawStage == ui::CDDS_PREPAINT || draw->nmcd.dwDrawStage == ui::CDDS_ITEMPREPAINT) {
    *result = ui::CDRF_NOTIFYITEMDRAW;
  } else if (draw->nmcd.dwDrawStage == (ui::CDDS_ITEMPREPAINT | ui::CDDS_SUBITEM)) {
    draw->clrText = draw->iSubItem == 0 ? kExtensionColour : kDescriptionColour;
  }
}

bool CRecvSettingsDlg::Checked(int id) const {
  return ui::SendDlgItemMessageA(m_hWnd, id, ui::BM_GETCHECK, 0, 0) == ui::BST_CHECKED;
}

bool CRecvSettingsDlg::CheckedFolder(std::string& folder) {
  const std::string text = folderEdit_.GetWindowText();
  // Nothing may be made on the card being recovered, however its drive is written.
  const char card = SelectedCardDriveLetter();
  if (card != 0 && recovery::PathIsOnDrive(text, card)) {
    ShowStringMessage(kStringRecoverySameDrive, 0);
    return false;
  }
  const auto valid = FolderOfValidForm(text);
  if (!valid) {
    ShowStringMessage(kStringBadFolder, 0);
    return false;
  }
  folder = *valid;
  win::ULARGE_INTEGER available{}, total{}, free{};
  const std::string root = std::string(1, folder[0]) + ":\\";
  if (!win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free) || free.QuadPart == 0) {
    ShowStringMessage(kStringRecoveryNoFreeSpace, ui::MB_ICONINFORMATION);
    return false;
  }
  if ((free.QuadPart & kMegabyteBits) < kLowFreeSpace &&
      ShowStringMessage(kStringLowFreeSpace, ui::MB_YESNO | ui::MB_ICONINFORMATION) == ui::IDNO)
    return false;
  if (folder.size() != 3) {
    const win::DWORD error = CreateFolderChain(folder);
    if (error != 0 && error != win::ERROR_ALREADY_EXISTS) {
      ShowDeviceMessage(WithReason(kStringFolderFailed, folder, error), 0);
      return false;
    }
  }
  return true;
}

void CRecvSettingsDlg::OnOK() {
  const std::uint64_t mask = typeList_.CheckedMask();
  if (mask == 0) {
    ShowStringMessage(kStringNoFileType, ui::MB_ICONSTOP);
    return;
  }
  std::string folder;
  if (!CheckedFolder(folder)) return;
  const std::string prefix = prefixEdit_.GetWindowText();
  if (prefix.empty()) {
    ShowStringMessage(kStringPrefixEmpty, ui::MB_ICONSTOP);
    return;
  }
  if (const win::DWORD error = TestFileInFolder(folder, prefix); error != 0) {
    ShowDeviceMessage(WithReason(kStringFileFailed, folder + "\\" + prefix, error), 0);
    return;
  }
  Save(folder, prefix);
  CDialog::OnOK();
}

void CRecvSettingsDlg::Save(const std::string& folder, const std::string& prefix) {
  RecoveryChoices choices;
  choices.folder = folder;
  choices.prefix = prefix;
  choices.typeSelection = typeList_.CheckedMask();
  choices.showThumbnails = Checked(kThumbnailCheck);
  choices.alwaysZero = Checked(kSectorZeroCheck);
  choices.restoreAllFiles = !Checked(kDeletedOnlyChoice);
  choices.scanAllFiles = Checked(kScanAllChoice);
  SettingsKey key(true);
  StoreRecoveryChoices(choices, key);
}

void CRecvSettingsDlg::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CRecvSettingsDlg::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  const int id = control->GetDlgCtrlID();
  if (std::find(std::begin(kTransparentStatics), std::end(kTransparentStatics), id) != std::end(kTransparentStatics))
    dc->SetBkMode(ui::TRANSPARENT);
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

}  // namespace tarnlok
