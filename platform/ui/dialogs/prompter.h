// Every message box, file dialog and folder browser goes through the prompter: on the desktop
// the Qt dialogs, in tests a scripted prompter that answers in order, records every text and
// fails the test on a question it was not told to expect.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
};

// The open dialog takes only a file that exists (else any name may be typed).
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

struct FileDialogRequest {
  bool save = false;
  HWND owner = nullptr;
  std::string title;
  std::string fileName;  // initial name, for example "*.FMB"
  std::string defaultExtension;  // without the dot
  std::string filter;  // pairs of description and patterns separated by '|'
  std::string initialFolder;  // a Windows path
  DWORD flags = 0;
};

struct FolderRequest {
  HWND owner = nullptr;
  std::string title;
  std::string status;
  std::string initialFolder;
};

struct ColourRequest {
  HWND owner = nullptr;
  COLORREF initial = 0;
  DWORD flags = 0;  // CC_ flags of colour_dialog.h
};

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Answers IDOK, IDCANCEL, IDYES, ... as MessageBox does.
  virtual int AskMessageBox(const MessageBoxRequest& request) = 0;
  // A Windows path, or nothing when cancelled.
  virtual std::optional<std::string> AskFile(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> AskFolder(const FolderRequest& request) = 0;
  // The colour chosen, or nothing when cancelled; a prompter without a colour dialog cancels.
  virtual std::optional<COLORREF> AskColour(const ColourRequest&) { return std::nullopt; }
};

// The installed prompter; the desktop one when none is installed.
Prompter& CurrentPrompter();
// Installs a prompter for the process (null restores the desktop one); answers the previous.
Prompter* InstallPrompter(Prompter* prompter);

// The buttons a message box type offers, in order, and the one that is the default.
std::vector<int> MessageBoxButtons(UINT type);
int DefaultButton(UINT type);

class ScriptedPrompter final : public Prompter {
 public:
  enum class Kind { MessageBox, File, Folder, Colour };
  struct Question {
    Kind kind = Kind::MessageBox;
    std::string text;  // message text, file dialog title or folder title
    std::string caption;
    UINT type = 0;
    std::string status;  // folder browser status text, file dialog initial name
    std::string folder;  // file dialog initial folder
    DWORD flags = 0;  // file dialog flags
    HWND owner = nullptr;  // a message box's owner
  };
  // Receives a description of each unexpected question (which then gets Cancel, else No, else
  // Abort, else OK); the default handler aborts the process.
  using FailureHandler = std::function<void(const std::string&)>;

  // Installs itself for its lifetime and puts the previous prompter back when it ends.
  explicit ScriptedPrompter(FailureHandler onUnexpected = {});
  ~ScriptedPrompter() override;
  ScriptedPrompter(const ScriptedPrompter&) = delete;
  ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;

  // Answers the next message box; when expectedText is given the box's text must contain it.
  ScriptedPrompter& AnswerMessageBox(int answer, std::string expectedText = {});
  ScriptedPrompter& AnswerFile(std::optional<std::string> path);
  ScriptedPrompter& AnswerFolder(std::optional<std::string> folder);
  ScriptedPrompter& AnswerColour(std::optional<COLORREF> colour);

  int AskMessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> AskFile(const FileDialogRequest& request) override;
  std::optional<std::string> AskFolder(const FolderRequest& request) override;
  // Records the initial colour as the question's text ("RGB(r, g, b)").
  std::optional<COLORREF> AskColour(const ColourRequest& request) override;

  const std::vector<Question>& Asked() const { return asked_; }
  std::size_t Unanswered() const { return script_.size(); }

 private:
  struct Answer {
    Kind kind;
    int button = 0;
    std::optional<std::string> path;
    std::string expectedText;
    std::optional<COLORREF> colour;
  };
  std::optional<Answer> Next(Kind kind, const std::string& text);
  void Unexpected(const std::string& what);

  FailureHandler onUnexpected_;
  std::deque<Answer> script_;
  std::vector<Question> asked_;
  Prompter* previous_ = nullptr;
};

}  // namespace ui
