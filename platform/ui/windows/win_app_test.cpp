#include "platform/ui/windows/win_app.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
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

}  // namespace
}  // namespace ui
