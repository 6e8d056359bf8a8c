// What the Restore and Duplicate page tests share: the whole program run headless on a described
// machine, the page opened from the Tools page for a device row, card image files written and
// read on the host, backup images made with the image format's writer, and a prompter that acts
// (swaps cards) when a question comes before the test's scripted answer is given.
#pragma once

#include "operations/fmb_image.h"
#include "operations/operation_test_support.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/win/system/types.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarnlok::test_support {

using Bytes = std::vector<win::BYTE>;

Bytes ReadHostBytes(const std::filesystem::path& path);
void WriteHostBytes(const std::filesystem::path& path, const Bytes& bytes);
// Bytes whose every 512-byte sector differs from the others and from another seed's.
Bytes PatternBytes(std::size_t size, win::BYTE seed);

// A backup image: the header's bytes followed by the body.
Bytes BackupImage(const FmbHeader& header, const Bytes& body);

// Runs an action before a question with that text reaches the inner prompter, which answers it.
class ActingPrompter : public ui::Prompter {
 public:
  explicit ActingPrompter(ui::Prompter& inner);
  ~ActingPrompter() override;
  void When(std::string text, std::function<void()> action);
  int AskMessageBox(const ui::MessageBoxRequest& request) override;
  std::optional<std::string> AskFile(const ui::FileDialogRequest& request) override { return inner_.AskFile(request); }
  std::optional<std::string> AskFolder(const ui::FolderRequest& request) override { return inner_.AskFolder(request); }

 private:
  ui::Prompter& inner_;
  ui::Prompter* previous_ = nullptr;
  std::vector<std::pair<std::string, std::function<void()>>> actions_;
};

class PageRunTest : public OperationProgramTest {
 protected:
  // Opens the page of the Tools button for the row and runs the action on the page window, then
  // closes the sheet and the program.
  void OnPage(int toolButton, int pageTemplate, int row, std::function<void(ui::HWND page)> action);
};

}  // namespace tarnlok::test_support
