#include "platform/ui/windows/win_app.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/testing/test_driver.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

// A program that shows its main window, runs one dialog owned by it, and ends.
class Program : public CWinApp {
 public:
  BOOL InitInstance() override {
    main.Create(1001);
    m_pMainWnd = &main;
    CDialog notes(1002);
    notes.DoModal();
    return win::FALSE;
  }
  int ExitInstance() override { return 7; }
  CDialog main;
};

TEST(Application, AfxWinMainRunsTheProgramsObjectAndItsMainWindowOwnsDialogs) {
  RegisterDialogTemplateText(nullptr,
                             "DIALOG 1001 0 0 100 50\nSTYLE POPUP VISIBLE\nDIALOG 1002 0 0 50 20\nSTYLE POPUP\n");
  TestDriver driver;
  Program program;
  std::vector<bool> mainEnabled;
  driver.OnDialog(1002, [&](HWND) {
    mainEnabled.push_back(program.main.IsWindowEnabled() != 0);
    driver.Escape();
  });
  EXPECT_EQ(AfxGetApp(), &program);
  EXPECT_EQ(AfxWinMain(), 7) << "InitInstance answered FALSE: the exit code is ExitInstance's";
  EXPECT_EQ(mainEnabled, std::vector<bool>{false}) << "a dialog without a parent is owned by the main window";
  EXPECT_EQ(AfxGetMainWnd(), &program.main);
}

TEST(Application, AfxMessageBoxTakesTheStringTableAndTheProgramsName) {
  ScriptedPrompter prompter([](const std::string& what) { ADD_FAILURE() << what; });
  prompter.AnswerMessageBox(IDNO, "Do you want to cancel the current operation?").AnswerMessageBox(IDOK, "plain");
  EXPECT_EQ(AfxMessageBox(1075, MB_YESNO | MB_ICONQUESTION), IDNO);
  EXPECT_EQ(AfxMessageBox("plain"), IDOK);
  EXPECT_EQ(prompter.Asked()[0].caption, "Tarnlok") << "the program's file name without its extension";
  EXPECT_EQ(prompter.Asked()[0].type, MB_YESNO | MB_ICONQUESTION);
}

// The machine's panel stands for a window of no owner: a box never belongs to it.
TEST(Application, MessageBoxesBelongToTheMainWindowOrTheWindowInFrontOfIt) {
  RegisterDialogTemplateText(nullptr, "DIALOG 1003 0 0 100 50\nSTYLE POPUP VISIBLE\n");
  const auto popup = [](HWND owner) {
    return CreateWindowExA(0, kDialogClass, "", WS_POPUP, 0, 0, 10, 10, owner, nullptr, nullptr, nullptr);
  };
  const HWND panel = popup(nullptr);
  SetActiveWindow(panel);
  EXPECT_EQ(MessageBoxOwner(), panel) << "no main window yet: the active window";
  CWinApp program;
  CDialog main;
  main.Create(1003);
  program.m_pMainWnd = &main;
  const HWND inFront = popup(main.m_hWnd);
  const HWND overThat = popup(inFront);
  SetActiveWindow(main.m_hWnd);
  EXPECT_EQ(MessageBoxOwner(), main.m_hWnd);
  SetActiveWindow(overThat);
  EXPECT_EQ(MessageBoxOwner(), overThat);
  SetActiveWindow(panel);
  EXPECT_EQ(MessageBoxOwner(), main.m_hWnd);
  ScriptedPrompter prompter([](const std::string& what) { ADD_FAILURE() << what; });
  prompter.AnswerMessageBox(IDOK, "in front");
  SetActiveWindow(inFront);
  AfxMessageBox("in front");
  EXPECT_EQ(prompter.Asked()[0].owner, inFront);
  for (const HWND window : {overThat, inFront, panel}) DestroyWindow(window);
  program.m_pMainWnd = nullptr;
}

}  // namespace
}  // namespace ui
