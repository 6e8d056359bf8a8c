#include "platform/script/window_steps.h"

#include "platform/ui/controls/control_input.h"
#include "platform/ui/windows/cwnd.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tab_control.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/windows/window_table.h"

#include <array>

namespace script {
namespace {

using ui::HWND;

std::string Control(int id) { return "control " + std::to_string(id); }

std::string WindowText(HWND hwnd) {
  std::string text(static_cast<std::size_t>(ui::GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<std::size_t>(ui::GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string Describe(HWND window) {
  return "dialog " + std::to_string(ui::DialogTemplateId(window)) + " \"" + WindowText(window) + "\"";
}

// Which dialog holds the input, for a failure that the main window cannot be used.
std::string ModalNote() {
  const HWND modal = ui::CurrentModalDialog();
  if (modal == nullptr) return "";
  return " (" + Describe(modal) + " has the input)";
}

HWND MainWindow() {
  ui::CWnd* main = ui::AfxGetMainWnd();
  if (main == nullptr || !ui::IsWindow(main->m_hWnd)) throw StepFailed{"the main window is not open" + ModalNote()};
  return main->m_hWnd;
}

HWND UsableMainWindow() {
  const HWND main = MainWindow();
  if (!ui::IsWindowEnabled(main)) throw StepFailed{"the main window is disabled" + ModalNote()};
  return main;
}

// The shown control of that id among the window's descendants (the pages of a sheet share ids).
HWND FindControl(HWND window, int id) {
  HWND hidden = nullptr;
  for (HWND candidate : ui::WindowAndDescendants(window)) {
    if (candidate == window || ui::GetDlgCtrlID(candidate) != id) continue;
    if (ui::IsWindowVisible(candidate)) return candidate;
    if (hidden == nullptr) hidden = candidate;
  }
  if (hidden == nullptr) throw StepFailed{Control(id) + " is not in " + Describe(window)};
  throw StepFailed{Control(id) + " is hidden"};
}

// The control must take a click or a key now.
HWND UsableControl(HWND window, int id) {
  const HWND control = FindControl(window, id);
  if (!ui::AcceptsInput(control)) throw StepFailed{Control(id) + " is disabled"};
  if (!ui::IsWindowEnabled(ui::TopLevelOf(control))) throw StepFailed{"the window of " + Control(id) + " is disabled"};
  return control;
}

void Reached(bool reached, int id) {
  if (!reached) throw StepFailed{Control(id) + " cannot be reached: another window covers it"};
}

int RowCount(HWND list) { return static_cast<int>(ui::SendMessage(list, ui::LVM_GETITEMCOUNT, 0, 0)); }

std::string RowText(HWND list, int row) {
  std::array<char, 256> text{};
  ui::LVITEMA item;
  item.iItem = row;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  ui::SendMessage(list, ui::LVM_GETITEMTEXTA, static_cast<ui::WPARAM>(row), reinterpret_cast<ui::LPARAM>(&item));
  return text.data();
}

std::string TabText(HWND tabs, int index) {
  std::array<char, 256> text{};
  ui::TCITEMA item;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  ui::SendMessage(tabs, ui::TCM_GETITEMA, static_cast<ui::WPARAM>(index), reinterpret_cast<ui::LPARAM>(&item));
  return text.data();
}

bool IsRadioButton(HWND control) {
  const auto type = static_cast<ui::DWORD>(ui::GetWindowLongA(control, ui::GWL_STYLE)) & ui::BS_TYPEMASK;
  return type == ui::BS_RADIOBUTTON || type == ui::BS_AUTORADIOBUTTON;
}

bool IsCheckable(HWND control) {
  const auto type = static_cast<ui::DWORD>(ui::GetWindowLongA(control, ui::GWL_STYLE)) & ui::BS_TYPEMASK;
  return ui::IsClass(control, ui::kButtonClass) &&
         (type == ui::BS_CHECKBOX || type == ui::BS_AUTOCHECKBOX || type == ui::BS_3STATE ||
          type == ui::BS_AUTO3STATE || IsRadioButton(control));
}

}  // namespace

HWND InputWindow() {
  if (const HWND modal = ui::CurrentModalDialog()) return modal;
  return MainWindow();
}

void SelectDevice(char letter, int deviceListId) {
  const HWND main = UsableMainWindow();
  const HWND list = UsableControl(main, deviceListId);
  const std::string mark = std::string("(") + letter + ":)";
  for (int row = 0; row < RowCount(list); ++row) {
    if (RowText(list, row).starts_with(mark)) return Reached(ui::ClickListRow(list, row), deviceListId);
  }
  throw StepFailed{std::string("no device row has the drive ") + letter + ":"};
}

void ActivateTab(const std::string& caption) {
  const HWND main = UsableMainWindow();
  for (HWND tabs : ui::WindowAndDescendants(main)) {
    if (!ui::IsClass(tabs, ui::kTabControlClass)) continue;
    const int count = static_cast<int>(ui::SendMessage(tabs, ui::TCM_GETITEMCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
      if (TabText(tabs, index) != caption) continue;
      if (!ui::AcceptsInput(tabs)) throw StepFailed{"the page tabs are disabled"};
      ui::RECT rect{};
      ui::SendMessage(tabs, ui::TCM_GETITEMRECT, static_cast<ui::WPARAM>(index), reinterpret_cast<ui::LPARAM>(&rect));
      if (!ui::ClickControlAt(tabs, ui::POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2})) {
        throw StepFailed{"the tab \"" + caption + "\" cannot be reached"};
      }
      return;
    }
  }
  throw StepFailed{"no page has the caption \"" + caption + "\""};
}

void Press(int id) { Reached(ui::ClickControl(UsableControl(InputWindow(), id)), id); }

void SetCheck(int id, bool checked) {
  const HWND control = UsableControl(InputWindow(), id);
  if (!IsCheckable(control)) throw StepFailed{Control(id) + " is no check box or radio button"};
  const bool isChecked = ui::SendMessage(control, ui::BM_GETCHECK, 0, 0) == ui::BST_CHECKED;
  if (isChecked == checked) return;
  if (!checked && IsRadioButton(control))
    throw StepFailed{"a click does not uncheck the radio button " + std::to_string(id)};
  Reached(ui::ClickControl(control), id);
}

void ReplaceText(int id, const std::string& text) {
  const HWND control = UsableControl(InputWindow(), id);
  if (!ui::IsClass(control, ui::kEditClass)) throw StepFailed{Control(id) + " is no edit"};
  if ((static_cast<ui::DWORD>(ui::GetWindowLongA(control, ui::GWL_STYLE)) & ui::ES_READONLY) != 0) {
    throw StepFailed{Control(id) + " is read-only"};
  }
  // Typing over the whole text replaces it; a backspace empties it.
  Reached(ui::TypeIntoControl(control, ""), id);
  ui::PostMessage(control, ui::EM_SETSEL, 0, static_cast<ui::LPARAM>(-1));
  ui::TypeIntoControl(control, text.empty() ? std::string_view("\b") : std::string_view(text));
}

void SelectRow(int id, int row) {
  const HWND control = UsableControl(InputWindow(), id);
  const bool listBox = ui::IsClass(control, "ListBox");
  if (!listBox && !ui::IsClass(control, ui::kListViewClass)) throw StepFailed{Control(id) + " is no list"};
  const int rows = static_cast<int>(ui::SendMessage(control, listBox ? ui::LB_GETCOUNT : ui::LVM_GETITEMCOUNT, 0, 0));
  if (row >= rows)
    throw StepFailed{Control(id) + " has " + std::to_string(rows) + " rows, no row " + std::to_string(row)};
  if (!listBox) ui::SendMessage(control, ui::LVM_ENSUREVISIBLE, static_cast<ui::WPARAM>(row), 0);
  if (!ui::ClickListRow(control, row))
    throw StepFailed{"row " + std::to_string(row) + " of " + Control(id) + " cannot be reached"};
}

void ExpectText(int id, const std::string& text) {
  const std::string shown = WindowText(FindControl(InputWindow(), id));
  if (shown.find(text) == std::string::npos) throw StepFailed{Control(id) + " shows \"" + shown + "\""};
}

void CloseModal() {
  // The start-up notes are modal before the main window exists: only a modal window counts here.
  const HWND modal = ui::CurrentModalDialog();
  const ui::CWnd* main = ui::AfxGetMainWnd();
  if (modal == nullptr || (main != nullptr && modal == main->m_hWnd)) {
    throw StepFailed{"no dialog is open (quit closes the main window)"};
  }
  for (HWND candidate : ui::WindowAndDescendants(modal)) {
    if (candidate == modal || ui::GetDlgCtrlID(candidate) != ui::IDCANCEL || !ui::IsWindowVisible(candidate)) continue;
    if (!ui::AcceptsInput(candidate)) throw StepFailed{"the Close button of " + Describe(modal) + " is disabled"};
    return Reached(ui::ClickControl(candidate), ui::IDCANCEL);
  }
  // Without a Close or Cancel button, Escape is what ends a dialog.
  ui::SetFocus(modal);
  ui::RouteKey(ui::WM_KEYDOWN, ui::VK_ESCAPE);
  ui::RouteKey(ui::WM_KEYUP, ui::VK_ESCAPE);
}

void QuitProgram() { ui::RouteSystemClose(UsableMainWindow()); }

}  // namespace script
