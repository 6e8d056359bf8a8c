#include "platform/script/script_runner.h"

#include "platform/script/window_steps.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/process_exit.h"
#include "platform/ui/windows/surface.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace script {
namespace {

ScriptRunner*& Running() {
  static ScriptRunner* running = nullptr;
  return running;
}

std::string WaitingLoop() {
  const ui::HWND modal = ui::CurrentModalDialog();
  return modal == nullptr ? std::string("its main loop") : "dialog " + std::to_string(ui::DialogTemplateId(modal));
}

// How long a wait sleeps at most between looks, while a timer of the program is due later.
constexpr std::uint64_t kLongestNap = 1000;

}  // namespace

std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n') {
      line += "\\n";
    } else {
      line += text[i];
    }
  }
  return line;
}

ScriptRunner::ScriptRunner(std::vector<Step> steps, Program program)
    : steps_(std::move(steps)), program_(std::move(program)), previousPrompter_(ui::InstallPrompter(this)) {
  Running() = this;
  ui::SetIdleHandler([this] {
    OnIdle();
    return true;
  });
  ui::SetEmptyPeekObserver([this] { OnEmptyPeek(); });
  ui::SetModalStartHook(&ScriptRunner::OnModalStart, this);
  ui::SetExitHook(&ScriptRunner::OnExit);
}

ScriptRunner::~ScriptRunner() {
  ui::SetExitHook(nullptr);
  ui::SetModalStartHook(nullptr, nullptr);
  ui::SetEmptyPeekObserver(nullptr);
  ui::SetIdleHandler(nullptr);
  ui::InstallPrompter(previousPrompter_);
  Running() = nullptr;
}

int ScriptRunner::Finish(int exitCode) {
  if (next_ < steps_.size()) Fail(steps_[next_].line, "the program ended before this step");
  return exitCode;
}

void ScriptRunner::OnExit(ui::UINT code) {
  ScriptRunner* runner = Running();
  if (runner != nullptr) runner->Finish(static_cast<int>(code));
}

int ScriptRunner::LastLine() const { return steps_.empty() ? 0 : steps_.back().line; }

void ScriptRunner::Fail(int line, const std::string& why) const {
  std::fflush(stdout);
  if (program_.failed) program_.failed(FailureText(line, why));
  std::fprintf(stderr, "%s\n", FailureText(line, why).c_str());
  std::fflush(stderr);
  // Nothing of the program may run on after a failed step: no handler, no destructor.
  std::_Exit(1);
}

void ScriptRunner::OnIdle() {
  if (next_ == steps_.size()) Fail(LastLine(), "the program waits for input and no step is left");
  const Step& step = steps_[next_];
  if (step.verb != Verb::Wait) return RunNext();
  if (WaitHolds(step)) return;
  // A dialog that the running operation opened waits for the steps after the wait.
  if (ui::CurrentModalDialog() != waitModal_) {
    waitStarted_.reset();
    ++next_;
    return;
  }
  // An operation runs and the loop has nothing to do: only the program's timers can move it on.
  const auto due = ui::NextTimerDue();
  if (!due) Fail(step.line, "the program waits for input in " + WaitingLoop() + " while an operation runs");
  const std::uint64_t now = ui::TimerClockNow();
  ui::WaitDesktopEvents(static_cast<int>(std::min(*due - std::min(*due, now), kLongestNap)));
}

void ScriptRunner::OnEmptyPeek() {
  if (stepRunning_ || boxesOpen_ > 0 || next_ == steps_.size() || !program_.operationRuns()) return;
  const Step& step = steps_[next_];
  if (step.verb == Verb::Wait) {
    WaitHolds(step);
    return;
  }
  RunNext();
}

bool ScriptRunner::WaitHolds(const Step& step) {
  const auto now = std::chrono::steady_clock::now();
  if (!waitStarted_) {
    waitStarted_ = now;
    waitModal_ = ui::CurrentModalDialog();
  }
  if (const auto open = PromptOnShow()) Fail(step.line, "the prompt \"" + OneLine(open->text) + "\" has no reply");
  if (!program_.operationRuns()) {
    waitStarted_.reset();
    ++next_;
    return true;
  }
  if (std::chrono::duration<double>(now - *waitStarted_).count() > step.seconds) {
    std::ostringstream seconds;
    seconds << step.seconds;
    Fail(step.line, "an operation still runs after " + seconds.str() + " seconds");
  }
  return false;
}

void ScriptRunner::RunNext() {
  const Step& step = steps_[next_++];
  stepRunning_ = true;
  try {
    Execute(step);
  } catch (const StepFailed& failed) {
    Fail(step.line, failed.why);
  }
  stepRunning_ = false;
}

void ScriptRunner::Execute(const Step& step) {
  switch (step.verb) {
    case Verb::Device: return SelectDevice(step.letter, program_.deviceList);
    case Verb::Tab: return ActivateTab(step.text);
    case Verb::Press: return Press(step.id);
    case Verb::Check: return SetCheck(step.id, true);
    case Verb::Uncheck: return SetCheck(step.id, false);
    case Verb::Text: return ReplaceText(step.id, step.text);
    case Verb::Select: return SelectRow(step.id, step.row);
    case Verb::Expect: return ExpectText(step.id, step.text);
    case Verb::Close: return CloseModal();
    case Verb::Quit: return QuitProgram();
    case Verb::Reply: return ExecuteReply(step);
    case Verb::File: return files_.push_back(Queued{step.line, Answer::OK, step.text});
    case Verb::Folder: return folders_.push_back(Queued{step.line, Answer::OK, step.text});
    case Verb::CardInsert:
    case Verb::CardRemove:
    case Verb::CardSwap:
    case Verb::CardProtect: return ExecuteCard(step);
    case Verb::Wait: return;
  }
}

}  // namespace script
