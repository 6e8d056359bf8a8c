// The icon button: its colour arithmetic, and its looks read back from its own pixels.
#include "controls/icon_button.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/gdi/draw_state.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/cursor.h"
#include "platform/ui/windows/menu.h"
#include "platform/win/system/shell_launch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

constexpr const char* kForm = R"(
DIALOG 900 0 0 200 100
STYLE POPUP VISIBLE
CONTROL 1165 BUTTON "" 10 10 40 20 PUSHBUTTON TABSTOP
CONTROL 1166 BUTTON "" 60 10 40 20 PUSHBUTTON TABSTOP
CONTROL 1167 BUTTON "" 110 10 40 20 DEFPUSHBUTTON TABSTOP
CONTROL 1168 BUTTON "" 10 40 40 20 AUTOCHECKBOX TABSTOP
)";

constexpr ui::COLORREF kRed = ui::RGB(255, 0, 0);
constexpr ui::COLORREF kGreen = ui::RGB(0, 200, 0);

class Buttons : public ui::CDialog {
 public:
  Buttons() : CDialog(900) {}
  void DoDataExchange(ui::CDataExchange* dx) override {
    ui::DDX_Control(dx, 1165, first);
    ui::DDX_Control(dx, 1166, second);
    ui::DDX_Control(dx, 1167, defaultOne);
    ui::DDX_Control(dx, 1168, check);
  }
  CIconButton first;
  CIconButton second;
  CIconButton defaultOne;
  CIconButton check;
};

// A square bitmap of one colour with a frame of another, 12 pixels wide.
ui::HBITMAP FramedBitmap(ui::COLORREF frame, ui::COLORREF inside) {
  const ui::HBITMAP bitmap = ui::CreateBitmap(12, 12, 1, 32, nullptr);
  const ui::HDC dc = ui::CreateCompatibleDC(nullptr);
  const ui::HGDIOBJ old = ui::SelectObject(dc, bitmap);
  const ui::RECT all{0, 0, 12, 12};
  const ui::RECT centre{3, 3, 9, 9};
  ui::CBrush outer(frame);
  ui::CBrush inner(inside);
  ui::FillRect(dc, &all, outer);
  ui::FillRect(dc, &centre, inner);
  ui::SelectObject(dc, old);
  ui::DeleteDC(dc);
  return bitmap;
}

// A 16-pixel icon of one opaque colour.
ui::HICON SolidIcon(ui::COLORREF colour) {
  ui::ICONINFO info;
  info.hbmColor = FramedBitmap(colour, colour);
  info.hbmMask = ui::CreateBitmap(12, 12, 1, 1, nullptr);
  const ui::HICON icon = ui::CreateIconIndirect(&info);
  ui::DeleteObject(info.hbmColor);
  ui::DeleteObject(info.hbmMask);
  return icon;
}

class IconButton : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::RegisterDialogTemplateText(nullptr, kForm);
    ASSERT_TRUE(dialog.Create(900));
    dialog.ShowWindow(ui::SW_SHOW);
    ASSERT_EQ(face, ui::RGB(212, 208, 200)) << "the shifted colours below are worked out from this face";
  }
  ui::COLORREF At(CIconButton& button, int x, int y) {
    button.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
    const ui::HDC dc = ui::GetDC(button.m_hWnd);
    const ui::COLORREF colour = ui::GetPixel(dc, x, y);
    ui::ReleaseDC(button.m_hWnd, dc);
    return colour;
  }
  ui::RECT Client(CIconButton& button) {
    ui::RECT client{};
    button.GetClientRect(&client);
    return client;
  }
  void Hover(CIconButton& button, ui::WPARAM keys = 0) {
    button.SendMessage(ui::WM_MOUSEMOVE, keys, ui::MAKELPARAM(5, 5));
  }

  Buttons dialog;
  const ui::COLORREF face = ui::GetSysColor(ui::COLOR_BTNFACE);
  const ui::COLORREF faceLighter30 = ui::RGB(242, 238, 230);
  const ui::COLORREF faceDarker40 = ui::RGB(172, 168, 160);
};

TEST(ShiftedColour, MovesAllChannelsByTheAmountTheTightestOneAllows) {
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(212, 208, 200), 30), ui::RGB(242, 238, 230));
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(240, 100, 100), 30), ui::RGB(255, 115, 115));
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(255, 255, 255), 30), ui::RGB(255, 255, 255));
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(20, 100, 90), -30), ui::RGB(0, 80, 70));
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(50, 60, 70), -30), ui::RGB(20, 30, 40));
  EXPECT_EQ(CIconButton::ShiftedColour(ui::RGB(50, 60, 70), 0), ui::RGB(50, 60, 70));
}

TEST_F(IconButton, SettersRefuseBadArgumentsAndChangeNothing) {
  CIconButton& button = dialog.first;
  EXPECT_EQ(button.ShiftButtonColour(6, 30, win::TRUE), 3);
  EXPECT_EQ(button.ShiftButtonColour(2, 256, win::TRUE), 5);
  EXPECT_EQ(button.ShiftButtonColour(2, -256, win::TRUE), 5);
  EXPECT_EQ(At(button, 20, 15), face) << "the face kept its colour";
  EXPECT_EQ(button.SetIconAlign(4, win::TRUE), 4);
  EXPECT_EQ(button.SetPressedStyle(2, win::TRUE), 6);
  EXPECT_EQ(button.SetButtonIcons(64000, 0), 0) << "an id that names no icon leaves the button plain";
  EXPECT_EQ(At(button, 20, 15), face);
}

TEST_F(IconButton, ARaisedFrameOnTheFaceAndTheFocusedLookWithItsShiftedColour) {
  CIconButton& button = dialog.second;
  button.ShiftButtonColour(0, 30, win::TRUE);
  button.ShiftButtonColour(4, 30, win::TRUE);
  const ui::RECT r = Client(button);
  EXPECT_EQ(At(button, 0, 0), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(button, 1, 1), ui::GetSysColor(ui::COLOR_3DLIGHT));
  EXPECT_EQ(At(button, r.right - 1, r.bottom - 1), ui::GetSysColor(ui::COLOR_3DDKSHADOW));
  EXPECT_EQ(At(button, r.right - 2, r.bottom - 2), ui::GetSysColor(ui::COLOR_BTNSHADOW));
  EXPECT_EQ(At(button, r.right / 2, r.bottom / 2), face) << "slot 2, unshifted";

  button.SetFocus();
  const ui::COLORREF lighter = faceLighter30;
  EXPECT_EQ(At(button, 0, 0), ui::RGB(0, 0, 0)) << "black frame round the focused button";
  EXPECT_EQ(At(button, 1, 1), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(button, 6, r.bottom / 2), lighter) << "slot 4 while focused";
  EXPECT_EQ(At(button, 4, 4), lighter ^ 0xFFFFFFu) << "the dotted focus rectangle starts 4 pixels in";
}

TEST_F(IconButton, HoverShowsSlotZeroUntilTheMouseLeavesButNotDuringADrag) {
  CIconButton& button = dialog.second;
  button.ShiftButtonColour(0, -40, win::TRUE);
  const ui::COLORREF hovered = faceDarker40;
  const ui::RECT r = Client(button);
  Hover(button, ui::MK_LBUTTON);
  EXPECT_EQ(At(button, r.right / 2, r.bottom / 2), face) << "no hover look begins while the left button is down";
  Hover(button);
  EXPECT_EQ(At(button, r.right / 2, r.bottom / 2), hovered);
  button.SendMessage(ui::WM_MOUSELEAVE);
  EXPECT_EQ(At(button, r.right / 2, r.bottom / 2), face);
  Hover(button);
  button.SendMessage(ui::WM_KILLFOCUS);
  EXPECT_EQ(At(button, r.right / 2, r.bottom / 2), face) << "losing the focus ends the hover";
}

TEST_F(IconButton, AGreyCopyShowsWhileThePointerIsAwayAndTheColouredIconWhileHovered) {
  CIconButton& button = dialog.second;
  ASSERT_EQ(button.SetButtonIconHandles(SolidIcon(kRed), ui::HandleOf<ui::HICON>(static_cast<std::uintptr_t>(
                                                             static_cast<std::intptr_t>(CIconButton::kGreyCopy)))),
            0);
  const ui::RECT r = Client(button);
  const int x = r.right / 2;
  const int y = r.bottom / 2;
  EXPECT_EQ(At(button, x, y), ui::RGB(76, 76, 76)) << "0.299 x 255, truncated";
  Hover(button);
  EXPECT_EQ(At(button, x, y), kRed);
  EXPECT_EQ(At(button, (r.right - 12) / 2 - 1, y), face) << "centred, face around";
}

TEST_F(IconButton, BitmapsShowTheFaceThroughTheirTransparentColour) {
  CIconButton& button = dialog.first;
  ASSERT_EQ(
      button.SetButtonBitmapHandles(FramedBitmap(ui::RGB(0, 0, 0), kRed), 0, FramedBitmap(ui::RGB(0, 0, 0), kGreen), 0),
      0);
  const ui::RECT r = Client(button);
  const int left = (r.right - 12) / 2;
  const int top = (r.bottom - 12) / 2;
  EXPECT_EQ(At(button, left + 6, top + 6), kGreen) << "the second bitmap while the pointer is away";
  EXPECT_EQ(At(button, left + 1, top + 1), face) << "black is transparent";
  Hover(button);
  EXPECT_EQ(At(button, left + 6, top + 6), kRed);
  button.SendMessage(ui::WM_LBUTTONDOWN, ui::MK_LBUTTON, ui::MAKELPARAM(5, 5));
  EXPECT_EQ(At(button, left + 7, top + 7), kRed) << "pressed: moved by one pixel";
  EXPECT_EQ(At(button, left + 3, top + 3), face);
  button.SendMessage(ui::WM_LBUTTONUP, 0, ui::MAKELPARAM(5, 5));
}

TEST_F(IconButton, ADisabledBitmapIsEmbossed) {
  CIconButton& button = dialog.first;
  button.SetButtonBitmapHandles(FramedBitmap(ui::RGB(0, 0, 0), kRed), 0, nullptr, 0);
  button.EnableWindow(win::FALSE);
  const ui::RECT r = Client(button);
  const int left = (r.right - 12) / 2;
  const int top = (r.bottom - 12) / 2;
  EXPECT_NE(At(button, left + 6, top + 6), kRed);
  EXPECT_EQ(At(button, left + 1, top + 1), face);
}

TEST_F(IconButton, DisablingHandsTheFocusOnAndTheDefaultButtonKeepsItsFrame) {
  dialog.first.SetFocus();
  dialog.first.EnableWindow(win::FALSE);
  EXPECT_EQ(ui::GetFocus(), dialog.second.m_hWnd);
  EXPECT_EQ(At(dialog.defaultOne, 0, 0), ui::RGB(0, 0, 0)) << "the default button is framed without the focus";
  EXPECT_NE(dialog.defaultOne.SendMessage(ui::WM_GETDLGCODE) & ui::DLGC_DEFPUSHBUTTON, 0);
  EXPECT_NE(dialog.second.SendMessage(ui::WM_GETDLGCODE) & ui::DLGC_UNDEFPUSHBUTTON, 0);
}

TEST_F(IconButton, ACheckBoxButtonTogglesAndLooksPressedWhileChecked) {
  CIconButton& button = dialog.check;
  EXPECT_EQ(button.GetChecked(), 0);
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(button.SendMessage(ui::BM_GETCHECK), 1);
  EXPECT_EQ(At(button, 0, 0), ui::RGB(0, 0, 0)) << "focused by the click";
  EXPECT_EQ(At(button, 1, 1), ui::GetSysColor(ui::COLOR_BTNSHADOW)) << "the pressed frame";
  button.SendMessage(ui::BM_SETCHECK, ui::BST_UNCHECKED);
  EXPECT_EQ(button.GetChecked(), 0);
  EXPECT_EQ(At(button, 1, 1), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(dialog.first.SetChecked(1, win::TRUE), 0);
  EXPECT_EQ(dialog.first.GetChecked(), 0) << "a push button has no check state";
}

TEST_F(IconButton, ASystemColourChangeDropsTheShiftedColours) {
  CIconButton& button = dialog.second;
  button.ShiftButtonColour(2, 30, win::TRUE);
  EXPECT_EQ(At(button, 20, 15), faceLighter30);
  button.SendMessage(ui::WM_SYSCOLORCHANGE);
  EXPECT_EQ(At(button, 20, 15), face);
}

TEST_F(IconButton, AFlatButtonShowsItsBorderOnlyWhileHoveredAndAClickOpensItsLink) {
  std::vector<std::string> opened;
  win::SetShellLauncher([&](const win::ShellLaunch& launch) {
    opened.push_back(launch.target);
    return true;
  });
  CIconButton& button = dialog.second;
  button.SetFlatLook(win::TRUE, win::TRUE);
  EXPECT_EQ(At(button, 0, 0), face) << "no frame while the pointer is away";
  Hover(button);
  EXPECT_EQ(At(button, 0, 0), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT)) << "the thin raised border";
  EXPECT_EQ(At(button, Client(button).right - 1, 0), ui::GetSysColor(ui::COLOR_BTNSHADOW));
  button.SetUrl("https://www.quarnwell.example");
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(opened, std::vector<std::string>{"https://www.quarnwell.example"});
  win::SetShellLauncher({});
}

// Where the icon and the caption land for each alignment: read back as the box of the icon's
// red pixels and the box of the caption's text-coloured ones.
TEST_F(IconButton, EachAlignmentPlacesTheIconBesideOrAboveTheCaption) {
  CIconButton& button = dialog.second;
  button.SetWindowText("Go");
  ASSERT_EQ(button.SetButtonIconHandles(SolidIcon(kRed), nullptr), 0);
  const ui::RECT r = Client(button);
  const ui::COLORREF ink = ui::GetSysColor(ui::COLOR_BTNTEXT);
  const auto boxOf = [&](ui::COLORREF colour) {
    ui::RECT box{r.right, r.bottom, -1, -1};
    button.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
    const ui::HDC dc = ui::GetDC(button.m_hWnd);
    for (int y = 3; y < r.bottom - 3; ++y) {
      for (int x = 3; x < r.right - 3; ++x) {
        if (ui::GetPixel(dc, x, y) != colour) continue;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
      }
    }
    ui::ReleaseDC(button.m_hWnd, dc);
    return box;
  };

  ASSERT_EQ(button.SetIconAlign(CIconButton::kIconLeft, win::TRUE), 0);
  ui::RECT icon = boxOf(kRed);
  ui::RECT text = boxOf(ink);
  ASSERT_GT(icon.right, icon.left);
  ASSERT_GT(text.right, text.left) << "the caption is drawn";
  EXPECT_LE(icon.right, text.left) << "left: the icon before the caption";
  EXPECT_LT(icon.left, r.right / 4);

  ASSERT_EQ(button.SetIconAlign(CIconButton::kIconRight, win::TRUE), 0);
  icon = boxOf(kRed);
  text = boxOf(ink);
  EXPECT_LE(text.right, icon.left) << "right: the caption before the icon";
  EXPECT_GT(icon.right, r.right * 3 / 4);

  ASSERT_EQ(button.SetIconAlign(CIconButton::kIconAbove, win::TRUE), 0);
  icon = boxOf(kRed);
  text = boxOf(ink);
  EXPECT_LE(icon.bottom, text.top) << "top: the icon above the caption";
  EXPECT_LE(std::abs((icon.left + icon.right) - r.right), 1) << "centred across";
}

// A second click that comes as a double click is taken as a press again, so quick clicks each count.
TEST_F(IconButton, ADoubleClickIsTakenAsAPress) {
  CIconButton& button = dialog.second;
  ui::MSG msg{};
  msg.hwnd = button.m_hWnd;
  msg.message = ui::WM_LBUTTONDBLCLK;
  msg.lParam = ui::MAKELPARAM(5, 5);
  button.PreTranslateMessage(&msg);
  EXPECT_EQ(msg.message, ui::WM_LBUTTONDOWN);
  EXPECT_EQ(msg.lParam, ui::MAKELPARAM(5, 5));
  msg.message = ui::WM_LBUTTONUP;
  button.PreTranslateMessage(&msg);
  EXPECT_EQ(msg.message, ui::WM_LBUTTONUP) << "other messages pass unchanged";
}

TEST_F(IconButton, ItsOwnCursorShowsOverItAndNoneLeavesTheDefault) {
  CIconButton& button = dialog.second;
  const ui::HCURSOR hand = ui::LoadCursorA(nullptr, ui::IDC_HAND);
  const ui::HCURSOR arrow = ui::LoadCursorA(nullptr, ui::IDC_ARROW);
  ui::SetCursor(arrow);
  EXPECT_EQ(button.SendMessage(ui::WM_SETCURSOR, reinterpret_cast<ui::WPARAM>(button.m_hWnd), 0), win::FALSE)
      << "without a cursor of its own, the default handling";
  EXPECT_EQ(ui::SetCursor(arrow), arrow);
  button.SetButtonCursor(hand);
  EXPECT_EQ(button.SendMessage(ui::WM_SETCURSOR, reinterpret_cast<ui::WPARAM>(button.m_hWnd), 0), win::TRUE);
  EXPECT_EQ(ui::SetCursor(arrow), hand) << "the button showed its cursor";
}

TEST_F(IconButton, TheEnterSoundPlaysOnceAHoverBeginsAndTheClickSoundOnAClick) {
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "icon_button_sounds";
  std::filesystem::create_directories(folder);
  const std::string enter = (folder / "enter.wav").string();
  const std::string click = (folder / "click.wav").string();
  for (const std::string& file : {enter, click}) std::ofstream(file) << "RIFF";
  std::vector<std::string> played;
  win::SetShellLauncher([&](const win::ShellLaunch& launch) {
    if (launch.kind == win::ShellLaunch::Kind::Sound) played.push_back(std::filesystem::path(launch.target).filename());
    return true;
  });
  CIconButton& button = dialog.second;
  Hover(button);
  button.SendMessage(ui::WM_MOUSELEAVE);
  button.SendMessage(ui::BM_CLICK);
  EXPECT_TRUE(played.empty()) << "no sound is set";
  button.SetSound(enter.c_str(), nullptr, win::FALSE);
  button.SetSound(click.c_str(), nullptr, win::TRUE);
  Hover(button);
  Hover(button);
  EXPECT_EQ(played, std::vector<std::string>{"enter.wav"}) << "once when the hover begins";
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(played, (std::vector<std::string>{"enter.wav", "click.wav"}));
  button.SetSound(nullptr, nullptr, win::TRUE);
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(played.size(), 2u) << "a silenced slot plays nothing";
  win::SetShellLauncher({});
  std::filesystem::remove_all(folder);
}

// The transparent look copies what the parent shows under the button once and keeps it until
// the system colours change.
TEST_F(IconButton, TheTransparentLookShowsTheParentsBackgroundUnderTheButton) {
  CIconButton& button = dialog.second;
  ui::RECT place{};
  button.GetWindowRect(&place);
  ui::ScreenToClient(dialog.m_hWnd, reinterpret_cast<ui::POINT*>(&place.left));
  ui::ScreenToClient(dialog.m_hWnd, reinterpret_cast<ui::POINT*>(&place.right));
  const auto paintParent = [&](ui::COLORREF colour) {
    const ui::HDC dc = ui::GetDC(dialog.m_hWnd);
    ui::CDC::FromHandle(dc)->FillSolidRect(&place, colour);
    ui::ReleaseDC(dialog.m_hWnd, dc);
  };
  const ui::RECT r = Client(button);
  const int x = r.right / 2;
  const int y = r.bottom / 2;
  EXPECT_EQ(At(button, x, y), face);
  paintParent(kGreen);
  EXPECT_EQ(button.SetTransparentLook(win::TRUE, win::TRUE), 0);
  EXPECT_EQ(At(button, x, y), kGreen) << "the parent's background in place of the face";
  EXPECT_EQ(At(button, 0, 0), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT)) << "the raised frame over it";
  paintParent(kRed);
  EXPECT_EQ(At(button, x, y), kGreen) << "the first copy is kept";
  // The button drew over its parent meanwhile: the parent paints again.
  paintParent(kRed);
  button.SendMessage(ui::WM_SYSCOLORCHANGE);
  EXPECT_EQ(At(button, x, y), kRed) << "a system colour change takes a new copy";
  button.SetTransparentLook(win::FALSE, win::TRUE);
  EXPECT_EQ(At(button, x, y), face);
}

// The menu notification reaches its window before the drop-down menu opens, with the popup.
TEST_F(IconButton, TheMenuNotificationComesBeforeTheDropDownMenuOpens) {
  CIconButton& button = dialog.second;
  COwnerMenu& menu = button.DropDownMenu();
  ASSERT_TRUE(menu.CreateMenu());
  const ui::HMENU popup = ui::CreatePopupMenu();
  ui::AppendMenuA(popup, ui::MF_STRING, 77, "&Go");
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Menu", ui::MF_POPUP, reinterpret_cast<std::uintptr_t>(popup), -1));
  constexpr ui::UINT kNotice = ui::WM_USER + 40;
  std::vector<std::string> events;
  struct Listener : ui::CWnd {
    ui::LRESULT WindowProc(ui::UINT message, ui::WPARAM wParam, ui::LPARAM lParam) override {
      if (message == kNotice) {
        events->push_back("notice");
        EXPECT_EQ(reinterpret_cast<ui::HMENU>(wParam), popup);
        EXPECT_EQ(lParam, 1234);
      }
      return CWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<std::string>* events = nullptr;
    ui::HMENU popup = nullptr;
  } listener;
  listener.events = &events;
  listener.popup = popup;
  ASSERT_TRUE(listener.CreateEx(0, "Static", "", ui::WS_POPUP, ui::RECT{0, 0, 10, 10}, nullptr, 0));
  ui::TestDriver driver([](const std::string& what) { ADD_FAILURE() << what; });
  const auto chooser = [&](ui::HMENU shown, ui::HWND) {
    events.push_back("menu");
    EXPECT_EQ(shown, popup);
    return 0u;
  };
  driver.OnMenu(chooser);
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(events, std::vector<std::string>{"menu"}) << "no notification window set";
  button.SetMenuNotification(listener.m_hWnd, kNotice, 1234);
  driver.OnMenu(chooser);
  button.SendMessage(ui::BM_CLICK);
  EXPECT_EQ(events, (std::vector<std::string>{"menu", "notice", "menu"}));
  listener.DestroyWindow();
}

}  // namespace
}  // namespace tarnlok
