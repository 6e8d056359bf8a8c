#include "controls/dialog_texts.h"

namespace tarnlok {

void SetTexts(ui::CWnd& dialog, std::span<const ControlText> texts) {
  for (const ControlText& text : texts) dialog.SetDlgItemText(text.control, LoadProgramString(text.stringId));
}

void SetFonts(ui::CWnd& dialog, std::initializer_list<int> controls, ui::CFont& font) {
  for (int id : controls) {
    if (ui::CWnd* control = dialog.GetDlgItem(id)) control->SetFont(&font);
  }
}

}  // namespace tarnlok
