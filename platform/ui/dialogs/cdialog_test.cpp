#include "platform/ui/dialogs/cdialog.h"

#include "platform/ui/resources/accelerators.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/dialogs/dialog_template.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/controls/owner_draw.h"
#include "platform/ui/windows/process_exit.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace ui {
namespace {

// The format library's error prompt, as its resources describe it.
constexpr const char* kTemplates = R"(
DIALOG 1000 0 0 235 76
STYLE POPUP CAPTION SYSMENU MODALFRAME
CAPTION "Format"
FONT 8 "MS Sans Serif"
CONTROL 1004 STATIC "error text" 40 7 184 36 LEFT
CONTROL -1 STATIC "" 7 47 220 1 ETCHEDHORZ
CONTROL 1000 BUTTON "&Abort" 7 54 50 15 PUSHBUTTON TABSTOP
CONTROL 1001 BUTTON "&Retry" 64 54 50 15 DEFPUSHBUTTON TABSTOP
CONTROL 1002 BUTTON "&Ignore" 121 54 50 15 PUSHBUTTON TABSTOP
CONTROL 1003 BUTTON "I&gnore All" 178 54 50 15 PUSHBUTTON TABSTOP

DIALOG 2000 0 0 200 100
STYLE POPUP CAPTION
CAPTION "Owner"
CONTROL 1052 BUTTON "&Backup" 10 10 50 14 PUSHBUTTON TABSTOP
CONTROL 1053 BUTTON "&Cancel" 70 10 50 14 PUSHBUTTON TABSTOP
CONTROL 1060 BUTTON "" 10 40 50 14 OWNERDRAW TABSTOP
CONTROL 1061 STATIC "Label" 70 40 50 10 LEFT
CONTROL 2 BUTTON "Close" 130 10 50 14 PUSHBUTTON TABSTOP
)";

struct Dialogs : ::testing::Test {
  void SetUp() override { RegisterDialogTemplateText(nullptr, kTemplates); }
  TestDriver driver{[this](const std::string& what) { failures.push_back(what); }};
  std::vector<std::string> failures;
};

// The error prompt: stores its answer and ends with 0, as the library's does.
class ErrorPrompt : public CDialog {
 public:
  ErrorPrompt() : CDialog(1000) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {
                                                               OnCommand(1000, &ErrorPrompt::Abort),
                                                               OnCommand(1001, &ErrorPrompt::Retry),
                                                               OnCommand(1002, &ErrorPrompt::Ignore),
                                                               OnCommand(1003, &ErrorPrompt::IgnoreAll),
                                                           });
    return map;
  }
  void Abort() { Answer(1); }
  void Retry() { Answer(2); }
  void Ignore() { Answer(3); }
  void IgnoreAll() { Answer(4); }
  void Answer(int value) {
    answer = value;
    EndDialog(0);
  }
  int answer = 0;
};

TEST_F(Dialogs, ButtonsClickedByTheDriverReachTheirHandlers) {
  driver.OnDialog(1000, [this](HWND dialog) { EXPECT_TRUE(driver.Click(dialog, 1003)); });
  ErrorPrompt prompt;
  EXPECT_EQ(prompt.DoModal(), 0);
  EXPECT_EQ(prompt.answer, 4);
  EXPECT_TRUE(failures.empty());
}

TEST_F(Dialogs, EnterGoesToTheDefaultButtonAndEscapeCancelsWithoutAnswer) {
  driver.OnDialog(1000, [this](HWND dialog) {
    SetFocus(GetDlgItem(dialog, 1004));
    EXPECT_TRUE(driver.Enter());
  });
  ErrorPrompt retry;
  retry.DoModal();
  EXPECT_EQ(retry.answer, 2) << "with no push button focused, Enter goes to the default push button";

  driver.OnDialog(1000, [this](HWND) { driver.Escape(); });
  ErrorPrompt cancelled;
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.answer, 0);
}

TEST_F(Dialogs, InitialFocusIsTheFirstTabStop) {
  driver.OnDialog(1000, [this](HWND) {
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 1000);
    driver.Enter();
  });
  ErrorPrompt prompt;
  prompt.DoModal();
  EXPECT_EQ(prompt.answer, 1) << "Enter presses the focused push button";
}

TEST_F(Dialogs, EscapeDoesNothingWhileCancelIsDisabled) {
  driver.OnDialog(2000, [this](HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDCANCEL), win::FALSE);
    driver.Escape();
    driver.WhenIdle([dialog] { EnableWindow(GetDlgItem(dialog, IDCANCEL), win::TRUE); });
    driver.WhenIdle([this] { driver.Escape(); });
  });
  CDialog dialog(2000);
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(driver.Started(), std::vector<int>{2000});
}

TEST_F(Dialogs, EnterOnAFocusedPushButtonPressesThatButton) {
  driver.OnDialog(1000, [this](HWND dialog) {
    SetFocus(GetDlgItem(dialog, 1002));
    driver.Enter();
  });
  ErrorPrompt prompt;
  prompt.DoModal();
  EXPECT_EQ(prompt.answer, 3);
}

TEST_F(Dialogs, MnemonicsPressTheirButtonWithoutRegardToCase) {
  driver.OnDialog(1000, [](HWND dialog) { PostMessage(GetFocus() ? GetFocus() : dialog, WM_CHAR, 'G', 0); });
  ErrorPrompt prompt;
  prompt.DoModal();
  EXPECT_EQ(prompt.answer, 4);
}

TEST_F(Dialogs, TabSkipsDisabledControlsAndWraps) {
  std::vector<int> focused;
  driver.OnDialog(1000, [&](HWND dialog) {
    EnableWindow(GetDlgItem(dialog, 1001), win::FALSE);
    SetFocus(GetDlgItem(dialog, 1000));
    for (int i = 0; i < 3; ++i) {
      driver.WhenIdle([&] { driver.PressKey(VK_TAB); });
      driver.WhenIdle([&] { focused.push_back(GetDlgCtrlID(GetFocus())); });
    }
    driver.WhenIdle([this] { driver.Escape(); });
  });
  ErrorPrompt prompt;
  prompt.DoModal();
  EXPECT_EQ(focused, (std::vector<int>{1002, 1003, 1000}));
}

TEST_F(Dialogs, UnscriptedWaitIsReportedAndEndsTheDialog) {
  ErrorPrompt prompt;
  EXPECT_EQ(prompt.DoModal(), IDABORT);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("dialog 1000"), std::string::npos);
}

class Owner : public CDialog {
 public:
  Owner() : CDialog(2000) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {
                                                               OnCommand(1052, &Owner::BackupMedia),
                                                               OnCommand(1053, &Owner::RequestCancel),
                                                               OnMessage(WM_DRAWITEM, &Owner::OnDrawItem),
                                                               OnCtlColorMessage(&Owner::OnCtlColor),
                                                           });
    return map;
  }
  // Runs a long step that pumps its own messages between blocks, as the operation pages do.
  void BackupMedia() {
    running = true;
    for (blocks = 0; blocks < 100 && !cancelRequested; ++blocks) {
      MSG msg;
      while (PeekMessage(&msg, m_hWnd, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessage(m_hWnd, &msg)) {
          TranslateMessage(&msg);
          DispatchMessage(&msg);
        }
      }
    }
    running = false;
  }
  void RequestCancel() {
    if (running) cancelRequested = true;
  }
  LRESULT OnDrawItem(WPARAM, LPARAM lParam) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    drawStates.push_back(item->itemState);
    CDC::FromHandle(item->hDC)->FillSolidRect(&item->rcItem, RGB(255, 0, 0));
    return win::TRUE;
  }
  HBRUSH OnCtlColor(CDC* dc, CWnd* control, UINT kind) {
    colourKinds.push_back(kind);
    if (kind == CTLCOLOR_STATIC && control->GetDlgCtrlID() == 1061) {
      dc->SetBkMode(TRANSPARENT);
      return static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    }
    return reinterpret_cast<HBRUSH>(Default());
  }
  bool running = false;
  bool cancelRequested = false;
  int blocks = 0;
  std::vector<UINT> drawStates;
  std::vector<UINT> colourKinds;
};

TEST_F(Dialogs, AHandlerThatPumpsSeesAClickMadeWhileItRuns) {
  driver.OnDialog(2000, [this](HWND dialog) {
    EXPECT_TRUE(driver.Click(dialog, 1052));
    driver.AfterPumps(10, [this, dialog] { EXPECT_TRUE(driver.Click(dialog, 1053)); });
    driver.WhenIdle([this] { driver.Escape(); });
  });
  Owner owner;
  owner.DoModal();
  EXPECT_TRUE(owner.cancelRequested);
  EXPECT_GT(owner.blocks, 0);
  EXPECT_LT(owner.blocks, 100);
  EXPECT_TRUE(failures.empty());
}

TEST_F(Dialogs, MessagesArriveInWin32Order) {
  std::vector<UINT> order;
  HWND dialogHwnd = nullptr;
  SetMessageObserver([&](HWND hwnd, UINT message, WPARAM, LPARAM) {
    const bool interesting = message == WM_INITDIALOG || message == WM_PAINT || message == WM_DRAWITEM ||
                             (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC);
    if (interesting && (hwnd == dialogHwnd || dialogHwnd == nullptr || IsChild(dialogHwnd, hwnd)))
      order.push_back(message);
  });
  driver.OnDialog(2000, [&](HWND dialog) {
    dialogHwnd = dialog;
    driver.WhenIdle([this] { driver.Escape(); });
  });
  Owner owner;
  owner.DoModal();
  SetMessageObserver(nullptr);
  const auto first = [&](UINT message) { return std::find(order.begin(), order.end(), message) - order.begin(); };
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), WM_INITDIALOG);
  EXPECT_LT(first(WM_PAINT), first(WM_CTLCOLORDLG)) << "the dialog's paint erases through WM_CTLCOLORDLG";
  EXPECT_LT(first(WM_CTLCOLORDLG), first(WM_CTLCOLORBTN));
  EXPECT_LT(first(WM_CTLCOLORBTN), first(WM_DRAWITEM)) << "the owner-drawn button asks for colours first";
  EXPECT_NE(first(WM_CTLCOLORSTATIC), static_cast<long>(order.size()));
  ASSERT_FALSE(owner.drawStates.empty());
  EXPECT_EQ(owner.drawStates.front() & ODS_DISABLED, 0u);
}

TEST_F(Dialogs, ModalLoopsDisableTheirOwnerAndNestedLoopsRestoreIt) {
  Owner outer;
  ASSERT_TRUE(outer.Create(2000, nullptr));
  outer.ShowWindow(SW_SHOW);
  std::vector<bool> outerEnabled;
  driver.OnDialog(1000, [&](HWND) {
    outerEnabled.push_back(outer.IsWindowEnabled() != 0);
    driver.WhenIdle([this] { driver.Escape(); });
  });
  ErrorPrompt prompt;
  prompt.m_pParentWnd = &outer;
  prompt.DoModal();
  EXPECT_EQ(outerEnabled, std::vector<bool>{false});
  EXPECT_TRUE(outer.IsWindowEnabled());

  outer.EnableWindow(win::FALSE);
  driver.OnDialog(1000, [this](HWND) { driver.WhenIdle([this] { driver.Escape(); }); });
  ErrorPrompt second;
  second.m_pParentWnd = &outer;
  second.DoModal();
  EXPECT_FALSE(outer.IsWindowEnabled()) << "an owner that was disabled before stays disabled";
}

TEST_F(Dialogs, ClicksOnADisabledOwnerDoNotReachIt) {
  Owner outer;
  ASSERT_TRUE(outer.Create(2000, nullptr));
  outer.ShowWindow(SW_SHOW);
  driver.OnDialog(1000, [&](HWND) {
    EXPECT_FALSE(driver.Click(outer.m_hWnd, 1052));
    driver.WhenIdle([this] { driver.Escape(); });
  });
  ErrorPrompt prompt;
  prompt.m_pParentWnd = &outer;
  prompt.DoModal();
  EXPECT_FALSE(outer.running);
}

class Ticker : public CDialog {
 public:
  Ticker() : CDialog(2000) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {OnMessage(WM_TIMER, &Ticker::OnTimer)});
    return map;
  }
  BOOL OnInitDialog() override {
    SetTimer(100, 25);
    return CDialog::OnInitDialog();
  }
  LRESULT OnTimer(WPARAM id, LPARAM) {
    if (id == 100 && ++ticks == 3) {
      KillTimer(100);
      EndDialog(IDOK);
    }
    return 0;
  }
  int ticks = 0;
};

TEST_F(Dialogs, TimersRunOnTheTestClock) {
  Ticker ticker;
  EXPECT_EQ(ticker.DoModal(), IDOK);
  EXPECT_EQ(ticker.ticks, 3);
  EXPECT_EQ(driver.Now(), 75u);
  EXPECT_TRUE(failures.empty());
}

class AcceleratedPage : public Owner {
 public:
  BOOL PreTranslateMessage(MSG* msg) override {
    if (table != nullptr && TranslateAccelerator(m_hWnd, table, msg)) return win::TRUE;
    return Owner::PreTranslateMessage(msg);
  }
  HACCEL table = nullptr;
};

TEST_F(Dialogs, AcceleratorsInPreTranslateMessageTurnKeysIntoCommands) {
  // 'q' is no mnemonic of the dialog, so only the table can turn it into the Backup command.
  const ACCEL entries[] = {{0, 'q', 1052}};
  AcceleratedPage page;
  page.table = CreateAcceleratorTableA(entries, 1);
  driver.OnDialog(2000, [&](HWND) {
    PostMessage(GetFocus(), WM_CHAR, 'q', 0);
    driver.WhenIdle([this] { driver.Escape(); });
  });
  page.DoModal();
  DestroyAcceleratorTable(page.table);
  EXPECT_EQ(page.blocks, 100) << "the accelerator started the step, which ran to its end";
}

class HelpfulPrompt : public ErrorPrompt {
 public:
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&ErrorPrompt::GetMessageMap(), {OnMessage(WM_HELP, &HelpfulPrompt::OnHelp)});
    return map;
  }
  LRESULT OnHelp(WPARAM, LPARAM lParam) {
    helpFor = reinterpret_cast<const HELPINFO*>(lParam)->iCtrlId;
    return win::TRUE;
  }
  int helpFor = 0;
};

TEST_F(Dialogs, F1OnAControlAsksItsDialogForHelp) {
  driver.OnDialog(1000, [this](HWND dialog) {
    SetFocus(GetDlgItem(dialog, 1002));
    driver.PressKey(VK_F1);
    driver.WhenIdle([this] { driver.Escape(); });
  });
  HelpfulPrompt prompt;
  prompt.DoModal();
  EXPECT_EQ(prompt.helpFor, 1002) << "WM_HELP travels from the button to its dialog, naming the button";
  EXPECT_EQ(prompt.answer, 0);
}

TEST_F(Dialogs, CentredDialogsSitOverTheirOwner) {
  RegisterDialogTemplateText(nullptr, "DIALOG 900 0 0 100 40\nSTYLE POPUP CENTER\n");
  Owner owner;
  ASSERT_TRUE(owner.Create(2000));
  owner.MoveWindow(100, 100, 400, 300);
  EXPECT_EQ(CWnd::GetSafeOwner(owner.GetDlgItem(1052)), &owner);
  CDialog centred;
  ASSERT_TRUE(centred.Create(900, &owner));
  RECT rect;
  centred.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, 100 + (400 - rect.Width()) / 2);
  EXPECT_EQ(rect.top, 100 + (300 - rect.Height()) / 2);
}

// Without DS_CENTER a dialog's template position counts from its owner's client area, and a
// dialog is kept inside the work area, its caption on the screen.
TEST_F(Dialogs, OtherDialogsStandFromTheirOwnersClientAreaAndOnTheScreen) {
  RegisterDialogTemplateText(nullptr, "DIALOG 901 8 8 100 40\nSTYLE POPUP CAPTION\n");
  Owner owner;
  ASSERT_TRUE(owner.Create(2000));
  owner.MoveWindow(100, 100, 400, 300);
  POINT origin{0, 0};
  ClientToScreen(owner.m_hWnd, &origin);
  CDialog placed;
  ASSERT_TRUE(placed.Create(901, &owner));
  RECT rect;
  placed.GetWindowRect(&rect);
  EXPECT_EQ(rect.left, origin.x + DialogUnitsToPixelsX(8));
  EXPECT_EQ(rect.top, origin.y + DialogUnitsToPixelsY(8));
  owner.MoveWindow(-300, -200, 400, 300);
  CDialog above;
  ASSERT_TRUE(above.Create(901, &owner));
  above.GetWindowRect(&rect);
  RECT screen{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  EXPECT_EQ(rect.left, screen.left);
  EXPECT_EQ(rect.top, screen.top) << "an owner above the screen does not take the caption with it";
}

class Closing : public CDialog {
 public:
  Closing() : CDialog(2000) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {OnMessage(WM_CLOSE, &Closing::OnClose)});
    return map;
  }
  // As the main window: closing ends the process at once.
  void OnClose() { ExitProcess(0); }
};

TEST_F(Dialogs, TheDriverInterceptsTheProcessExit) {
  driver.OnDialog(2000, [](HWND dialog) { PostMessage(dialog, WM_CLOSE, 0, 0); });
  Closing closing;
  try {
    closing.DoModal();
    ADD_FAILURE() << "the dialog returned instead of ending the process";
  } catch (const ProcessExit& exit) {
    EXPECT_EQ(exit.code, 0u);
  }
}

std::intptr_t PlainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, 1004, reinterpret_cast<const char*>(lParam));
    return win::TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) >= 1000 && LOWORD(wParam) <= 1003) {
    EndDialog(dialog, LOWORD(wParam));
    return win::TRUE;
  }
  return win::FALSE;
}

TEST_F(Dialogs, DialogBoxRunsADialogProcedureWithoutTheFramework) {
  std::string shown;
  driver.OnDialog(1000, [&](HWND dialog) {
    char text[64];
    GetDlgItemTextA(dialog, 1004, text, sizeof text);
    shown = text;
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(units, (RECT{0, 0, 6, 13}));
    driver.Click(dialog, 1002);
  });
  const DialogTemplate* prompt = FindDialogTemplate(nullptr, 1000);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, *prompt, nullptr, PlainDialogProc,
                                    reinterpret_cast<LPARAM>("Write failed. Unable to write into the media at")),
            1002);
  EXPECT_EQ(shown, "Write failed. Unable to write into the media at");
  EXPECT_EQ(GetDialogBaseUnits(), MAKELPARAM(6, 13));
}

TEST_F(Dialogs, TemplatesComeFromTheModulesResources) {
  driver.OnDialog(300, [this](HWND dialog) {
    EXPECT_EQ(GetDlgItem(dialog, 1001), nullptr) << "the no-retry prompt has no Retry button";
    EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELPARAM(1002, DC_HASDEFID));
    driver.Click(dialog, 1000);
  });
  ErrorPrompt prompt;
  prompt.m_nIDTemplate = 300;
  prompt.DoModal();
  EXPECT_EQ(prompt.answer, 1);
}

TEST_F(Dialogs, ATemplateThatDoesNotParseCreatesNoDialog) {
  CDialog broken(301);
  EXPECT_EQ(broken.DoModal(), -1);
  EXPECT_EQ(driver.Started(), std::vector<int>{});
}

}  // namespace
}  // namespace ui
