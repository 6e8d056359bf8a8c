#include "platform/panel/machine_panel.h"

#include "platform/panel/card_for_image.h"
#include "platform/panel/panel_texts.h"

#include "platform/ui/windows/menu.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/paths.h"

#include <algorithm>
#include <array>

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

constexpr std::array<const char*, 5> kColumns{"Drive", "Reader", "Card", "Write protected", "Image"};
enum ColumnIndex { kDriveColumn, kReaderColumn, kCardColumn, kProtectedColumn, kImageColumn };

// Until the program's main window shows, the panel looks for it this often to stand beside it.
constexpr std::uintptr_t kPlaceTimer = 1;
constexpr ui::UINT kPlaceEveryMs = 100;
constexpr int kGap = 8;

std::string DriveText(char letter) { return std::string(1, letter) + ":"; }

// The machine's cards folder, where the file dialog opens: the folder of the reader's described
// card, else of the first reader's that has one; empty when no reader names an image.
std::string CardsFolder(const MachineDescription& machine, const ReaderDescription& reader) {
  std::filesystem::path image = reader.card.image;
  for (const ReaderDescription& other : machine.readers) {
    if (image.empty()) image = other.card.image;
  }
  return image.empty() ? std::string() : win::WindowsPathOfHost(image.parent_path());
}

}  // namespace

MachinePanel::MachinePanel(Machine& machine) : CDialog(kTemplateId), machine_(machine) {}

bool MachinePanel::Open() {
  if (!Create(kTemplateId, nullptr)) return false;
  // A card can be pulled in the middle of a run, whose pump looks only at its own windows.
  ui::ServeAtEveryPump(m_hWnd);
  ShowWindow(ui::SW_SHOW);
  SetTimer(kPlaceTimer, kPlaceEveryMs);
  return true;
}

bool MachinePanel::PlaceBesideMainWindow() {
  const ui::CWnd* main = ui::AfxGetMainWnd();
  if (main == nullptr || main->m_hWnd == nullptr || !main->IsWindowVisible()) return false;
  ui::RECT beside{}, own{}, screen{};
  main->GetWindowRect(&beside);
  GetWindowRect(&own);
  ui::SystemParametersInfoA(ui::SPI_GETWORKAREA, 0, &screen, 0);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  // Right of the main window, else left of it, else below it, else above it: where the screen
  // has room. On a screen too small for any, at its right edge.
  const std::array<ui::POINT, 4> places{{{beside.right + kGap, beside.top},
                                         {beside.left - kGap - width, beside.top},
                                         {beside.left, beside.bottom + kGap},
                                         {beside.left, beside.top - kGap - height}}};
  const auto fits = [&](ui::POINT at) {
    return at.x >= screen.left && at.y >= screen.top && at.x + width <= screen.right && at.y + height <= screen.bottom;
  };
  const auto chosen = std::find_if(places.begin(), places.end(), fits);
  const ui::POINT at = chosen != places.end() ? *chosen : ui::POINT{screen.right - width, beside.top};
  SetWindowPos(nullptr, at.x, at.y, 0, 0, ui::SWP_NOSIZE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
  return true;
}

ui::LRESULT MachinePanel::OnTimer(ui::WPARAM id, ui::LPARAM /*unused*/) {
  if (id == kPlaceTimer && PlaceBesideMainWindow()) KillTimer(kPlaceTimer);
  return 0;
}

const ui::DialogTemplate* MachinePanel::FindTemplate() const {
  static const std::vector<ui::DialogTemplate> parsed = ui::ParseDialogTemplates(kPanelTemplate);
  return &parsed.front();
}

const ui::MessageMap& MachinePanel::GetMessageMap() const {
  static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                  {
                                      ui::OnCommand(kRemove, &MachinePanel::RemoveCard),
                                      ui::OnCommand(kInsert, &MachinePanel::InsertCard),
                                      ui::OnCommand(kSwap, &MachinePanel::SwapCards),
                                      ui::OnCommand(kWriteProtect, &MachinePanel::ToggleWriteProtection),
                                      ui::OnNotify(ui::LVN_ITEMCHANGED, kReaderList, &MachinePanel::OnSelectionChanged),
                                      ui::OnMessage(ui::WM_ACTIVATE, &MachinePanel::OnActivate),
                                      ui::OnMessage(ui::WM_TIMER, &MachinePanel::OnTimer),
                                  });
  return map;
}

void MachinePanel::DoDataExchange(ui::CDataExchange* dx) { ui::DDX_Control(dx, kReaderList, list_); }

ui::BOOL MachinePanel::OnInitDialog() {
  CDialog::OnInitDialog();
  list_.SetExtendedStyle(ui::LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < kColumns.size(); ++i) list_.InsertColumn(static_cast<int>(i), kColumns[i]);
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
    list_.SetItemText(row, kCardColumn, CardText(readers[i], held));
    list_.SetItemText(row, kProtectedColumn, held ? (held->description.writeProtected ? "yes" : "no") : "");
    list_.SetItemText(row, kImageColumn, ImageText(held));
  }
  FitColumns();
  UpdateButtons();
}

void MachinePanel::FitColumns() {
  int total = 0;
  for (std::size_t i = 0; i < kColumns.size(); ++i) {
    list_.SetColumnWidth(static_cast<int>(i), ui::LVSCW_AUTOSIZE_USEHEADER);
    total += list_.GetColumnWidth(static_cast<int>(i));
  }
  // The list, and the panel with it, grow until every column shows whole; they never shrink.
  ui::RECT listRect{};
  list_.GetWindowRect(&listRect);
  constexpr int kBorders = 8;
  const int missing = total + kBorders - (listRect.right - listRect.left);
  if (missing <= 0) return;
  list_.SetWindowPos(nullptr, 0, 0, listRect.right - listRect.left + missing, listRect.bottom - listRect.top,
                     ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
  ui::RECT own{};
  GetWindowRect(&own);
  SetWindowPos(nullptr, 0, 0, own.right - own.left + missing, own.bottom - own.top,
               ui::SWP_NOMOVE | ui::SWP_NOZORDER | ui::SWP_NOACTIVATE);
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
  // A name that does not exist yet is a fresh card, so the dialog takes any name.
  request.initialFolder = CardsFolder(machine_.Description(), reader->Description());
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
