#include "platform/ui/dialogs/prompter.h"

#include "platform/ui/dialogs/desktop_prompter.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/window_api.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace ui {
namespace {

Prompter*& Installed() {
  static Prompter* installed = nullptr;
  return installed;
}

const char* KindName(ScriptedPrompter::Kind kind) {
  switch (kind) {
    case ScriptedPrompter::Kind::MessageBox: return "message box";
    case ScriptedPrompter::Kind::File: return "file dialog";
    case ScriptedPrompter::Kind::Folder: return "folder browser";
    case ScriptedPrompter::Kind::Colour: return "colour dialog";
  }
  return "question";
}

// The answer that commits to least, for a question nobody scripted: Cancel, else No, else Abort.
int RefusingAnswer(const std::vector<int>& buttons) {
  for (int refusal : {IDCANCEL, IDNO, IDABORT}) {
    if (std::find(buttons.begin(), buttons.end(), refusal) != buttons.end()) return refusal;
  }
  return buttons.front();
}

}  // namespace

Prompter& CurrentPrompter() {
  if (Installed() != nullptr) return *Installed();
  static DesktopPrompter desktop;
  return desktop;
}

Prompter* InstallPrompter(Prompter* prompter) { return std::exchange(Installed(), prompter); }

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

int DefaultButton(UINT type) {
  const auto buttons = MessageBoxButtons(type);
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0];
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  // The box takes the mouse: a window that followed it (a link lit while the pointer is over
  // it) would otherwise take the next click meant for another control.
  ReleaseCapture();
  MessageBoxRequest request;
  request.owner = owner;
  request.text = text != nullptr ? text : "";
  request.caption = caption != nullptr ? caption : "Error";
  request.type = type;
  return CurrentPrompter().AskMessageBox(request);
}

BOOL MessageBeep(UINT) { return win::TRUE; }

ScriptedPrompter::ScriptedPrompter(FailureHandler onUnexpected)
    : onUnexpected_(std::move(onUnexpected)), previous_(InstallPrompter(this)) {}

ScriptedPrompter::~ScriptedPrompter() { InstallPrompter(previous_); }

ScriptedPrompter& ScriptedPrompter::AnswerMessageBox(int answer, std::string expectedText) {
  script_.push_back(Answer{Kind::MessageBox, answer, std::nullopt, std::move(expectedText), std::nullopt});
  return *this;
}

ScriptedPrompter& ScriptedPrompter::AnswerFile(std::optional<std::string> path) {
  script_.push_back(Answer{Kind::File, 0, std::move(path), {}, std::nullopt});
  return *this;
}

ScriptedPrompter& ScriptedPrompter::AnswerFolder(std::optional<std::string> folder) {
  script_.push_back(Answer{Kind::Folder, 0, std::move(folder), {}, std::nullopt});
  return *this;
}

void ScriptedPrompter::Unexpected(const std::string& what) {
  if (onUnexpected_) {
    onUnexpected_(what);
    return;
  }
  std::fprintf(stderr, "unexpected question: %s\n", what.c_str());
  std::abort();
}

std::optional<ScriptedPrompter::Answer> ScriptedPrompter::Next(Kind kind, const std::string& text) {
  if (script_.empty()) {
    Unexpected(std::string("no answer scripted for the ") + KindName(kind) + " \"" + text + "\"");
    return std::nullopt;
  }
  if (script_.front().kind != kind) {
    Unexpected(std::string("a ") + KindName(script_.front().kind) + " was scripted, but a " + KindName(kind) +
               " asks \"" + text + "\"");
    return std::nullopt;
  }
  Answer answer = script_.front();
  script_.pop_front();
  if (!answer.expectedText.empty() && text.find(answer.expectedText) == std::string::npos) {
    Unexpected("expected a " + std::string(KindName(kind)) + " with \"" + answer.expectedText + "\", got \"" + text +
               "\"");
  }
  return answer;
}

int ScriptedPrompter::AskMessageBox(const MessageBoxRequest& request) {
  asked_.push_back(Question{Kind::MessageBox, request.text, request.caption, request.type, {}, {}, 0, request.owner});
  const auto answer = Next(Kind::MessageBox, request.text);
  const auto buttons = MessageBoxButtons(request.type);
  const int fallback = RefusingAnswer(buttons);
  if (!answer) return fallback;
  if (std::find(buttons.begin(), buttons.end(), answer->button) == buttons.end()) {
    Unexpected("the answer " + std::to_string(answer->button) + " is not a button of the box \"" + request.text + "\"");
    return fallback;
  }
  return answer->button;
}

std::optional<std::string> ScriptedPrompter::AskFile(const FileDialogRequest& request) {
  asked_.push_back(Question{Kind::File, request.title, {}, 0, request.fileName, request.initialFolder, request.flags});
  const auto answer = Next(Kind::File, request.title);
  return answer ? answer->path : std::nullopt;
}

std::optional<std::string> ScriptedPrompter::AskFolder(const FolderRequest& request) {
  asked_.push_back(Question{Kind::Folder, request.title, {}, 0, request.status, {}, 0});
  const auto answer = Next(Kind::Folder, request.title);
  return answer ? answer->path : std::nullopt;
}

ScriptedPrompter& ScriptedPrompter::AnswerColour(std::optional<COLORREF> colour) {
  script_.push_back(Answer{Kind::Colour, 0, std::nullopt, {}, colour});
  return *this;
}

std::optional<COLORREF> ScriptedPrompter::AskColour(const ColourRequest& request) {
  const std::string text = "RGB(" + std::to_string(GetRValue(request.initial)) + ", " +
                           std::to_string(GetGValue(request.initial)) + ", " +
                           std::to_string(GetBValue(request.initial)) + ")";
  asked_.push_back(Question{Kind::Colour, text, {}, 0, {}, {}, request.flags});
  const auto answer = Next(Kind::Colour, text);
  return answer ? answer->colour : std::nullopt;
}

}  // namespace ui
