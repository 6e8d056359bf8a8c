// Loading a menu resource into owner-drawn menus, and the accelerator column of their texts.
#include "controls/owner_menu.h"

#include "controls/owner_menu_state.h"

#include "platform/ui/resources/menu_template.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/win_app.h"

#include <algorithm>
#include <optional>
#include <span>

namespace tarnlok {

constexpr win::UINT kTopLevelString = ui::MF_BYPOSITION | ui::MF_STRING;
constexpr win::UINT kTopLevelPopup = ui::MF_BYPOSITION | ui::MF_POPUP;

// Reads a binary menu template word by word; every read is checked against its end.
class OwnerMenuLoader {
 public:
  explicit OwnerMenuLoader(std::span<const ui::BYTE> bytes) : bytes_(bytes) {}

  bool Load(COwnerMenu& top) {
    const auto header = Word(2);
    if (!header) return false;
    at_ = 4 + static_cast<std::size_t>(*header);
    struct Level {
      COwnerMenu* menu;
      bool end;
    };
    std::vector<Level> levels{{&top, false}};
    while (!levels.empty()) {
      auto flags = Next();
      if (!flags) return false;
      const bool end = (*flags & ui::MF_END) != 0;
      *flags &= ~ui::MF_END;
      std::optional<ui::WORD> id;
      if ((*flags & ui::MF_POPUP) == 0 && !(id = Next())) return false;
      const auto text = Text();
      if (!text) return false;
      COwnerMenu& current = *levels.back().menu;
      if ((*flags & ui::MF_POPUP) != 0) {
        if (end) levels.back().end = true;
        auto popup = std::make_unique<COwnerMenu>();
        popup->CreatePopupMenu();
        popup->Register(popup->m_hMenu);
        popup->checkImages_ = current.checkImages_;
        popup->selectedCheckImage_ = current.selectedCheckImage_;
        popup->unselectedCheckImage_ = current.unselectedCheckImage_;
        current.AppendOwnerDrawnItem(*text, *flags, reinterpret_cast<std::uintptr_t>(popup->m_hMenu), -1);
        levels.push_back(Level{popup.get(), false});
        current.ownedSubmenus_.push_back(std::move(popup));
        continue;
      }
      current.AppendOwnerDrawnItem(*text, *flags, *id, -1);
      if (end) levels.back().end = true;
      while (!levels.empty() && levels.back().end) {
        levels.back().menu->PadAcceleratorColumn();
        levels.pop_back();
      }
    }
    return true;
  }

 private:
  std::optional<ui::WORD> Word(std::size_t at) const {
    if (at + 2 > bytes_.size()) return std::nullopt;
    return static_cast<ui::WORD>(bytes_[at] | (bytes_[at + 1] << 8));
  }
  std::optional<ui::WORD> Next() {
    const auto word = Word(at_);
    at_ += 2;
    return word;
  }
  std::optional<std::wstring> Text() {
    std::wstring text;
    for (auto c = Next(); c; c = Next()) {
      if (*c == 0) return text;
      text.push_back(static_cast<wchar_t>(*c));
    }
    return std::nullopt;
  }

  std::span<const ui::BYTE> bytes_;
  std::size_t at_ = 0;
};

win::BOOL COwnerMenu::LoadMenu(win::UINT id) {
  const auto bytes = ui::LoadMenuTemplate(nullptr, id);
  return bytes ? LoadMenuIndirect(*bytes) : win::FALSE;
}

win::BOOL COwnerMenu::LoadMenuIndirect(std::span<const ui::BYTE> bytes) {
  DestroyMenu();
  CreateMenu();
  Register(m_hMenu);
  OwnerMenuLoader loader(bytes);
  if (!loader.Load(*this)) {
    DestroyMenu();
    return win::FALSE;
  }
  // The top level shows as plain items whose popups draw themselves.
  for (std::size_t i = 0; i < items_.size(); ++i) {
    COwnerMenuItem& record = *items_[i];
    const bool popup = (record.menuFlags & ui::MF_POPUP) != 0;
    record.menuFlags = popup ? kTopLevelPopup : kTopLevelString;
    ui::ModifyMenuA(m_hMenu, static_cast<win::UINT>(i), record.menuFlags, record.commandId, record.GetText().c_str());
  }
  loadedFromResource_ = win::TRUE;
  return win::TRUE;
}

void COwnerMenu::RestoreTopLevelPopups() {
  const int count = GetMenuItemCount();
  std::optional<int> start;
  for (int r = 0; r < static_cast<int>(items_.size()) && !start; ++r) {
    const std::string text = items_[r]->GetText();
    for (int p = 0; p < count; ++p) {
      char buffer[256] = {};
      ui::GetMenuStringA(m_hMenu, static_cast<win::UINT>(p), buffer, sizeof(buffer), ui::MF_BYPOSITION);
      if (!text.empty() && text == buffer) {
        start = p - r;
        break;
      }
    }
  }
  if (!start) return;
  for (int r = 0; r < static_cast<int>(items_.size()); ++r) {
    const int position = *start + r;
    const ui::HMENU popup = ui::GetSubMenu(m_hMenu, position);
    if (popup == nullptr) continue;
    items_[r]->menuFlags = kTopLevelPopup;
    ui::ModifyMenuA(m_hMenu, static_cast<win::UINT>(position), kTopLevelPopup, reinterpret_cast<std::uintptr_t>(popup),
                    items_[r]->GetText().c_str());
  }
}

// Blanks before the tab line the accelerator texts up in one column.
void COwnerMenu::PadAcceleratorColumn() {
  ui::NONCLIENTMETRICSA metrics;
  ui::SystemParametersInfoA(ui::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  ui::CFont font;
  font.CreateFontIndirect(&metrics.lfMenuFont);
  ui::CWnd* main = ui::AfxGetMainWnd();
  const ui::HWND window = main != nullptr ? main->m_hWnd : nullptr;
  ui::CDC dc;
  dc.Attach(ui::GetDC(window));
  ui::CFont* old = dc.SelectObject(&font);
  const auto before = [](const std::string& text) { return text.substr(0, text.find('\t')); };
  int widest = 0;
  for (const auto& record : items_)
    widest = std::max(widest, static_cast<int>(dc.GetTextExtent(before(record->GetText()) + " ").cx));
  for (const auto& record : items_) {
    const std::string text = record->GetText();
    const auto tab = text.find('\t');
    if (tab == std::string::npos) continue;
    std::string left = text.substr(0, tab);
    while (dc.GetTextExtent(left).cx < widest) left += ' ';
    record->SetText(left + text.substr(tab));
  }
  dc.SelectObject(old);
  ui::ReleaseDC(window, dc.Detach());
}

}  // namespace tarnlok
