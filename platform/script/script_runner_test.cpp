// The runner against a bench of controls: each window step acts as a person's input would,
// boxes, prompts and file dialogs take the queued answers, steps run inside an operation's
// pump, and each failure names its line. The program's own device list, pages and cards are
// proven on the real program (tests/scripts).
#include "platform/script/script_runner.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/win_app.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <string>

namespace script {
namespace {

constexpr const char* kTemplates = R"(
DIALOG 600 0 0 260 130
STYLE POPUP CAPTION SYSMENU
CAPTION "Bench"
FONT 8 "MS Sans Serif"
CONTROL 10 BUTTON "Ask" 5 5 40 14 PUSHBUTTON TABSTOP
CONTROL 11 BUTTON "Open" 50 5 40 14 PUSHBUTTON TABSTOP
CONTROL 12 BUTTON "Run" 95 5 40 14 PUSHBUTTON TABSTOP
CONTROL 13 BUTTON "Stop" 140 5 40 14 PUSHBUTTON TABSTOP
CONTROL 17 BUTTON "Prompt" 185 5 40 14 PUSHBUTTON TABSTOP
CONTROL 14 BUTTON "Keep" 5 25 60 10 AUTOCHECKBOX TABSTOP
CONTROL 15 BUTTON "One" 70 25 40 10 AUTORADIOBUTTON TABSTOP GROUP
CONTROL 16 BUTTON "Two" 115 25 40 10 AUTORADIOBUTTON
CONTROL 18 BUTTON "Child" 185 25 40 14 PUSHBUTTON TABSTOP GROUP
CONTROL 19 BUTTON "Off" 5 40 40 14 PUSHBUTTON TABSTOP DISABLED
CONTROL 23 BUTTON "Ghost" 50 40 40 14 PUSHBUTTON HIDDEN
CONTROL 20 EDIT "start" 5 60 120 12 TABSTOP BORDER
CONTROL 21 LISTBOX "" 130 60 60 40 NOTIFY TABSTOP BORDER
CONTROL 22 STATIC "" 5 80 120 10 LEFT

DIALOG 601 0 0 120 60
STYLE POPUP CAPTION
CAPTION "Child"
FONT 8 "MS Sans Serif"
CONTROL 30 EDIT "" 5 5 100 12 TABSTOP BORDER
CONTROL 2 BUTTON "Close" 5 30 40 14 PUSHBUTTON TABSTOP

DIALOG 602 0 0 230 50
STYLE POPUP CAPTION
CAPTION "Prompt"
FONT 8 "MS Sans Serif"
CONTROL 40 STATIC "Unable to read from the media." 5 5 220 12 LEFT
CONTROL 4 BUTTON "&Abort" 5 30 50 14 PUSHBUTTON TABSTOP
CONTROL 1130 BUTTON "&Retry" 60 30 50 14 DEFPUSHBUTTON TABSTOP
CONTROL 1131 BUTTON "&Ignore" 115 30 50 14 PUSHBUTTON TABSTOP
CONTROL 3 BUTTON "I&gnore All" 170 30 50 14 PUSHBUTTON TABSTOP
)";

// The error prompt's way: a button stores its answer and ends the dialog.
class Prompt : public ui::CDialog {
 public:
  Prompt() : CDialog(602) {}
  const ui::MessageMap& GetMessageMap() const override {
    static const ui::MessageMap map(&CDialog::GetMessageMap(), {
                                                                   ui::OnCommand(4, &Prompt::Abort),
                                                                   ui::OnCommand(1130, &Prompt::Retry),
                                                                   ui::OnCommand(1131, &Prompt::Ignore),
                                                                   ui::OnCommand(3, &Prompt::IgnoreAll),
                                                               });
    return map;
  }
  std::string answer;

 private:
  void Abort() { Answer("Abort"); }
  void Retry() { Answer("Retry"); }
  void Ignore() { Answer("Ignore"); }
  void IgnoreAll() { Answer("IgnoreAll"); }
  void Answer(const char* name) {
    answer = name;
    EndDialog(ui::IDOK);
  }
};

class Bench : public ui::CDialog {
 public:
  Bench() : CDialog(600) {}
  const ui::MessageMap& GetMessageMap() const override {
    static const ui::MessageMap map(&CDialog::GetMessageMap(),
                                    {
                                        ui::OnCommand(10, &Bench::Ask),
                                        ui::OnCommand(11, &Bench::Open),
                                        ui::OnCommand(12, &Bench::Run),
                                        ui::OnCommand(13, &Bench::Stop),
                                        ui::OnCommand(17, &Bench::ShowPrompt),
                                        ui::OnCommand(18, &Bench::Child),
                                        ui::OnControl(ui::EN_CHANGE, 20, &Bench::OnEditChange),
                                        ui::OnControl(ui::LBN_SELCHANGE, 21, &Bench::OnRowChange),
                                        ui::OnControl(ui::BN_CLICKED, 14, &Bench::OnKeep),
                                        ui::OnControl(ui::BN_CLICKED, 15, &Bench::OnOne),
                                        ui::OnControl(ui::BN_CLICKED, 16, &Bench::OnTwo),
                                    });
    return map;
  }
  ui::BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    for (const char* row : {"a", "b", "c"})
      ui::SendDlgItemMessageA(m_hWnd, 21, ui::LB_ADDSTRING, 0, reinterpret_cast<ui::LPARAM>(row));
    return win::TRUE;
  }

  // What the controls told the bench.
  bool busy = false;
  int pumpLimit = 200;
  int edits = 0;
  std::string editText;
  int selectedRow = -1;
  bool keep = false;
  int radio = 0;
  std::intptr_t childResult = 0;
  std::string shown;

 private:
  void Show(const std::string& text) {
    shown = text;
    SetDlgItemText(22, text);
  }
  void Ask() { Show(MessageBox("Keep going?\r\nReally", "Bench", ui::MB_YESNO) == ui::IDYES ? "yes" : "no"); }
  void Open() {
    const auto file = ui::CurrentPrompter().AskFile(ui::FileDialogRequest{});
    const auto folder = ui::CurrentPrompter().AskFolder(ui::FolderRequest{});
    Show(file.value_or("-") + "|" + folder.value_or("-"));
  }
  // A run that pumps the bench's messages between its blocks, as the operations do.
  void Run() {
    busy = true;
    stop_ = false;
    for (int pumps = 0; pumps < pumpLimit && !stop_; ++pumps) {
      ui::MSG msg;
      while (ui::PeekMessage(&msg, m_hWnd, 0, 0, ui::PM_REMOVE)) {
        ui::TranslateMessage(&msg);
        ui::DispatchMessage(&msg);
      }
    }
    busy = false;
    Show(stop_ ? "stopped" : "finished");
  }
  void Stop() { stop_ = true; }
  void ShowPrompt() {
    Prompt prompt;
    prompt.DoModal();
    Show(prompt.answer);
  }
  void Child() {
    CDialog child(601, this);
    childResult = child.DoModal();
  }
  void OnEditChange() {
    ++edits;
    editText = GetDlgItemText(20);
  }
  void OnRowChange() { selectedRow = static_cast<int>(ui::SendDlgItemMessageA(m_hWnd, 21, ui::LB_GETCURSEL, 0, 0)); }
  void OnKeep() { keep = IsDlgButtonChecked(14) == ui::BST_CHECKED; }
  void OnOne() { radio = 15; }
  void OnTwo() { radio = 16; }
  bool stop_ = false;
};

struct ScriptFailed {
  std::string text;
};

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::RegisterDialogTemplateText(nullptr, kTemplates);
    app_.m_pMainWnd = &bench;
  }
  void TearDown() override { app_.m_pMainWnd = nullptr; }

  // Runs the bench under the script; answers the failure text, empty when every step held.
  std::string Run(std::string_view text) {
    Program program;
    program.operationRuns = [this] { return bench.busy; };
    program.prompts = {PromptDialog{
        602, 40, {{Answer::Abort, 4}, {Answer::Retry, 1130}, {Answer::Ignore, 1131}, {Answer::IgnoreAll, 3}}}};
    program.failed = [](const std::string& failure) { throw ScriptFailed{failure}; };
    ::testing::internal::CaptureStdout();
    std::string failure;
    try {
      ScriptRunner runner(ParseScript(text), std::move(program));
      bench.DoModal();
      runner.Finish(0);
    } catch (const ScriptFailed& failed) {
      failure = failed.text;
    }
    output = ::testing::internal::GetCapturedStdout();
    return failure;
  }

  Bench bench;
  std::string output;

 private:
  ui::CWinApp app_;
};

TEST_F(Runner, WindowStepsActAsClicksAndTyping) {
  EXPECT_EQ(Run("check 14\ncheck 16\ncheck 16\ntext 20 new words\nselect 21 2\nexpect 20 new words\n"
                "press 18\ntext 30 inner\nexpect 30 inner\nclose\ntext 20\nquit\n"),
            "");
  EXPECT_TRUE(bench.keep);
  EXPECT_EQ(bench.radio, 16);
  EXPECT_EQ(bench.selectedRow, 2);
  EXPECT_EQ(bench.editText, "") << "an empty text empties the edit";
  EXPECT_GE(bench.edits, 2) << "typing tells the dialog";
  EXPECT_EQ(bench.childResult, ui::IDCANCEL) << "close ends the child as its Close button does";
}

TEST_F(Runner, TextReplacesWhatTheEditHeld) {
  EXPECT_EQ(Run("text 20 Z:\\my card.FMB\nexpect 20 Z:\\my card.FMB\nuncheck 14\nquit\n"), "");
  EXPECT_EQ(bench.editText, "Z:\\my card.FMB");
  EXPECT_FALSE(bench.keep);
}

TEST_F(Runner, BoxesTakeTheQueuedRepliesAndAreWrittenOut) {
  EXPECT_EQ(Run("reply No Keep going\npress 10\nexpect 22 no\npress 10\nreply Yes Really\nexpect 22 yes\nquit\n"), "");
  EXPECT_EQ(output, "message: Keep going?\\nReally -> No\nmessage: Keep going?\\nReally -> Yes\n");
}

TEST_F(Runner, FileAndFolderDialogsTakeWindowsPaths) {
  EXPECT_EQ(Run("file /tmp/my card.FMB\nfolder Z:\\out\npress 11\nquit\n"), "");
  EXPECT_EQ(bench.shown, "Z:\\tmp\\my card.FMB|Z:\\out");
}

TEST_F(Runner, StepsRunInsideARunningOperationsPumpAndWaitForItsEnd) {
  bench.pumpLimit = 1000000;
  EXPECT_EQ(Run("press 12\npress 13\nwait\nexpect 22 stopped\nquit\n"), "") << "Stop pressed while the run pumps";
}

TEST_F(Runner, WaitReturnsWhenTheOperationEnds) { EXPECT_EQ(Run("press 12\nwait 60\nexpect 22 finished\nquit\n"), ""); }

TEST_F(Runner, PromptDialogsTakeRepliesQueuedOrGivenWhileTheyWait) {
  EXPECT_EQ(Run("reply IgnoreAll Unable to read\npress 17\nexpect 22 IgnoreAll\npress 17\nreply Retry\n"
                "expect 22 Retry\nquit\n"),
            "");
  EXPECT_EQ(output,
            "message: Unable to read from the media. -> IgnoreAll\nmessage: Unable to read from the media. -> Retry\n");
}

struct Refusal {
  const char* name;
  const char* script;
  const char* failure;
  int pumpLimit = 200;
};

void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }

std::string RefusalName(const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; }

class Refusals : public Runner, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, FailTheRunNamingTheLine) {
  bench.pumpLimit = GetParam().pumpLimit;
  EXPECT_EQ(Run(GetParam().script), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Refusals,
    ::testing::Values(
        Refusal{"Disabled", "press 19\n", "script: line 1: control 19 is disabled"},
        Refusal{"Hidden", "press 23\n", "script: line 1: control 23 is hidden"},
        Refusal{"Missing", "press 99\n", "script: line 1: control 99 is not in dialog 600 \"Bench\""},
        Refusal{"RadioUnchecked", "check 15\nuncheck 15\n",
                "script: line 2: a click does not uncheck the radio button 15"},
        Refusal{"CheckOnAPushButton", "check 10\n", "script: line 1: control 10 is no check box or radio button"},
        Refusal{"TextOnAStatic", "text 22 x\n", "script: line 1: control 22 is no edit"},
        Refusal{"RowPastTheEnd", "select 21 5\n", "script: line 1: control 21 has 3 rows, no row 5"},
        Refusal{"ExpectedTextMissing", "expect 20 finish\n", "script: line 1: control 20 shows \"start\""},
        Refusal{"NoSuchPage", "tab Nowhere\n", "script: line 1: no page has the caption \"Nowhere\""},
        Refusal{"CloseWithoutADialog", "close\n", "script: line 1: no dialog is open (quit closes the main window)"},
        Refusal{"QuitUnderADialog", "press 18\nquit\n",
                "script: line 2: the main window is disabled (dialog 601 \"Child\" has the input)"},
        Refusal{"EndedEarly", "quit\npress 10\n", "script: line 2: the program ended before this step"},
        Refusal{"NoStepLeft", "press 14\n", "script: line 1: the program waits for input and no step is left"}),
    RefusalName);

INSTANTIATE_TEST_SUITE_P(
    Answers, Refusals,
    ::testing::Values(
        Refusal{"BoxWithoutReply", "press 10\n",
                "script: line 1: the message box \"Keep going?\\nReally\" has no reply and no step is left"},
        Refusal{"StepInsideABox", "press 10\nexpect 22 x\n",
                "script: line 2: the message box \"Keep going?\\nReally\" waits for a reply"},
        Refusal{"ButtonNotOffered", "press 10\nreply OK\n",
                "script: line 2: the message box \"Keep going?\\nReally\" has no OK button"},
        Refusal{"OtherBoxText", "reply No Backup\npress 10\n",
                "script: line 1: the message box \"Keep going?\\nReally\" says \"Keep going?\\nReally\""},
        Refusal{"FileDialogWithoutAnswer", "press 11\n",
                "script: line 1: the file dialog \"\" has no reply and no step is left"},
        Refusal{"WaitOnAnOpenPrompt", "press 17\nwait\n",
                "script: line 2: the prompt \"Unable to read from the media.\" has no reply"},
        Refusal{"PromptButtonNotOffered", "reply Yes\npress 17\n",
                "script: line 1: the prompt \"Unable to read from the media.\" has no Yes button"},
        Refusal{"WaitTimesOut", "press 12\nwait 0.2\n", "script: line 2: an operation still runs after 0.2 seconds",
                100000000}),
    RefusalName);

}  // namespace
}  // namespace script
