// The owner-drawn menu: loading a menu resource, mnemonics through its owner, and both looks
// read back pixel by pixel against images built from the looks' own colours and sizes.
#include "controls/owner_menu.h"

#include "controls/icon_button.h"
#include "controls/owner_menu_images.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/resources/menu_template.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/gdi/palette.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/win/system/windows_version.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <string>

namespace tarnlok {
namespace {

constexpr win::UINT kMenu = 900;
constexpr win::UINT kImage = 910;
constexpr int kWidth = 120;
constexpr int kHeight = 19;  // SM_CYMENU, above icon height + pad
constexpr ui::COLORREF kFace = ui::RGB(212, 208, 200);
constexpr ui::COLORREF kHighlight = ui::RGB(10, 36, 106);
constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);
constexpr ui::COLORREF kBlack = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kShadow = ui::RGB(128, 128, 128);

// A memory DC over a bitmap of one menu row, with the menu font selected.
struct Row {
  Row() {
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, kWidth, kHeight, ui::RGB(1, 2, 3));
    ui::NONCLIENTMETRICSA metrics;
    ui::SystemParametersInfoA(ui::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    font.CreateFontIndirect(&metrics.lfMenuFont);
    dc.SelectObject(&font);
  }
  void Fill(int left, int top, int right, int bottom, ui::COLORREF colour) {
    dc.FillSolidRect(left, top, right - left, bottom - top, colour);
  }
  void Text(const std::string& text, int left, ui::COLORREF colour, ui::UINT format = 0x24, int rightInset = 0) {
    ui::RECT rect{left, -1, kWidth - rightInset, kHeight - 1};
    dc.SetBkMode(ui::TRANSPARENT);
    dc.SetTextColor(colour);
    dc.DrawText(text, &rect, format);
  }
  // Grayed text: the shadow at its place over the highlight one pixel down and right.
  void EtchedText(const std::string& text, int left) {
    ui::RECT moved{left + 1, 0, kWidth + 1, kHeight};
    dc.SetBkMode(ui::TRANSPARENT);
    dc.SetTextColor(kWhite);
    dc.DrawText(text, &moved, 0x24);
    Text(text, left, kShadow);
  }
  // The radio dot: a filled circle six pixels across.
  void Dot(int x, int y, ui::COLORREF colour) {
    ui::CPen pen(ui::PS_SOLID, 1, colour);
    ui::CBrush brush(colour);
    ui::CPen* oldPen = dc.SelectObject(&pen);
    ui::CBrush* oldBrush = dc.SelectObject(&brush);
    dc.Ellipse(x, y, x + 6, y + 6);
    dc.SelectObject(oldBrush);
    dc.SelectObject(oldPen);
  }
  // A 10-pixel square of one colour, as the strip images of bitmap 911 hold at (3, 2).
  void Square(int x, int y, ui::COLORREF colour) { Fill(x + 3, y + 2, x + 13, y + 12, colour); }
  // The check mark: seven strokes three pixels long.
  void Tick(int x, int y, ui::COLORREF colour) {
    static constexpr int kTops[] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i) Fill(x + i, y + kTops[i], x + i + 1, y + kTops[i] + 3, colour);
  }
  ui::CDC dc;
  ui::CBitmap bitmap;
  ui::CFont font;
};

// The first differing pixel, or an empty text when the rows are the same.
std::string Difference(Row& actual, Row& expected) {
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const ui::COLORREF a = actual.dc.GetPixel(x, y);
      const ui::COLORREF e = expected.dc.GetPixel(x, y);
      if (a != e) {
        char text[96];
        std::snprintf(text, sizeof(text), "(%d, %d) is %06X, expected %06X", x, y, a, e);
        return text;
      }
    }
  }
  return {};
}

void Draw(COwnerMenu& menu, const COwnerMenuItem& record, ui::UINT state, Row& row) {
  ui::DRAWITEMSTRUCT item;
  item.CtlType = ui::ODT_MENU;
  item.itemState = state;
  item.hDC = row.dc;
  item.rcItem = ui::RECT{0, 0, kWidth, kHeight};
  item.itemData = reinterpret_cast<std::uintptr_t>(&record);
  item.itemID = static_cast<ui::UINT>(record.commandId);
  item.hwndItem = reinterpret_cast<ui::HWND>(menu.m_hMenu);
  menu.DrawItem(&item);
}

class OwnerMenu : public ::testing::Test {
 protected:
  void SetUp() override { UseWindows(win::WindowsVersion::Win2000); }
  void UseWindows(win::WindowsVersion version) {
    win::SetWindowsVersion(version);
    COwnerMenu::RefreshSystemLook();
  }
  // The loaded resource's first popup.
  COwnerMenu& Edit() {
    EXPECT_TRUE(menu.LoadMenu(kMenu));
    COwnerMenu* edit = COwnerMenu::FromHandle(ui::GetSubMenu(menu.m_hMenu, 0));
    EXPECT_NE(edit, nullptr);
    return *edit;
  }
  COwnerMenu menu;
};

TEST_F(OwnerMenu, LoadsAResourceWithSubmenusSeparatorsChecksAndGrayedItems) {
  EXPECT_FALSE(menu.LoadMenu(999)) << "no such resource";
  EXPECT_EQ(menu.m_hMenu, nullptr);
  COwnerMenu& edit = Edit();
  ASSERT_EQ(menu.Items().size(), 1u);
  EXPECT_EQ(menu.Items()[0]->menuFlags, ui::MF_BYPOSITION | ui::MF_POPUP) << "the top level stays a plain popup";
  EXPECT_EQ(ui::GetMenuState(menu.m_hMenu, 0, ui::MF_BYPOSITION) & ui::MF_OWNERDRAW, 0u);
  EXPECT_TRUE(COwnerMenu::IsMenu(edit.m_hMenu));

  ASSERT_EQ(edit.Items().size(), 5u);
  ASSERT_EQ(edit.GetMenuItemCount(), 5);
  const auto& items = edit.Items();
  EXPECT_EQ(items[0]->commandId, 901u);
  EXPECT_NE(items[0]->menuFlags & ui::MF_CHECKED, 0u);
  EXPECT_NE(items[1]->menuFlags & ui::MF_SEPARATOR, 0u);
  EXPECT_EQ(items[1]->commandId, 0u);
  EXPECT_NE(items[2]->menuFlags & ui::MF_GRAYED, 0u);
  EXPECT_NE(items[3]->menuFlags & ui::MF_POPUP, 0u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(edit.GetMenuState(static_cast<ui::UINT>(i), ui::MF_BYPOSITION) & ui::MF_OWNERDRAW, 0u) << i;
  }
  // The accelerator column: blanks before the tab make the left part as wide as the widest text.
  const std::string copy = items[0]->GetText();
  ASSERT_NE(copy.find('\t'), std::string::npos);
  EXPECT_EQ(copy.substr(0, 5), "&Copy");
  EXPECT_GT(copy.find('\t'), 5u);
  EXPECT_EQ(copy.substr(copy.find('\t')), "\tCtrl+C");
  EXPECT_EQ(copy.find_first_not_of(' ', 5), copy.find('\t'));

  int position = -1;
  COwnerMenu* insert = menu.FindMenuOption(904, position);
  ASSERT_NE(insert, nullptr);
  EXPECT_EQ(insert->m_hMenu, ui::GetSubMenu(edit.m_hMenu, 3));
  EXPECT_EQ(position, 1);
  std::string text;
  EXPECT_EQ(menu.GetItemText(904, text, ui::MF_BYCOMMAND), 1);
  EXPECT_EQ(text, "&Text box");
  EXPECT_EQ(menu.GetItemText(777, text, ui::MF_BYCOMMAND), 0);
  EXPECT_EQ(edit.GetItemText(9, text, ui::MF_BYPOSITION), 0);

  menu.DestroyMenu();
  EXPECT_FALSE(COwnerMenu::IsMenu(ui::GetSubMenu(menu.m_hMenu, 0)));
  EXPECT_EQ(menu.m_hMenu, nullptr);
}

TEST_F(OwnerMenu, ACutOrUnendedTemplateIsRefusedWithoutAMenu) {
  const auto whole = ui::LoadMenuTemplate(nullptr, kMenu);
  ASSERT_TRUE(whole);
  for (std::size_t size = 0; size < whole->size(); ++size) {
    EXPECT_FALSE(menu.LoadMenuIndirect(std::span(whole->data(), size))) << "cut to " << size << " bytes";
    EXPECT_EQ(menu.m_hMenu, nullptr) << size;
    EXPECT_TRUE(menu.Items().empty()) << size;
  }
  // A popup whose last item never carries the end flag runs off the template's end.
  const std::vector<ui::BYTE> unended{0, 0, 0, 0, ui::MF_POPUP, 0, 'A', 0, 0, 0, 0, 0, 0x21, 0, 'B', 0, 0, 0};
  EXPECT_FALSE(menu.LoadMenuIndirect(unended));
  // A header offset past the end.
  EXPECT_FALSE(menu.LoadMenuIndirect(std::vector<ui::BYTE>{0, 0, 0xFF, 0xFF, ui::MF_END, 0, 1, 0, 0, 0}));
  EXPECT_TRUE(menu.LoadMenuIndirect(*whole));
  EXPECT_EQ(menu.Items().size(), 1u);
}

TEST_F(OwnerMenu, MnemonicsMatchAnywhereInTheTextWithoutRegardToCase) {
  COwnerMenu& edit = Edit();
  const auto answer = [&edit](ui::UINT ch) { return COwnerMenu::FindKeyboardShortcut(ch, ui::MF_POPUP, edit.m_hMenu); };
  EXPECT_EQ(answer('s'), ui::MAKELPARAM(2, ui::MNC_EXECUTE)) << "Paste &Special";
  EXPECT_EQ(answer('F'), ui::MAKELPARAM(4, ui::MNC_EXECUTE));
  EXPECT_EQ(answer('c'), ui::MAKELPARAM(0, ui::MNC_EXECUTE));
  EXPECT_EQ(answer('z'), 0);
  EXPECT_EQ(COwnerMenu::FindKeyboardShortcut('s', 0, edit.m_hMenu), 0) << "only popups answer";
  EXPECT_EQ(COwnerMenu::FindKeyboardShortcut('s', ui::MF_POPUP, nullptr), 0);

  // An item added behind the class's back gets a record before the search.
  ui::AppendMenuA(edit.m_hMenu, ui::MF_STRING, 906, "&Zoom");
  EXPECT_EQ(answer('z'), ui::MAKELPARAM(5, ui::MNC_EXECUTE));
  EXPECT_EQ(edit.Items().size(), 6u);
  EXPECT_NE(edit.GetMenuState(5, ui::MF_BYPOSITION) & ui::MF_OWNERDRAW, 0u);
}

TEST_F(OwnerMenu, MeasuresRowsFromTheMenuFontAndTheIconColumn) {
  COwnerMenu& edit = Edit();
  ui::MEASUREITEMSTRUCT separator;
  separator.itemData = reinterpret_cast<std::uintptr_t>(edit.Items()[1].get());
  edit.MeasureItem(&separator);
  EXPECT_EQ(separator.itemWidth, 0u);
  EXPECT_EQ(separator.itemHeight, 9u) << "max(19 / 2, (15 + 4) / 2)";

  Row row;
  ui::MEASUREITEMSTRUCT find;
  find.itemData = reinterpret_cast<std::uintptr_t>(edit.Items()[4].get());
  edit.MeasureItem(&find);
  const int text = row.dc.GetTextExtent("&Find...").cx;
  EXPECT_EQ(find.itemWidth, static_cast<ui::UINT>(text + 2 * 16 + 1));
  EXPECT_EQ(find.itemHeight, 19u);

  UseWindows(win::WindowsVersion::Xp);
  edit.MeasureItem(&find);
  EXPECT_EQ(find.itemWidth, static_cast<ui::UINT>(text + 16 + 7 + 8));
  EXPECT_EQ(find.itemHeight, 22u) << "icon height + 7";
  edit.MeasureItem(&separator);
  EXPECT_EQ(separator.itemHeight, 11u);
}

TEST_F(OwnerMenu, ClassicLookDrawsChecksSelectionAndSeparatorsAsGiven) {
  COwnerMenu& edit = Edit();
  const auto& items = edit.Items();
  {
    Row actual, expected;
    Draw(edit, *items[0], ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    // The check cell: (1, dy + 2) to (17, dy + 17) with dy 0, blended toward white by 0.6,
    // a sunken outer border, the tick at (+4, +4).
    expected.Fill(1, 2, 17, 17, ui::RGB(237, 236, 233));
    expected.Fill(1, 2, 16, 3, kShadow);
    expected.Fill(1, 2, 2, 16, kShadow);
    expected.Fill(1, 16, 17, 17, kWhite);
    expected.Fill(16, 2, 17, 17, kWhite);
    expected.Tick(5, 6, kBlack);
    const std::string text = items[0]->GetText();
    expected.Text(text.substr(0, text.find('\t')), 25, kBlack);
    expected.Text("Ctrl+C", 25, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "");
  }
  {
    Row actual, expected;
    Draw(edit, *items[4], ui::ODS_SELECTED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kHighlight);
    expected.Text("&Find...", 25, kWhite);
    EXPECT_EQ(Difference(actual, expected), "") << "no image: the highlight fills the whole row";
  }
  {
    Row actual, expected;
    Draw(edit, *items[2], ui::ODS_GRAYED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    expected.EtchedText("Paste &Special", 25);
    EXPECT_EQ(Difference(actual, expected), "") << "grayed: etched text";
  }
  {
    Row actual, expected;
    Draw(edit, *items[1], 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    expected.Fill(0, 9, kWidth, 10, kShadow);
    expected.Fill(0, 10, kWidth, 11, kWhite);
    EXPECT_EQ(Difference(actual, expected), "") << "an etched line at half the height";
  }
}

TEST_F(OwnerMenu, XpLookDrawsTheIconBarAndTheLightSelection) {
  UseWindows(win::WindowsVersion::Xp);
  COwnerMenu& edit = Edit();
  const auto& items = edit.Items();
  constexpr int kBar = 23;  // icon width + 7
  {
    Row actual, expected;
    Draw(edit, *items[4], 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, kBar, kHeight, kFace);
    expected.Text("&Find...", kBar + 8, kBlack);
    EXPECT_EQ(Difference(actual, expected), "");
  }
  {
    Row actual, expected;
    Draw(edit, *items[4], ui::ODS_SELECTED, actual);
    // BlendTowardWhite (highlight, 0.7): c + 0.7 (255 - c) truncated.
    expected.Fill(0, 0, kWidth, kHeight, ui::RGB(181, 189, 210));
    expected.Fill(0, 0, kWidth, 1, kHighlight);
    expected.Fill(0, kHeight - 1, kWidth, kHeight, kHighlight);
    expected.Fill(0, 0, 1, kHeight, kHighlight);
    expected.Fill(kWidth - 1, 0, kWidth, kHeight, kHighlight);
    expected.Text("&Find...", kBar + 8, kBlack);
    EXPECT_EQ(Difference(actual, expected), "");
  }
  {
    Row actual, expected;
    Draw(edit, *items[0], ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, kBar, kHeight, kFace);
    // A 16-pixel box centred in the bar: x (23 - 16 + 1) / 2 = 4, y (19 - 16 + 1) / 2 = 2.
    expected.Fill(4, 2, 20, 18, kHighlight);
    expected.Fill(5, 3, 19, 17, ui::RGB(218, 222, 232));
    expected.Tick(9, 6, kBlack);
    const std::string text = items[0]->GetText();
    expected.Text(text.substr(0, text.find('\t')), kBar + 8, kBlack);
    expected.Text("Ctrl+C", kBar + 8, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "");
  }
  {
    Row actual, expected;
    Draw(edit, *items[1], 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(kBar + 7, 9, kWidth, 10, kShadow);
    expected.Fill(kBar + 7, 10, kWidth, 11, kWhite);
    expected.Fill(0, 0, kBar, kHeight, kFace);
    EXPECT_EQ(Difference(actual, expected), "");
  }
}

TEST_F(OwnerMenu, ImagesComeFromTheSharedListAndDisabledOnesAreEtched) {
  menu.CreatePopupMenu();
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Picture", 0, 903, static_cast<int>(kImage)));
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Picture again", ui::MF_GRAYED, 903, -1));
  const auto& items = menu.Items();
  EXPECT_EQ(items[0]->sharedImageIndex, 0);
  EXPECT_EQ(items[1]->sharedImageIndex, 0) << "the command's image is found again by id";
  EXPECT_EQ(COwnerMenu::SharedImageList()->GetImageCount(), 1);

  // The image: a red square framed in blue, (3, 2) to (13, 12), on the face colour.
  const auto imagePixel = [](int x, int y) { return x >= 3 && x < 13 && y >= 2 && y < 12; };
  {
    Row actual, expected;
    Draw(menu, *items[0], 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    for (int y = 2; y < 12; ++y) {
      for (int x = 3; x < 13; ++x) {
        const bool frame = x == 3 || x == 12 || y == 2 || y == 11;
        expected.Fill(2 + x, 2 + y, 3 + x, 3 + y, frame ? ui::RGB(0, 0, 255) : ui::RGB(255, 0, 0));
      }
    }
    expected.Text("&Picture", 25, kBlack);
    EXPECT_EQ(Difference(actual, expected), "") << "the image at (left + 2, top + dy + 2)";
  }
  {
    Row actual, expected;
    Draw(menu, *items[1], ui::ODS_GRAYED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    for (int y = 0; y < 15; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (imagePixel(x, y)) expected.Fill(3 + x, 3 + y, 4 + x, 4 + y, kWhite);
      }
    }
    for (int y = 0; y < 15; ++y) {
      for (int x = 0; x < 16; ++x) {
        if (imagePixel(x, y)) expected.Fill(2 + x, 2 + y, 3 + x, 3 + y, kShadow);
      }
    }
    expected.EtchedText("&Picture again", 25);
    EXPECT_EQ(Difference(actual, expected), "") << "shadow at the place, highlight one pixel down and right";
  }
}

TEST_F(OwnerMenu, XpLookDrawsFadedImagesAndRaisesThemWhenSelected) {
  UseWindows(win::WindowsVersion::Xp);
  menu.CreatePopupMenu();
  // A command of its own: the shared list lives as long as the process and other tests fill it.
  const int before = COwnerMenu::SharedImageList()->GetImageCount();
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Picture", 0, 906, static_cast<int>(kImage)));
  EXPECT_EQ(COwnerMenu::SharedImageList()->GetImageCount(), before + 3) << "the image, its faded and its shadow copy";
  const COwnerMenuItem& record = *menu.Items()[0];
  constexpr int kBar = 23;
  // The image's pixels (a blue frame round red, (3, 2) to (13, 12)) drawn at (x, y) by a colouring.
  const auto paint = [](Row& row, int x, int y, const std::function<ui::COLORREF(bool frame)>& colour) {
    for (int py = 2; py < 12; ++py) {
      for (int px = 3; px < 13; ++px) {
        const bool frame = px == 3 || px == 12 || py == 2 || py == 11;
        row.Fill(x + px, y + py, x + px + 1, y + py + 1, colour(frame));
      }
    }
  };
  {
    Row actual, expected;
    Draw(menu, record, 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, kBar, kHeight, kFace);
    // Offsets (23 - 16 + 1) / 2 = 4 and (19 - 15 + 1) / 2 = 2; faded: c + 0.3 (255 - c).
    paint(expected, 4, 2, [](bool frame) { return frame ? ui::RGB(76, 76, 255) : ui::RGB(255, 76, 76); });
    expected.Text("&Picture", kBar + 8, kBlack);
    EXPECT_EQ(Difference(actual, expected), "");
  }
  {
    Row actual, expected;
    Draw(menu, record, ui::ODS_SELECTED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kHighlight);
    expected.Fill(1, 1, kWidth - 1, kHeight - 1, ui::RGB(181, 189, 210));
    paint(expected, 5, 3, [](bool) { return kShadow; });
    paint(expected, 3, 1, [](bool frame) { return frame ? ui::RGB(0, 0, 255) : ui::RGB(255, 0, 0); });
    expected.Text("&Picture", kBar + 8, kBlack);
    EXPECT_EQ(Difference(actual, expected), "") << "the shadow one pixel down and right, the image one up and left";
  }
}

TEST_F(OwnerMenu, TheIconButtonOpensItsMenuAndAMnemonicChoosesTheCommand) {
  ui::RegisterDialogTemplateText(nullptr, R"(
DIALOG 930 0 0 120 60
STYLE POPUP VISIBLE
CONTROL 931 BUTTON "Edit" 10 10 50 14 PUSHBUTTON TABSTOP
)");
  struct Form : ui::CDialog {
    Form() : CDialog(930) {}
    void DoDataExchange(ui::CDataExchange* dx) override { ui::DDX_Control(dx, 931, button); }
    CIconButton button;
  } form;
  ASSERT_TRUE(form.Create(930));
  ASSERT_TRUE(form.button.DropDownMenu().LoadMenu(kMenu));
  form.button.SetMenuTarget(form.m_hWnd);
  ui::TestDriver driver([](const std::string& what) { ADD_FAILURE() << what; });
  ui::UINT measured = 0;
  // The pixel inside the focus frame: the shadow of a pressed button, the light of a raised one.
  const auto corner = [&form] {
    form.button.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
    const ui::HDC dc = ui::GetDC(form.button.m_hWnd);
    const ui::COLORREF colour = ui::GetPixel(dc, 1, 1);
    ui::ReleaseDC(form.button.m_hWnd, dc);
    return colour;
  };
  ui::COLORREF cornerWhileOpen = 0;
  driver.OnMenu([&](ui::HMENU popup, ui::HWND owner) {
    EXPECT_EQ(owner, form.button.m_hWnd);
    cornerWhileOpen = corner();
    measured = static_cast<ui::UINT>(ui::GetMenuItemCount(popup));
    return ui::MenuCommandForKey(popup, owner, 'f');
  });
  ASSERT_TRUE(driver.Click(form.m_hWnd, 931));
  ui::MSG msg;
  ui::UINT command = 0;
  for (int i = 0; i < 50 && command == 0; ++i) {
    if (!ui::PeekMessage(&msg, nullptr, 0, 0, ui::PM_REMOVE)) continue;
    if (msg.message == ui::WM_COMMAND && msg.hwnd == form.m_hWnd) command = ui::LOWORD(msg.wParam);
    ui::DispatchMessage(&msg);
  }
  EXPECT_EQ(measured, 5u);
  EXPECT_EQ(command, 905u) << "&Find... by its mnemonic";
  EXPECT_EQ(cornerWhileOpen, ui::GetSysColor(ui::COLOR_BTNSHADOW)) << "pressed while its menu is open";
  EXPECT_EQ(corner(), ui::GetSysColor(ui::COLOR_BTNHIGHLIGHT)) << "raised again once it closed";
}

constexpr win::UINT kStrip = 911;  // a green square, then a yellow one
constexpr ui::COLORREF kGreen = ui::RGB(0, 160, 0);
constexpr ui::COLORREF kYellow = ui::RGB(255, 255, 0);

// A checked item with a checked bitmap is a radio item: a dot where a tick would be.
TEST_F(OwnerMenu, ARadioItemShowsADotInBothLooks) {
  COwnerMenu& edit = Edit();
  const COwnerMenuItem& copy = *edit.Items()[0];
  ui::CBitmap dot;
  dot.CreateBitmap(8, 8, 1, 1, nullptr);
  ASSERT_TRUE(ui::SetMenuItemBitmaps(edit.m_hMenu, 901, ui::MF_BYCOMMAND, nullptr, dot));
  const std::string text = copy.GetText();
  {
    Row actual, expected;
    Draw(edit, copy, ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    expected.Fill(1, 2, 17, 17, ui::RGB(237, 236, 233));
    expected.Fill(1, 2, 16, 3, kShadow);
    expected.Fill(1, 2, 2, 16, kShadow);
    expected.Fill(1, 16, 17, 17, kWhite);
    expected.Fill(16, 2, 17, 17, kWhite);
    expected.Dot(6, 6, kBlack);  // (left + 5, top + 4) of the cell at (1, 2)
    expected.Text(text.substr(0, text.find('\t')), 25, kBlack);
    expected.Text("Ctrl+C", 25, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "") << "classic";
    EXPECT_EQ(actual.dc.GetPixel(8, 8), kBlack) << "inside the dot";
  }
  UseWindows(win::WindowsVersion::Xp);
  {
    Row actual, expected;
    Draw(edit, copy, ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, 23, kHeight, kFace);
    expected.Fill(4, 2, 20, 18, kHighlight);
    expected.Fill(5, 3, 19, 17, ui::RGB(218, 222, 232));
    expected.Dot(9, 6, kBlack);  // (left + 5, top + 4) of the box at (4, 2)
    expected.Text(text.substr(0, text.find('\t')), 31, kBlack);
    expected.Text("Ctrl+C", 31, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "") << "XP";
  }
}

// Check-mark images take the place of the tick: image 0 unselected, image 1 selected.
TEST_F(OwnerMenu, CheckMarkImagesReplaceTheTickInBothLooks) {
  COwnerMenu& edit = Edit();
  auto images = std::make_unique<ui::CImageList>();
  images->Create(16, 15, ui::ILC_MASK | ui::ILC_COLOR32, 2, 1);
  const ui::HBITMAP strip = ui::LoadBitmapA(nullptr, kStrip);
  ASSERT_EQ(images->Add(strip, kFace), 0);
  ui::DeleteObject(strip);
  edit.SetCheckMarkImages(std::move(images), 1, 1);
  const COwnerMenuItem& copy = *edit.Items()[0];
  const std::string text = copy.GetText();
  {
    Row actual, expected;
    Draw(edit, copy, ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    expected.Square(2, 2, kGreen);
    expected.Text(text.substr(0, text.find('\t')), 25, kBlack);
    expected.Text("Ctrl+C", 25, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "") << "classic, unselected: image 0 at (left + 2, top + dy + 2)";
  }
  {
    Row actual, expected;
    Draw(edit, copy, ui::ODS_CHECKED | ui::ODS_SELECTED, actual);
    // Selected, only the outer cell and the highlight are drawn; column 20 keeps the menu's.
    expected.Fill(0, 0, 20, kHeight, kFace);
    expected.Fill(21, 0, kWidth, kHeight, kHighlight);
    expected.Square(2, 2, kYellow);
    expected.Text(text.substr(0, text.find('\t')), 25, kWhite);
    expected.Text("Ctrl+C", 25, kWhite, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "") << "classic, selected: image 1";
  }
  UseWindows(win::WindowsVersion::Xp);
  {
    Row actual, expected;
    Draw(edit, copy, ui::ODS_CHECKED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, 23, kHeight, kFace);
    expected.Square(4, 2, kGreen);
    expected.Text(text.substr(0, text.find('\t')), 31, kBlack);
    expected.Text("Ctrl+C", 31, kBlack, 0x26, 16);
    EXPECT_EQ(Difference(actual, expected), "") << "XP: image 0 at the image offsets over the bar";
  }
}

// The command's button in the toolbar resource picks its image out of the strip.
TEST_F(OwnerMenu, TheToolbarResourceNamesEachCommandsImageInTheStrip) {
  int index = 0;
  EXPECT_TRUE(COwnerMenu::ToolbarImageIndex(908, kStrip, index));
  EXPECT_EQ(index, 1) << "separators take no image";
  EXPECT_FALSE(COwnerMenu::ToolbarImageIndex(909, kStrip, index));
  EXPECT_FALSE(COwnerMenu::ToolbarImageIndex(908, 999, index)) << "no such toolbar";
  menu.CreatePopupMenu();
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Green", 0, 907, static_cast<int>(kStrip)));
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Yellow", 0, 908, static_cast<int>(kStrip)));
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&None", 0, 909, static_cast<int>(kStrip)));
  const auto& items = menu.Items();
  EXPECT_EQ(items[2]->sharedImageIndex, -1) << "a command the toolbar does not have gets no image";
  for (const auto& [record, colour] : {std::pair{items[0].get(), kGreen}, std::pair{items[1].get(), kYellow}}) {
    Row actual, expected;
    Draw(menu, *record, 0, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    expected.Square(2, 2, colour);
    expected.Text(record->GetText(), 25, kBlack);
    EXPECT_EQ(Difference(actual, expected), "") << record->GetText();
  }
}

// Old-style disabled images etch the image's dark pixels only; the default etches every pixel
// that is not the face or the highlight colour.
TEST_F(OwnerMenu, OldStyleDisabledImagesEtchOnlyTheDarkPixels) {
  menu.CreatePopupMenu();
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Green", ui::MF_GRAYED, 907, static_cast<int>(kStrip)));
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Yellow", ui::MF_GRAYED, 908, static_cast<int>(kStrip)));
  const auto& items = menu.Items();
  const auto etched = [](Row& row) {
    row.Square(3, 3, kWhite);
    row.Square(2, 2, kShadow);
  };
  for (const bool oldStyle : {false, true}) {
    menu.SetOldStyleDisabledImages(oldStyle ? win::TRUE : win::FALSE);
    for (const COwnerMenuItem* record : {items[0].get(), items[1].get()}) {
      Row actual, expected;
      Draw(menu, *record, ui::ODS_GRAYED, actual);
      expected.Fill(0, 0, kWidth, kHeight, kFace);
      const bool dark = record->commandId == 907;
      if (dark || !oldStyle) etched(expected);
      expected.EtchedText(record->GetText(), 25);
      EXPECT_EQ(Difference(actual, expected), "") << record->GetText() << (oldStyle ? ", old style" : "");
    }
  }
  // The XP look etches over the icon bar at the image offsets (4, 2); its grayed text is plain.
  UseWindows(win::WindowsVersion::Xp);
  for (const COwnerMenuItem* record : {items[0].get(), items[1].get()}) {
    Row actual, expected;
    Draw(menu, *record, ui::ODS_GRAYED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kWhite);
    expected.Fill(0, 0, 23, kHeight, kFace);
    if (record->commandId == 907) {
      expected.Square(5, 3, kWhite);
      expected.Square(4, 2, kShadow);
    }
    expected.Text(record->GetText(), 31, kShadow);
    EXPECT_EQ(Difference(actual, expected), "") << record->GetText() << ", XP, old style";
  }
}

// A disabled image is etched on its first paint and kept: later paints of it, by any item, make
// nothing that stays, and the menu frees what it kept when it goes.
TEST_F(OwnerMenu, DisabledImagesAreEtchedOnceAndReleasedWithTheMenu) {
  menu.CreatePopupMenu();
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Green", ui::MF_GRAYED, 907, static_cast<int>(kStrip)));
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Green again", ui::MF_GRAYED, 907, -1));
  const auto& items = menu.Items();
  Row first, second, third;
  const auto live = [] { return ui::GetGuiResources(nullptr, ui::GR_GDIOBJECTS); };
  const auto before = live();
  Draw(menu, *items[0], ui::ODS_GRAYED, first);
  EXPECT_EQ(live(), before + 1) << "the etched shape is kept";
  Draw(menu, *items[1], ui::ODS_GRAYED, second);
  Draw(menu, *items[0], ui::ODS_GRAYED, third);
  EXPECT_EQ(live(), before + 1) << "the same image is not etched again";
  EXPECT_EQ(Difference(first, third), "");
  menu.DestroyMenu();
  EXPECT_EQ(live(), before);
}

// The shared list's image of a command replaced in place is etched anew.
TEST_F(OwnerMenu, AReplacedImageIsEtchedAgain) {
  menu.CreatePopupMenu();
  menu.SetOldStyleDisabledImages(win::TRUE);
  ASSERT_TRUE(menu.AppendOwnerDrawnItem(L"&Green", ui::MF_GRAYED, 907, static_cast<int>(kStrip)));
  const COwnerMenuItem& record = *menu.Items()[0];
  const auto drawn = [&](bool etched) {
    Row actual, expected;
    Draw(menu, record, ui::ODS_GRAYED, actual);
    expected.Fill(0, 0, kWidth, kHeight, kFace);
    if (etched) {
      expected.Square(3, 3, kWhite);
      expected.Square(2, 2, kShadow);
    }
    expected.EtchedText(record.GetText(), 25);
    return Difference(actual, expected);
  };
  EXPECT_EQ(drawn(true), "") << "the dark green square is etched";
  ui::CImageList strip;
  strip.Create(COwnerMenu::kIconWidth, COwnerMenu::kIconHeight, ui::ILC_MASK | ui::ILC_COLOR32, 2, 1);
  const ui::HBITMAP bitmap = ui::LoadBitmapA(nullptr, kStrip);
  strip.Add(bitmap, kFace);
  ui::DeleteObject(bitmap);
  ASSERT_EQ(COwnerMenu::AddToSharedImageList(strip, 1, 907), record.sharedImageIndex);
  EXPECT_EQ(drawn(false), "") << "the light yellow square leaves no etch";
}

// Dynamic icons are added from their handles; bitmaps can be masked with their own background.
TEST_F(OwnerMenu, DynamicIconsAndTheBitmapBackgroundColourMaskTheRightPixels) {
  const auto drawn = [](ui::CImageList& list, int x, int y) {
    Row row;
    row.Fill(0, 0, kWidth, kHeight, kWhite);
    list.Draw(row.dc, 0, ui::POINT{0, 0}, ui::ILD_TRANSPARENT);
    return row.dc.GetPixel(x, y);
  };
  const auto fresh = [](ui::CImageList& list) { list.Create(16, 15, ui::ILC_MASK | ui::ILC_COLOR32, 1, 1); };
  {
    ui::CImageList list;
    fresh(list);
    ASSERT_EQ(menu.AddBitmapToImageList(list, 912), 1);
    EXPECT_EQ(drawn(list, 0, 0), ui::RGB(192, 192, 192)) << "masked with the face colour, silver stays";
  }
  {
    menu.SetBitmapBackground(ui::RGB(192, 192, 192));
    ui::CImageList list;
    fresh(list);
    ASSERT_EQ(menu.AddBitmapToImageList(list, 912), 1);
    EXPECT_EQ(drawn(list, 0, 0), kWhite) << "the bitmap background is transparent";
    EXPECT_EQ(drawn(list, 6, 6), ui::RGB(255, 0, 0));
    menu.UnsetBitmapBackground();
  }
  {
    menu.SetDynamicIcons(win::TRUE);
    ui::CImageList source;
    fresh(source);
    const ui::HBITMAP strip = ui::LoadBitmapA(nullptr, kStrip);
    source.Add(strip, kFace);
    ui::DeleteObject(strip);
    const ui::HICON icon = ui::ImageList_GetIcon(source, 1, 0);
    ui::CImageList list;
    fresh(list);
    ASSERT_EQ(menu.AddBitmapToImageList(list, reinterpret_cast<std::uintptr_t>(icon)), 1);
    EXPECT_EQ(list.GetImageCount(), 1);
    EXPECT_EQ(drawn(list, 6, 6), kYellow) << "the icon's own image";
    EXPECT_EQ(drawn(list, 0, 0), kWhite);
    ui::DestroyIcon(icon);
    menu.SetDynamicIcons(win::FALSE);
  }
}

// A 16-colour bitmap is drawn in the system's colours: its light grey becomes the face colour,
// which the image list then masks out. Bitmaps of other colour counts load as they are.
TEST_F(OwnerMenu, SixteenColourBitmapsTakeTheSystemColours) {
  constexpr win::UINT kSixteenColours = 913;  // light grey, a red square, one dark grey pixel
  constexpr win::UINT kTrueColour = 912;  // the same light grey and red square in 24 bits
  EXPECT_EQ(LoadSysColourBitmap(kTrueColour), nullptr);
  EXPECT_EQ(LoadSysColourBitmap(999), nullptr);
  const ui::HBITMAP mapped = LoadSysColourBitmap(kSixteenColours);
  ASSERT_NE(mapped, nullptr);
  {
    ui::CDC dc;
    dc.CreateCompatibleDC(nullptr);
    const ui::HGDIOBJ old = dc.SelectObject(mapped);
    EXPECT_EQ(dc.GetPixel(0, 0), kFace) << "light grey is the face colour";
    EXPECT_EQ(dc.GetPixel(15, 14), kShadow) << "dark grey is the shadow colour";
    EXPECT_EQ(dc.GetPixel(6, 6), ui::RGB(255, 0, 0)) << "other colours stay";
    dc.SelectObject(old);
  }
  ui::DeleteObject(mapped);

  ui::CImageList list;
  list.Create(16, 15, ui::ILC_MASK | ui::ILC_COLOR32, 1, 1);
  ASSERT_EQ(menu.AddBitmapToImageList(list, kSixteenColours), 1);
  Row row;
  row.Fill(0, 0, kWidth, kHeight, kWhite);
  list.Draw(row.dc, 0, ui::POINT{0, 0}, ui::ILD_TRANSPARENT);
  EXPECT_EQ(row.dc.GetPixel(0, 0), kWhite) << "the mapped background is masked";
  EXPECT_EQ(row.dc.GetPixel(6, 6), ui::RGB(255, 0, 0));
}

}  // namespace
}  // namespace tarnlok
