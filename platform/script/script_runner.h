// Runs a script's steps against the program's own windows and the machine: a step runs
// whenever the program waits for input, in whichever loop waits (the main window's, a modal
// dialog's, a running operation's pump), and message boxes, prompts and file dialogs take the
// answers the script queued. Each box and prompt shown is written to standard output as
// "message: <text> -> <reply>"; a step that fails ends the process with status 1 and
// "script: line N: <why>" on standard error.
#pragma once

#include "platform/script/script.h"
#include "platform/ui/dialogs/prompter.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace machine {
class Machine;
class MachinePanel;
}  // namespace machine

namespace script {

// A dialog that asks as a message box does (the error prompt of a run): the control that shows
// its text and the button that gives each answer.
struct PromptDialog {
  int templateId = 0;
  int textControl = 0;
  std::vector<std::pair<Answer, int>> buttons;
};

// What the runner needs to know of the program it drives.
struct Program {
  int deviceList = 0;  // the main window's device list
  std::function<bool()> operationRuns;  // a backup, restore, ... is under way
  std::vector<PromptDialog> prompts;
  machine::Machine* machine = nullptr;
  machine::MachinePanel* panel = nullptr;  // shows card changes, as after its own buttons
  // Receives "script: line N: <why>" when the run fails and must not return; without one the
  // text goes to standard error and the process ends with status 1 at once.
  std::function<void(const std::string&)> failed;
};

class ScriptRunner final : public ui::Prompter {
 public:
  // Installs itself (idle handler, pump hook, modal start hook, prompter, exit hook) for its
  // lifetime.
  ScriptRunner(std::vector<Step> steps, Program program);
  ~ScriptRunner() override;
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // The process's exit status once the program's run has returned: a failure (which does not
  // return) when steps are left.
  int Finish(int exitCode);

  int AskMessageBox(const ui::MessageBoxRequest& request) override;
  std::optional<std::string> AskFile(const ui::FileDialogRequest& request) override;
  std::optional<std::string> AskFolder(const ui::FolderRequest& request) override;

 private:
  struct Queued {
    int line = 0;
    Answer answer = Answer::OK;
    std::string text;
  };
  struct OpenPrompt {
    ui::HWND dialog = nullptr;
    const PromptDialog* prompt = nullptr;
    std::string text;
  };

  void OnIdle();
  void OnEmptyPeek();
  static void OnModalStart(ui::HWND dialog, int templateId, void* context);
  static void OnExit(ui::UINT code);

  void RunNext();
  void Execute(const Step& step);
  void ExecuteCard(const Step& step);
  void ExecuteReply(const Step& step);
  // True once a wait step holds; fails it when a prompt waits unanswered or time is up.
  bool WaitHolds(const Step& step);
  // A message box or file dialog waits: steps that can act then run until one answers it.
  void RunStepInsideBox(const std::string& what);

  std::optional<OpenPrompt> PromptOnShow() const;
  void AnswerPrompt(const OpenPrompt& open, const Queued& reply);
  const Queued& CheckedReply(const Queued& reply, const std::string& what, const std::string& text) const;
  int LastLine() const;
  [[noreturn]] void Fail(int line, const std::string& why) const;

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  Program program_;
  std::deque<Queued> replies_;
  std::deque<Queued> files_;
  std::deque<Queued> folders_;
  int boxesOpen_ = 0;
  bool stepRunning_ = false;
  std::optional<std::chrono::steady_clock::time_point> waitStarted_;
  // The topmost modal dialog when the wait began: one opened since ends the wait.
  ui::HWND waitModal_ = nullptr;
  ui::Prompter* previousPrompter_ = nullptr;
};

// Writes a box's text as one line: line breaks become "\n".
std::string OneLine(const std::string& text);

}  // namespace script
