// The link control: its size and colours, how it opens its target, and what it says when it cannot.
#include "controls/hyper_link.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tooltip.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/cursor.h"
#include "platform/ui/windows/input_router.h"
#include "platform/win/host/data_folder.h"
#include "platform/win/modules/modules.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

constexpr const char* kForm = R"(
DIALOG 901 0 0 240 80
STYLE POPUP VISIBLE
CONTROL 1024 STATIC "https://www.quarnwell.example" 10 10 200 10 LEFT NOTIFY
CONTROL 1023 STATIC "support@quarnwell.example" 10 30 200 10 RIGHT NOTIFY
CONTROL 1025 STATIC "" 10 50 200 10 LEFT NOTIFY
)";

class Links : public ui::CDialog {
 public:
  Links() : CDialog(901) {}
  void DoDataExchange(ui::CDataExchange* dx) override {
    ui::DDX_Control(dx, 1024, web);
    ui::DDX_Control(dx, 1023, mail);
    ui::DDX_Control(dx, 1025, empty);
  }
  CHyperLink web;
  CHyperLink mail;
  CHyperLink empty;
};

void SetDefault(const std::string& key, const std::string& value) {
  win::HKEY handle = nullptr;
  win::RegCreateKeyExA(win::HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                       win::KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  win::RegSetValueExA(handle, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(value.c_str()),
                      static_cast<win::DWORD>(value.size() + 1));
  win::RegCloseKey(handle);
}

class HyperLink : public ::testing::Test {
 protected:
  void SetUp() override {
    win::SetShellLauncher([this](const win::ShellLaunch& launch) {
      opened.push_back(launch.target);
      return accept;
    });
    ui::RegisterDialogTemplateText(nullptr, kForm);
    dialog.emplace();
    ASSERT_TRUE(dialog->Create(901));
    dialog->mail.SetLinkTarget("mailto:support@quarnwell.example");
    dialog->mail.ModifyLinkStyle(0, CHyperLink::kOpenOnPress, win::TRUE);
  }
  void TearDown() override {
    dialog.reset();
    win::SetShellLauncher({});
  }
  // Whether any pixel of the link shows the colour.
  bool Shows(CHyperLink& link, ui::COLORREF colour) {
    link.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
    ui::RECT client{};
    link.GetClientRect(&client);
    const ui::HDC dc = ui::GetDC(link.m_hWnd);
    bool found = false;
    for (int y = 0; y < client.bottom && !found; ++y) {
      for (int x = 0; x < client.right && !found; ++x) found = ui::GetPixel(dc, x, y) == colour;
    }
    ui::ReleaseDC(link.m_hWnd, dc);
    return found;
  }
  // The cursor shown once the mouse moved over the middle of the link.
  ui::HCURSOR CursorWithTheMouseOver(CHyperLink& link) {
    ui::RECT window{};
    link.GetWindowRect(&window);
    ui::POINT middle{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
    ui::ScreenToClient(dialog->m_hWnd, &middle);
    ui::SetCursor(nullptr);
    ui::RouteMouse(dialog->m_hWnd, ui::WM_MOUSEMOVE, middle, 0);
    return ui::SetCursor(nullptr);
  }
  void Press(CHyperLink& link) { link.SendMessage(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MAKELPARAM(2, 2)); }
  void Release(CHyperLink& link) { link.SendMessage(ui::WM_LBUTTONUP, 0, ui::MAKELPARAM(2, 2)); }

  ui::ScriptedPrompter prompter{[](const std::string& what) { ADD_FAILURE() << what; }};
  std::vector<std::string> opened;
  bool accept = true;
  std::optional<Links> dialog;
};

TEST_F(HyperLink, TakesItsTextAsTargetAndSizesItselfToTheText) {
  CHyperLink& web = dialog->web;
  EXPECT_EQ(web.LinkTarget(), "https://www.quarnwell.example");
  ui::RECT window{};
  web.GetWindowRect(&window);
  ui::CClientDC dc(&web);
  dc.SelectObject(web.GetFont());
  const ui::SIZE text = dc.GetTextExtent(web.GetWindowText());
  EXPECT_EQ(window.right - window.left, text.cx);
  EXPECT_EQ(window.bottom - window.top, text.cy);
  EXPECT_LT(text.cx, ui::DialogUnitsToPixelsX(200)) << "narrower than its template rectangle";
  ui::LOGFONTA font;
  web.GetFont()->GetLogFont(&font);
  EXPECT_EQ(font.lfUnderline, 1);
}

TEST_F(HyperLink, AnotherFontResizesTheLinkAndKeepsItsOwnUnderline) {
  CHyperLink& web = dialog->web;
  ui::RECT before{};
  web.GetWindowRect(&before);
  ui::CFont large;
  large.CreateFont(24, 0, 0, 0, ui::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Verdana");
  web.SetLinkFont(large);
  ui::RECT after{};
  web.GetWindowRect(&after);
  EXPECT_GT(after.bottom - after.top, before.bottom - before.top);
  EXPECT_GT(after.right - after.left, before.right - before.left);
  EXPECT_TRUE(web.IsWindowVisible());
  ui::LOGFONTA font;
  web.GetFont()->GetLogFont(&font);
  EXPECT_EQ(font.lfHeight, 24);
  EXPECT_EQ(font.lfUnderline, 0) << "the given font's own underline";
  EXPECT_FALSE(web.ModifyLinkStyle(CHyperLink::kUnderline, CHyperLink::kUnderline, win::TRUE))
      << "a bit both removed and added";
  web.ModifyLinkStyle(0, CHyperLink::kUnderline, win::TRUE);
  web.GetFont()->GetLogFont(&font);
  EXPECT_EQ(font.lfUnderline, 1);
}

TEST_F(HyperLink, ARightAlignedLinkKeepsItsRightEdgeAndAnEmptyOneShowsItsTarget) {
  ui::RECT window{};
  dialog->mail.GetWindowRect(&window);
  dialog->ScreenToClient(&window);
  EXPECT_EQ(window.right, ui::DialogUnitsToPixelsX(210));
  EXPECT_EQ(dialog->empty.GetWindowText(), "");
  dialog->empty.SetLinkTarget("https://www.quarnwell.example/help");
  EXPECT_EQ(dialog->empty.LinkTarget(), "https://www.quarnwell.example/help");
}

TEST_F(HyperLink, AMailLinkOpensOnThePressAWebLinkOnTheRelease) {
  Press(dialog->mail);
  EXPECT_EQ(opened, std::vector<std::string>{"mailto:support@quarnwell.example"});
  Release(dialog->mail);
  EXPECT_EQ(opened.size(), 1u);
  Press(dialog->web);
  EXPECT_EQ(opened.size(), 1u) << "not yet";
  EXPECT_EQ(ui::GetFocus(), dialog->web.m_hWnd) << "a click takes the focus";
  Release(dialog->web);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1], "https://www.quarnwell.example");
  dialog->web.SendMessage(ui::WM_KEYDOWN, ui::VK_SPACE);
  EXPECT_EQ(opened.size(), 3u) << "Space opens it too";
  EXPECT_TRUE(prompter.Asked().empty());
}

TEST_F(HyperLink, ColoursFollowItsState) {
  CHyperLink& web = dialog->web;
  dialog->mail.SetFocus();
  EXPECT_TRUE(Shows(web, CHyperLink::kLinkColour));
  web.SetFocus();
  EXPECT_TRUE(Shows(web, CHyperLink::kActiveColour)) << "active while it has the focus";
  dialog->mail.SetFocus();
  web.SendMessage(ui::WM_KEYDOWN, ui::VK_SPACE);
  EXPECT_TRUE(web.Visited());
  EXPECT_TRUE(Shows(web, CHyperLink::kVisitedColour));
  web.ModifyLinkStyle(0, CHyperLink::kUseHover, win::TRUE);
  web.SendMessage(ui::WM_MOUSEMOVE, 0, ui::MAKELPARAM(2, 2));
  EXPECT_TRUE(Shows(web, CHyperLink::kHoverColour));
  EXPECT_EQ(ui::GetCapture(), web.m_hWnd) << "the link holds the mouse while hovered";
  web.SendMessage(ui::WM_MOUSEMOVE, 0, ui::MAKELPARAM(2, 500));
  EXPECT_EQ(ui::GetCapture(), nullptr);
  EXPECT_TRUE(Shows(web, CHyperLink::kVisitedColour));
}

TEST_F(HyperLink, ATargetNothingOpensBeepsAndSaysWhy) {
  accept = false;
  prompter.AnswerMessageBox(ui::IDOK);
  dialog->web.SendMessage(ui::WM_KEYDOWN, ui::VK_SPACE);
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text,
            "Can't open link:\n\nThere is no application associated\nwith the given filename extension.");
  EXPECT_EQ(prompter.Asked()[0].type & ui::MB_ICONMASK, ui::MB_ICONEXCLAMATION);
  EXPECT_FALSE(dialog->web.Visited());
}

TEST_F(HyperLink, TheWebPageHandlerIsTriedWhenTheShellCannotButNeverRun) {
  accept = false;
  SetDefault(".htm", "htmlfile");
  SetDefault("htmlfile\\shell\\open\\command", "\"C:\\Web\\browse.exe\" -nohome \"%1\"");
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("https://x.example"), "\"C:\\Web\\browse.exe\" -nohome  https://x.example");
  prompter.AnswerMessageBox(ui::IDOK, "The specified file was not found.");
  dialog->web.SendMessage(ui::WM_KEYDOWN, ui::VK_SPACE);
  EXPECT_FALSE(dialog->web.Visited()) << "a command line built from text is never run";
  SetDefault("htmlfile\\shell\\open\\command", "browse.exe %1 -new");
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("a.htm"), "browse.exe  a.htm");
  SetDefault("htmlfile\\shell\\open\\command", "browse.exe");
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("a.htm"), "browse.exe a.htm");
}

TEST_F(HyperLink, LongRegisteredNamesBuildLongCommandsWithoutOverrunning) {
  SetDefault(".htm", std::string(259, 'h'));
  SetDefault(std::string(259, 'h') + "\\shell\\open\\command", "\"" + std::string(250, 'b') + "\" \"%1\"");
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand(std::string(200, 'u')),
            "\"" + std::string(250, 'b') + "\"  " + std::string(200, 'u'));
  SetDefault(std::string(259, 'h') + "\\shell\\open\\command", std::string(300, 'b'));
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("a.htm"), "") << "a command beyond the value limit is not guessed at";
  SetDefault(".htm", std::string(300, 'h'));
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("a.htm"), "") << "a class name beyond the value limit names no handler";
}

TEST_F(HyperLink, AClassNameFillingTheWholeValueWithoutAZeroIsReadToItsEnd) {
  const std::string pageClass(260, 'h');
  win::HKEY handle = nullptr;
  win::RegCreateKeyExA(win::HKEY_CLASSES_ROOT, ".htm", 0, nullptr, win::REG_OPTION_NON_VOLATILE, win::KEY_ALL_ACCESS,
                       nullptr, &handle, nullptr);
  win::RegSetValueExA(handle, nullptr, 0, win::REG_SZ, reinterpret_cast<const win::BYTE*>(pageClass.data()),
                      static_cast<win::DWORD>(pageClass.size()));
  win::RegCloseKey(handle);
  SetDefault(pageClass + "\\shell\\open\\command", "browse.exe");
  EXPECT_EQ(CHyperLink::HtmlHandlerCommand("a.htm"), "browse.exe a.htm");
}

TEST(ShellErrors, EachCodeHasItsReason) {
  EXPECT_EQ(CHyperLink::ShellErrorText(2), "Can't open link:\n\nThe specified file was not found.");
  EXPECT_EQ(CHyperLink::ShellErrorText(26), "Can't open link:\n\nA sharing violation occurred. ");
  EXPECT_EQ(CHyperLink::ShellErrorText(32), "Can't open link:\n\nThe specified dynamic-link library was not found.");
  EXPECT_EQ(CHyperLink::ShellErrorText(99), "Can't open link:\n\nUnknown Error (99) occurred.");
  EXPECT_EQ(CHyperLink::ShellErrorText(-1), "Can't open link:\n\nUnknown Error (-1) occurred.");
}

TEST_F(HyperLink, ShowsTheHandCursorOfTheHelpProgram) {
  const win::HMODULE help = win::LoadLibraryA("C:\\Windows\\winhlp32.exe");
  ASSERT_NE(help, nullptr);
  const ui::HCURSOR hand = ui::LoadCursorA(static_cast<ui::HINSTANCE>(help), 106);
  win::FreeLibrary(help);
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(HandCursor, hand);
  EXPECT_EQ(CursorWithTheMouseOver(dialog->web), hand);
  EXPECT_EQ(CursorWithTheMouseOver(dialog->mail), hand);
}

TEST_F(HyperLink, WithoutAHandCursorTheArrowStays) {
  dialog.reset();
  HandCursor = nullptr;
  // The Windows folder's entry is a link to the build's module: remove the link only.
  std::filesystem::remove(win::DriveCFolder() / "Windows" / "libwinhlp32.exe.so");
  dialog.emplace();
  ASSERT_TRUE(dialog->Create(901));
  EXPECT_EQ(HandCursor, nullptr) << "the system lends no help program's cursor";
  EXPECT_EQ(dialog->web.SendMessage(ui::WM_SETCURSOR), win::FALSE);
  EXPECT_EQ(CursorWithTheMouseOver(dialog->web), ui::LoadCursorA(nullptr, ui::IDC_ARROW));
}

}  // namespace
}  // namespace tarnlok
