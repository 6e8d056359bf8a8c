// The script's answers: message boxes and file and folder dialogs through the prompter, and
// the dialogs that ask as a message box does (the error prompt), by clicking their buttons.
#include "platform/script/script_runner.h"

#include "platform/script/window_steps.h"
#include "platform/ui/controls/control_input.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/paths.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace script {
namespace {

constexpr std::array<std::pair<Answer, int>, 7> kBoxResults{{
    {Answer::OK, ui::IDOK},
    {Answer::Cancel, ui::IDCANCEL},
    {Answer::Abort, ui::IDABORT},
    {Answer::Retry, ui::IDRETRY},
    {Answer::Ignore, ui::IDIGNORE},
    {Answer::Yes, ui::IDYES},
    {Answer::No, ui::IDNO},
}};

std::optional<int> BoxResult(Answer answer) {
  for (const auto& [name, result] : kBoxResults) {
    if (name == answer) return result;
  }
  return std::nullopt;
}

void PrintMessage(const std::string& text, Answer answer) {
  std::printf("message: %s -> %s\n", OneLine(text).c_str(), std::string(AnswerName(answer)).c_str());
  std::fflush(stdout);
}

// A file or folder answer as the dialogs hand it to the program: a Windows path.
std::string WindowsPath(const std::string& path) { return path.starts_with('/') ? win::WindowsPathOfHost(path) : path; }

bool ActsInsideBox(Verb verb) {
  switch (verb) {
    case Verb::Reply:
    case Verb::File:
    case Verb::Folder:
    case Verb::CardInsert:
    case Verb::CardRemove:
    case Verb::CardSwap:
    case Verb::CardProtect: return true;
    default: return false;
  }
}

std::string DialogText(ui::HWND dialog, int control) {
  std::array<char, 1024> text{};
  ui::GetDlgItemTextA(dialog, control, text.data(), static_cast<int>(text.size()));
  return text.data();
}

}  // namespace

void ScriptRunner::RunStepInsideBox(const std::string& what) {
  if (next_ == steps_.size()) Fail(LastLine(), what + " has no reply and no step is left");
  // A wait ends at a box that the steps after it act in (a card swapped while a run asks for it).
  if (steps_[next_].verb == Verb::Wait && next_ + 1 < steps_.size() && ActsInsideBox(steps_[next_ + 1].verb)) {
    waitStarted_.reset();
    ++next_;
  }
  const Step& step = steps_[next_];
  if (!ActsInsideBox(step.verb)) Fail(step.line, what + " waits for a reply");
  RunNext();
}

const ScriptRunner::Queued& ScriptRunner::CheckedReply(const Queued& reply, const std::string& what,
                                                       const std::string& text) const {
  if (text.find(reply.text) == std::string::npos) Fail(reply.line, what + " says \"" + OneLine(text) + "\"");
  return reply;
}

int ScriptRunner::AskMessageBox(const ui::MessageBoxRequest& request) {
  const std::string what = "the message box \"" + OneLine(request.text) + "\"";
  ++boxesOpen_;
  while (replies_.empty()) RunStepInsideBox(what);
  --boxesOpen_;
  const Queued reply = replies_.front();
  replies_.pop_front();
  CheckedReply(reply, what, request.text);
  const auto buttons = ui::MessageBoxButtons(request.type);
  const auto result = BoxResult(reply.answer);
  if (!result || std::find(buttons.begin(), buttons.end(), *result) == buttons.end()) {
    Fail(reply.line, what + " has no " + std::string(AnswerName(reply.answer)) + " button");
  }
  PrintMessage(request.text, reply.answer);
  return *result;
}

std::optional<std::string> ScriptRunner::AskFile(const ui::FileDialogRequest& request) {
  ++boxesOpen_;
  while (files_.empty()) RunStepInsideBox("the file dialog \"" + request.title + "\"");
  --boxesOpen_;
  const std::string path = files_.front().text;
  files_.pop_front();
  return WindowsPath(path);
}

std::optional<std::string> ScriptRunner::AskFolder(const ui::FolderRequest& request) {
  ++boxesOpen_;
  while (folders_.empty()) RunStepInsideBox("the folder browser \"" + request.title + "\"");
  --boxesOpen_;
  const std::string path = folders_.front().text;
  folders_.pop_front();
  return WindowsPath(path);
}

std::optional<ScriptRunner::OpenPrompt> ScriptRunner::PromptOnShow() const {
  const ui::HWND modal = ui::CurrentModalDialog();
  if (modal == nullptr || ui::DialogEnded(modal)) return std::nullopt;
  const int templateId = ui::DialogTemplateId(modal);
  for (const PromptDialog& prompt : program_.prompts) {
    if (prompt.templateId == templateId) return OpenPrompt{modal, &prompt, DialogText(modal, prompt.textControl)};
  }
  return std::nullopt;
}

void ScriptRunner::AnswerPrompt(const OpenPrompt& open, const Queued& reply) {
  const std::string what = "the prompt \"" + OneLine(open.text) + "\"";
  CheckedReply(reply, what, open.text);
  const auto& buttons = open.prompt->buttons;
  const auto button =
      std::find_if(buttons.begin(), buttons.end(), [&](const auto& b) { return b.first == reply.answer; });
  if (button == buttons.end()) Fail(reply.line, what + " has no " + std::string(AnswerName(reply.answer)) + " button");
  PrintMessage(open.text, reply.answer);
  if (!ui::ClickControl(ui::GetDlgItem(open.dialog, button->second))) {
    Fail(reply.line, "the " + std::string(AnswerName(reply.answer)) + " button of " + what + " cannot be clicked");
  }
}

void ScriptRunner::ExecuteReply(const Step& step) {
  const Queued reply{step.line, step.answer, step.text};
  if (boxesOpen_ == 0 && replies_.empty()) {
    if (const auto open = PromptOnShow()) return AnswerPrompt(*open, reply);
  }
  replies_.push_back(reply);
}

void ScriptRunner::OnModalStart(ui::HWND, int, void* context) {
  auto& runner = *static_cast<ScriptRunner*>(context);
  if (runner.replies_.empty()) return;
  if (const auto open = runner.PromptOnShow()) {
    const Queued reply = runner.replies_.front();
    runner.replies_.pop_front();
    runner.AnswerPrompt(*open, reply);
  }
}

}  // namespace script
