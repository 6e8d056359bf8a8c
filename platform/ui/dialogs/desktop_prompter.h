// The desktop's prompter: Qt message boxes, the real file dialogs and a folder browser that
// shows its status text. Paths chosen on the host come back as Windows paths (Z:\...).
#pragma once

#include "platform/ui/dialogs/prompter.h"

#include <memory>

class QMessageBox;
class QFileDialog;

namespace ui {

class DesktopPrompter final : public Prompter {
 public:
  int AskMessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> AskFile(const FileDialogRequest& request) override;
  std::optional<std::string> AskFolder(const FolderRequest& request) override;
  std::optional<COLORREF> AskColour(const ColourRequest& request) override;
};

// The dialogs as the desktop shows them, built but not run (tests look at them offscreen).
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request);
std::unique_ptr<QFileDialog> BuildFileDialog(const FileDialogRequest& request);
std::unique_ptr<QFileDialog> BuildFolderDialog(const FolderRequest& request);
// The MessageBox answer of a Qt standard button.
int AnswerOfButton(int standardButton);

}  // namespace ui
