#include "platform/ui/controls/controls.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/windows/input_router.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/controls/tab_control.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

constexpr const char* kForm = R"(
DIALOG 800 0 0 200 120
STYLE POPUP
CONTROL 1039 EDIT "" 5 5 100 12 TABSTOP CLIENTEDGE
CONTROL 1040 EDIT "fixed" 5 20 100 12 READONLY
CONTROL 1096 BUTTON "Used space" 5 40 80 10 AUTORADIOBUTTON GROUP TABSTOP
CONTROL 1097 BUTTON "Whole card" 5 52 80 10 AUTORADIOBUTTON
CONTROL 1282 BUTTON "Hide" 5 64 80 10 AUTOCHECKBOX GROUP TABSTOP
CONTROL 1286 STATIC "Label" 100 40 60 10 LEFT
CONTROL 1052 BUTTON "Go" 100 60 40 14 PUSHBUTTON TABSTOP
CONTROL 1300 TAB "" 5 80 150 30
)";

struct Form : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, kForm);
    const DialogTemplate* found = FindDialogTemplate(nullptr, 800);
    ASSERT_NE(found, nullptr);
    dialog = CreateDialogIndirectParamA(nullptr, *found, nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
  }
  void TearDown() override { DestroyWindow(dialog); }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }
  void Pump() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessage(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
      }
    }
  }
  HWND dialog = nullptr;
};

// Records the notifications a form's controls send.
std::vector<std::pair<int, int>>& Notes() {
  static std::vector<std::pair<int, int>> notes;
  return notes;
}

LRESULT NoteCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Notes().emplace_back(LOWORD(wParam), HIWORD(wParam));
  return DefDlgProcA(hwnd, message, wParam, lParam);
}

TEST_F(Form, EditsNotifyChangesKeepTheirLimitAndRefuseTypingWhenReadOnly) {
  SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&NoteCommands));
  Notes().clear();
  SendMessage(Item(1039), EM_LIMITTEXT, 3, 0);
  for (char c : std::string("ABCD")) PostMessage(Item(1039), WM_CHAR, static_cast<unsigned char>(c), 0);
  Pump();
  char text[16];
  GetDlgItemTextA(dialog, 1039, text, sizeof text);
  EXPECT_STREQ(text, "ABC");
  int changes = 0;
  int full = 0;
  for (const auto& [id, code] : Notes()) {
    if (id == 1039 && code == EN_CHANGE) ++changes;
    if (id == 1039 && code == EN_MAXTEXT) ++full;
  }
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(full, 1);
  PostMessage(Item(1040), WM_CHAR, 'x', 0);
  Pump();
  GetDlgItemTextA(dialog, 1040, text, sizeof text);
  EXPECT_STREQ(text, "fixed");
  Notes().clear();
  SetDlgItemTextA(dialog, 1040, "other");
  EXPECT_EQ(Notes(), (std::vector<std::pair<int, int>>{{1040, EN_UPDATE}, {1040, EN_CHANGE}}));
}

TEST_F(Form, TabPressedInANativeEditGoesThroughTheDialogManager) {
  SetDlgItemTextA(dialog, 1039, "probe");
  SetFocus(Item(1039));
  QLineEdit* line = nullptr;
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* each = qobject_cast<QLineEdit*>(widget);
    if (each != nullptr && each->text() == QStringLiteral("probe")) line = each;
  }
  ASSERT_NE(line, nullptr);
  QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
  QCoreApplication::sendEvent(line, &tab);
  Pump();
  EXPECT_EQ(GetFocus(), Item(1096)) << "the next tab stop; the read-only edit has none";
}

TEST_F(Form, AutomaticRadioButtonsCheckOneOfTheirGroupAndCheckBoxesToggle) {
  SendMessage(Item(1096), BM_SETCHECK, BST_CHECKED, 0);
  SendMessage(Item(1097), BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1096), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1097), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1282), BST_UNCHECKED) << "another group";
  SendMessage(Item(1282), BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1282), BST_CHECKED);
  SendMessage(Item(1052), BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessage(Item(1052), BM_GETCHECK, 0, 0), 0) << "a push button has no check";
  EnableWindow(Item(1282), win::FALSE);
  SendMessage(Item(1282), BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1282), BST_CHECKED) << "a disabled check box takes no click";
}

TEST_F(Form, ArrowKeysMoveThroughARadioGroupAndCheckIt) {
  SetFocus(Item(1096));
  PostMessage(Item(1096), WM_KEYDOWN, VK_DOWN, 0);
  Pump();
  EXPECT_EQ(GetFocus(), Item(1097));
  EXPECT_EQ(IsDlgButtonChecked(dialog, 1097), BST_CHECKED);
}

TEST_F(Form, SetStyleMakesADefaultButtonAndDmSetDefIdMovesIt) {
  EXPECT_EQ(SendMessage(Item(1052), WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
  SendMessage(dialog, DM_SETDEFID, 1052, 0);
  EXPECT_EQ(SendMessage(Item(1052), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
  EXPECT_EQ(SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELPARAM(1052, DC_HASDEFID));
}

TEST_F(Form, ClicksOnADisabledControlGoToItsParent) {
  EnableWindow(Item(1052), win::FALSE);
  RECT rect;
  GetWindowRect(Item(1052), &rect);
  POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ScreenToClient(dialog, &centre);
  EXPECT_EQ(ChildWindowAt(dialog, centre), dialog);
  EnableWindow(Item(1052), win::TRUE);
  EXPECT_EQ(ChildWindowAt(dialog, centre), Item(1052));
  GetWindowRect(Item(1286), &rect);
  POINT label{rect.left + 1, rect.top + 1};
  ScreenToClient(dialog, &label);
  EXPECT_EQ(ChildWindowAt(dialog, label), dialog) << "a static without SS_NOTIFY lets the mouse through";
}

TEST_F(Form, CaptureTakesTheMouseAndLeavingATrackedWindowPostsMouseLeave) {
  RECT rect;
  GetWindowRect(Item(1052), &rect);
  POINT inside{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ScreenToClient(dialog, &inside);
  RouteMouse(dialog, WM_MOUSEMOVE, inside, 0);
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Item(1052);
  TrackMouseEvent(&track);
  RouteMouse(dialog, WM_MOUSEMOVE, POINT{1, 1}, 0);
  MSG msg;
  bool left = false;
  // Paint messages stay until dispatched, so every message is dispatched.
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    left = left || (msg.message == WM_MOUSELEAVE && msg.hwnd == Item(1052));
    DispatchMessage(&msg);
  }
  EXPECT_TRUE(left);
  SetCapture(Item(1039));
  EXPECT_EQ(RouteMouse(dialog, WM_MOUSEMOVE, inside, 0), Item(1039)) << "the capture gets the mouse wherever it is";
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Form, TabControlsAskBeforeChangingAndReportAfter) {
  TCITEMA item;
  item.pszText = "Information";
  SendMessage(Item(1300), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  item.pszText = "Tools";
  SendMessage(Item(1300), TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(SendMessage(Item(1300), TCM_GETITEMCOUNT, 0, 0), 2);
  char text[4] = {};
  TCITEMA read;
  read.pszText = text;
  read.cchTextMax = sizeof(text);
  EXPECT_EQ(SendMessage(Item(1300), TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&read)), win::TRUE);
  EXPECT_STREQ(text, "Too") << "cut to the buffer, with its zero";
  EXPECT_EQ(SendMessage(Item(1300), TCM_GETITEMA, 2, reinterpret_cast<LPARAM>(&read)), win::FALSE);
  EXPECT_EQ(SendMessage(Item(1300), TCM_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessage(Item(1300), TCM_SETCURSEL, 1, 0), 0) << "answers the previous tab";
  EXPECT_EQ(SendMessage(Item(1300), TCM_SETCURSEL, 5, 0), -1);
  RECT area{0, 0, 100, 100};
  SendMessage(Item(1300), TCM_ADJUSTRECT, win::FALSE, reinterpret_cast<LPARAM>(&area));
  EXPECT_GT(area.top, 0);
  SendMessage(Item(1300), TCM_ADJUSTRECT, win::TRUE, reinterpret_cast<LPARAM>(&area));
  EXPECT_EQ(area, (RECT{0, 0, 100, 100})) << "the two directions undo each other";
}

TEST_F(Form, HollowBrushStaticsLeaveTheParentsPixels) {
  struct Colours {
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == 1286) {
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetStockObject(HOLLOW_BRUSH));
      }
      if (message == WM_CTLCOLORDLG) return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
      return DefDlgProcA(hwnd, message, wParam, lParam);
    }
  };
  SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<std::intptr_t>(&Colours::Proc));
  InvalidateRect(dialog, nullptr, win::TRUE);
  RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW);
  const HDC dc = GetDC(Item(1286));
  RECT client;
  GetClientRect(Item(1286), &client);
  EXPECT_EQ(GetPixel(dc, client.right - 2, client.bottom - 2), RGB(0, 0, 0)) << "the dialog's black shows through";
  ReleaseDC(Item(1286), dc);
}

// The 13-pixel box of a radio button or check box, centred on the control's height, read back
// from what the control drew: its corner, the middle of its left side and the background beside it.
struct DrawnBox {
  COLORREF corner, leftMiddle, beside;
};
DrawnBox ReadDrawnBox(HWND control) {
  constexpr int kBox = 13;
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const HDC dc = GetDC(control);
  RECT client;
  GetClientRect(control, &client);
  const int top = (client.Height() - kBox) / 2;
  const DrawnBox box{GetPixel(dc, 0, top), GetPixel(dc, 0, top + kBox / 2), GetPixel(dc, kBox + 1, top)};
  ReleaseDC(control, dc);
  return box;
}

TEST_F(Form, RadioButtonsAreRoundAndCheckBoxesSquare) {
  const DrawnBox radio = ReadDrawnBox(Item(1096));
  EXPECT_EQ(radio.corner, radio.beside) << "the circle leaves the corner of its box to the background";
  EXPECT_NE(radio.leftMiddle, radio.beside) << "the ring touches the middle of the box's side";
  EXPECT_EQ(radio.leftMiddle, GetSysColor(COLOR_BTNSHADOW))
      << "the outer ring is the shadow, sunken as Windows draws it";
  const DrawnBox check = ReadDrawnBox(Item(1282));
  EXPECT_NE(check.corner, check.beside) << "a check box's edge reaches its corner";
}

class Reflecting : public CButton {
 public:
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CButton::GetMessageMap(), {OnReflectedCommand(BN_CLICKED, &Reflecting::OnClicked)});
    return map;
  }
  BOOL OnClicked() {
    ++clicks;
    return win::FALSE;
  }
  int clicks = 0;
};

class ReflectingDialog : public CDialog {
 public:
  ReflectingDialog() : CDialog(800) {}
  const MessageMap& GetMessageMap() const override {
    static const MessageMap map(&CDialog::GetMessageMap(), {OnCommand(1052, &ReflectingDialog::OnGo)});
    return map;
  }
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, 1052, go);
    DDX_Text(dx, 1039, name);
    DDX_Check(dx, 1282, hide);
    DDX_Radio(dx, 1096, kind);
  }
  void OnGo() { ++parentClicks; }
  Reflecting go;
  std::string name = "card.FMB";
  int hide = 1;
  int kind = 1;
  int parentClicks = 0;
};

TEST(Reflection, AReflectedClickAnsweringFalseAlsoReachesTheParent) {
  RegisterDialogTemplateText(nullptr, kForm);
  ReflectingDialog dialog;
  ASSERT_TRUE(dialog.Create(800));
  dialog.go.SendMessage(BM_CLICK);
  EXPECT_EQ(dialog.go.clicks, 1);
  EXPECT_EQ(dialog.parentClicks, 1);
}

TEST(DataExchange, MovesTextChecksAndRadioChoicesBothWays) {
  RegisterDialogTemplateText(nullptr, kForm);
  ReflectingDialog dialog;
  ASSERT_TRUE(dialog.Create(800));
  EXPECT_EQ(dialog.GetDlgItemText(1039), "card.FMB") << "OnInitDialog put the members into the controls";
  EXPECT_EQ(dialog.IsDlgButtonChecked(1282), BST_CHECKED);
  EXPECT_EQ(dialog.IsDlgButtonChecked(1097), BST_CHECKED);
  dialog.SetDlgItemText(1039, "other.FMB");
  dialog.CheckDlgButton(1282, BST_UNCHECKED);
  dialog.GetDlgItem(1096)->SendMessage(BM_CLICK);
  dialog.UpdateData(win::TRUE);
  EXPECT_EQ(dialog.name, "other.FMB");
  EXPECT_EQ(dialog.hide, 0);
  EXPECT_EQ(dialog.kind, 0);
}

TEST(Geometry, ChildPositionsAddUpThroughTheirParents) {
  const HWND top =
      CreateWindowExA(0, kDialogClass, "", WS_POPUP, 100, 50, 300, 200, nullptr, nullptr, nullptr, nullptr);
  const HWND middle = CreateWindowExA(0, kDialogClass, "", WS_CHILD, 10, 20, 100, 100, top, nullptr, nullptr, nullptr);
  const HWND inner = CreateWindowExA(0, kStaticClass, "", WS_CHILD, 5, 6, 10, 10, middle, nullptr, nullptr, nullptr);
  RECT rect;
  GetWindowRect(inner, &rect);
  EXPECT_EQ(rect, (RECT{115, 76, 125, 86}));
  POINT point{0, 0};
  ClientToScreen(inner, &point);
  ScreenToClient(top, &point);
  EXPECT_EQ(point.x, 15);
  EXPECT_EQ(point.y, 26);
  EXPECT_EQ(CWnd::FromHandle(inner), CWnd::FromHandle(inner)) << "one temporary wrapper per window";
  DestroyWindow(top);
}

}  // namespace
}  // namespace ui
