// The machine's own small panel window, as a virtual machine's media menu: it lists the readers
// with the cards they hold and lets a person remove a card, insert one (an image file of this
// computer; a name that does not exist yet becomes a fresh card), swap two readers' cards and
// flip a card's write-protect switch while the program runs. It is a window of the platform,
// not of the program: modeless, owned by nobody, so the program's modal loops serve it and
// never disable it (Duplicate's "insert the other card" waits in one).
// The list shows the state after each action and whenever the panel is activated; a change
// the program makes meanwhile (a START STOP UNIT eject) shows at the next of these.
#pragma once

#include "platform/machine/machine.h"
#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/controls/list_view.h"

namespace machine {

class MachinePanel : public ui::CDialog {
 public:
  // The template id of the panel, and of its controls.
  static constexpr int kTemplateId = 32200;
  static constexpr int kReaderList = 100;
  static constexpr int kRemove = 101;
  static constexpr int kInsert = 102;
  static constexpr int kSwap = 103;
  static constexpr int kWriteProtect = 104;
  // The swap menu's command of the n-th reader of the description.
  static constexpr int kSwapFirst = 200;

  explicit MachinePanel(Machine& machine);

  // Opens the panel, which stands beside the program's main window once that shows; false
  // when the window cannot be made.
  bool Open();
  // Shows the machine's state afresh, keeping the selected reader.
  void Refresh();

  const ui::MessageMap& GetMessageMap() const override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  ui::BOOL OnInitDialog() override;
  // The panel stays while the program runs: Enter and Escape do not close it.
  void OnOK() override {}
  void OnCancel() override {}

 protected:
  const ui::DialogTemplate* FindTemplate() const override;

 private:
  // The selected reader's index in the description; none when no row is selected.
  std::optional<std::size_t> Selected() const;
  std::shared_ptr<Reader> SelectedReader() const;
  void UpdateButtons();
  // Widens the columns to their texts, and the list and the panel to the columns.
  void FitColumns();
  // Stands the panel beside the program's main window; false while that is not shown yet.
  bool PlaceBesideMainWindow();
  ui::LRESULT OnTimer(ui::WPARAM id, ui::LPARAM unused);
  // Runs a control request of the machine; its refusal is shown in a message box.
  template <class Request>
  void Control(Request request);

  void RemoveCard();
  void InsertCard();
  void SwapCards();
  void ToggleWriteProtection();
  void OnSelectionChanged(ui::NMHDR* header, ui::LRESULT* result);
  ui::LRESULT OnActivate(ui::WPARAM state, ui::LPARAM other);

  Machine& machine_;
  ui::CListCtrl list_;
};

}  // namespace machine
