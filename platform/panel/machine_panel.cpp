#include "platform/panel/machine_panel.h"

#include "platform/panel/card_for_image.h"
#include "platform/panel/panel_texts.h"

#include "platform/ui/windows/menu.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/files/paths.h"

namespace machine {
namespace {

constexpr const char* kPanelTemplate = R"(
DIALOG 32200 0 0 300 112
STYLE POPUP CAPTION SYSMENU MINIMIZEBOX
CAPTION "Machine"
FONT 8 "MS Sans Serif"
CONTROL 100 LISTVIEW "" 7 7 286 72 REPORT SINGLESEL SHOWSELALWAYS BORDER TABSTOP
CONTROL 101 BUTTON "&Remove card" 7 88 60 14 PUSHBUTTON TABSTOP
CONTROL 102 BUTTON "&Insert card..." 72 88 60 14 PUSHBUTTON TABSTOP
CONTROL 103 BUTTON "&Swap with..." 137 88 60 14 PUSHBUTTON TABSTOP
CONTROL 104 BUTTON "&Write protected" 204 90 89 10 CHECKBOX TABSTOP
)";

struct Column {
  const char* heading;
  int width;
};
constexpr std::array<Column, 5> kColumns{{
    {"Drive", 36}, {"Reader", 100}, {"Card", 115}, {"Write protected", 90}, {"Image", 80}}};
enum ColumnIndex { kDriveColumn, kReaderColumn, kCardColumn, kProtectedColumn, kImageColumn };

std::string DriveText(char letter) { return std::string(1, letter) + ":"; }

}  // namespace

MachinePanel::MachinePanel(Machine& machine) : CDialog(kTemplateId), machine_(machine) {}

bool MachinePanel::Open() {
  if (!Create(kTemplateId, nullptr)) return false;
  ShowWindow(ui::SW_SHOW);
  return true;
}

const ui::DialogTemplate* MachinePanel::FindTemplate() const {
  static const std::vector<ui::DialogTemplate> parsed = ui::ParseDialogTemplates(kPanelTemplate);
  return &parsed.front();
}

const ui::MessageMap& MachinePanel::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(), {
      ui::OnCommand(kRemove, &MachinePanel::RemoveCard),
      ui::OnCommand(kInsert, &MachinePanel::InsertCard),
      ui::OnCommand(kSwap, &MachinePanel::SwapCards),
      ui::OnCommand(kWriteProtect, &MachinePanel::ToggleWriteProtection),
      ui::OnNotify(ui::LVN_ITEMCHANGED, kReaderList, &MachinePanel::OnSelectionChanged),
      ui::OnMessage(ui::WM_ACTIVATE, &MachinePanel::OnActivate),
  });
  return map;
}

void MachinePanel::DoDataExchange(ui::CDataExchange* dx) { ui::DDX_Control(dx, kReaderList, list_); }

ui::BOOL MachinePanel::OnInitDialog() {
  CDialog::OnInitDialog();
  list_.SetExtendedStyle(ui::LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    list_.InsertColumn(static_cast<int>(i), kColumns[i].heading, 0, kColumns[i].width);
  }
  for (const ReaderDescription& reader : machine_.Description().readers) {
    const int row = list_.InsertItem(list_.GetItemCount(), DriveText(reader.letter));
    list_.SetItemText(row, kReaderColumn, ReaderText(reader));
  }
  constexpr ui::UINT kChosen = ui::LVIS_SELECTED | ui::LVIS_FOCUSED;
  if (list_.GetItemCount() > 0) list_.SetItemState(0, kChosen, kChosen);
  Refresh();
  return win::TRUE;
}

void MachinePanel::Refresh() {
  const auto& readers = machine_.Description().readers;
  for (std::size_t i = 0; i < readers.size(); ++i) {
    const auto held = machine_.ReaderAt(readers[i].letter)->Held();
    const int row = static_cast<int>(i);
    list_.SetItemText(row, kCardColumn, CardText(held));
    list_.SetItemText(row, kProtectedColumn, held ? (held->description.writeProtected ? "yes" : "no") : "");
    list_.SetItemText(row, kImageColumn, ImageText(held));
  }
  UpdateButtons();
}

std::optional<std::size_t> MachinePanel::Selected() const {
  const int row = list_.GetNextItem(-1, ui::LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::shared_ptr<Reader> MachinePanel::SelectedReader() const {
  const auto row = Selected();
  return row ? machine_.ReaderAt(machine_.Description().readers[*row].letter) : nullptr;
}

void MachinePanel::UpdateButtons() {
  const auto reader = SelectedReader();
  const auto held = reader ? reader->Held() : std::nullopt;
  GetDlgItem(kRemove)->EnableWindow(held.has_value());
  GetDlgItem(kInsert)->EnableWindow(reader && !held);
  GetDlgItem(kSwap)->EnableWindow(reader && machine_.Description().readers.size() > 1);
  GetDlgItem(kWriteProtect)->EnableWindow(held.has_value());
  CheckDlgButton(kWriteProtect, held && held->description.writeProtected ? ui::BST_CHECKED : ui::BST_UNCHECKED);
}

template <class Request>
void MachinePanel::Control(Request request) {
  try {
    request();
  } catch (const std::runtime_error& refused) {
    MessageBox(refused.what(), "Machine", ui::MB_ICONEXCLAMATION);
  }
  Refresh();
}

void MachinePanel::RemoveCard() {
  const auto reader = SelectedReader();
  if (!reader) return;
  Control([&] { machine_.RemoveCard(reader->Description().letter); });
}

void MachinePanel::InsertCard() {
  const auto reader = SelectedReader();
  if (!reader) return;
  const char letter = reader->Description().letter;
  ui::FileDialogRequest request;
  request.owner = m_hWnd;
  request.title = "Insert a card into " + DriveText(letter);
  request.defaultExtension = "img";
  request.filter = "Card images (*.img)|*.img|All files (*.*)|*.*";
  const auto chosen = ui::CurrentPrompter().AskFile(request);
  if (!chosen) return;
  Control([&] {
    const auto image = win::HostPathOf(*chosen);
    if (!image) throw CardImageError(*chosen + " is not a file of this computer.");
    machine_.InsertCard(letter, CardForImage(reader->Description(), *image));
  });
}

void MachinePanel::SwapCards() {
  const auto row = Selected();
  if (!row) return;
  const auto& readers = machine_.Description().readers;
  ui::CMenu menu;
  menu.CreatePopupMenu();
  for (std::size_t i = 0; i < readers.size(); ++i) {
    if (i == *row) continue;
    const std::string item = DriveText(readers[i].letter) + " " + ReaderText(readers[i]);
    menu.AppendMenu(ui::MF_STRING, kSwapFirst + i, item.c_str());
  }
  ui::RECT button{};
  GetDlgItem(kSwap)->GetWindowRect(&button);
  const auto chosen = static_cast<std::size_t>(
      menu.TrackPopupMenu(ui::TPM_LEFTALIGN | ui::TPM_RETURNCMD, button.left, button.bottom, this));
  if (chosen < kSwapFirst || chosen - kSwapFirst >= readers.size()) return;
  Control([&] { machine_.SwapCards(readers[*row].letter, readers[chosen - kSwapFirst].letter); });
}

void MachinePanel::ToggleWriteProtection() {
  const auto reader = SelectedReader();
  const auto held = reader ? reader->Held() : std::nullopt;
  if (!held) return;
  Control([&] { machine_.SetWriteProtected(reader->Description().letter, !held->description.writeProtected); });
}

void MachinePanel::OnSelectionChanged(ui::NMHDR* /*header*/, ui::LRESULT* result) {
  UpdateButtons();
  *result = 0;
}

ui::LRESULT MachinePanel::OnActivate(ui::WPARAM state, ui::LPARAM /*other*/) {
  if (state != ui::WA_INACTIVE) Refresh();
  return Default();
}

}  // namespace machine
