#include "formatlib/command/library_messages.h"

#include "formatlib/command/format_library_state.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/modules/module_resources.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace pradvik {

std::string LibraryText(win::UINT id) {
  std::array<char, 1024> buffer{};
  win::LoadStringA(LibraryInstance(), id, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

int ShowLibraryText(const std::string& text, win::UINT iconType) {
  return ui::MessageBoxA(LibraryState().pumpWindows[0], text.c_str(), LibraryText(kStrFormatCaption).c_str(),
                         ui::MB_OK | iconType);
}

int ShowLibraryMessage(win::UINT id, win::UINT iconType) { return ShowLibraryText(LibraryText(id), iconType); }

void SetStepText(win::HWND stepWindow, win::UINT id) {
  if (stepWindow == nullptr) return;
  const std::string text = LibraryText(id);
  ui::SendMessage(stepWindow, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(text.c_str()));
}

void PrepareBlockErrorText(win::UINT messageId, std::uint32_t block, std::uint32_t pageInBlock) {
  FormatLibraryState& state = LibraryState();
  state.messageBody = LibraryText(messageId);
  std::array<char, 1024> text{};
  std::snprintf(text.data(), text.size(), "%s\n%s%u (0x%X)   %s%u (0x%X)", state.messageBody.c_str(),
                state.blockLabel.c_str(), block, block, state.pageLabel.c_str(), pageInBlock, pageInBlock);
  state.preparedErrorText = text.data();
}

void ClearErrorText() { LibraryState().preparedErrorText.clear(); }

void StepProgress(win::HWND progressWindow, win::HWND percentWindow) {
  FormatLibraryState& state = LibraryState();
  if (state.progressPosition < state.progressRange) ++state.progressPosition;
  if (progressWindow != nullptr && state.progressPosition != state.progressRange) {
    ui::SendMessage(progressWindow, ui::PBM_STEPIT, 0, 0);
  }
  if (percentWindow == nullptr || state.progressRange == 0) return;
  const auto percent = static_cast<std::uint8_t>(std::uint64_t{state.progressPosition} * 100 / state.progressRange);
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%d %%", percent);
  // The figure changes a hundred times a run at most: setting it again on every sector would
  // repaint it on every sector.
  std::array<char, 16> shown{};
  ui::SendMessage(percentWindow, ui::WM_GETTEXT, shown.size(), reinterpret_cast<ui::LPARAM>(shown.data()));
  if (std::strcmp(shown.data(), text.data()) == 0) return;
  ui::SendMessage(percentWindow, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(text.data()));
}

}  // namespace pradvik
