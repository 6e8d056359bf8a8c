// The colour picker in a test window: its look, its palette's look and layout, and choosing by
// mouse and by keyboard through the test driver, with the notifications its parent receives.
#include "controls/colour_picker.h"

#include "controls/colour_palette_wnd.h"

#include "platform/ui/dialogs/cdialog.h"
#include "platform/ui/dialogs/prompter.h"
#include "platform/ui/gdi/frame_control.h"
#include "platform/ui/gdi/palette.h"
#include "platform/ui/testing/test_driver.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/system_metrics.h"
#include "platform/ui/windows/window_api.h"
#include "platform/ui/windows/window_class.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarnlok {
namespace {

constexpr int kPickerId = 922;
constexpr ui::COLORREF kFace = ui::RGB(212, 208, 200);
constexpr ui::COLORREF kShadow = ui::RGB(128, 128, 128);
constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);
constexpr ui::COLORREF kBlue = ui::RGB(0, 0, 255);

struct Note {
  ui::UINT message;
  ui::COLORREF colour;
  ui::LPARAM id;
  bool operator==(const Note&) const = default;
};

class Form : public ui::CDialog {
 public:
  Form() : CDialog(920) {}
  void DoDataExchange(ui::CDataExchange* dx) override { ui::DDX_Control(dx, kPickerId, picker); }
  ui::LRESULT WindowProc(ui::UINT message, ui::WPARAM wParam, ui::LPARAM lParam) override {
    if (message >= PICKER_SELCHANGE && message <= PICKER_SELENDCANCEL)
      notes.push_back(Note{message, static_cast<ui::COLORREF>(wParam), lParam});
    return CDialog::WindowProc(message, wParam, lParam);
  }
  CColourPicker picker;
  std::vector<Note> notes;
};

// Pixels of a window read back through its own DC.
ui::COLORREF At(ui::HWND window, int x, int y) {
  const ui::HDC dc = ui::GetDC(window);
  const ui::COLORREF colour = ui::GetPixel(dc, x, y);
  ui::ReleaseDC(window, dc);
  return colour;
}

class ColourPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.Create(920));
    form.ShowWindow(ui::SW_SHOW);
  }
  void Pump() {
    ui::MSG msg;
    for (int i = 0; i < 200 && ui::PeekMessage(&msg, nullptr, 0, 0, ui::PM_REMOVE); ++i) {
      ui::TranslateMessage(&msg);
      ui::DispatchMessage(&msg);
    }
  }
  // Clicks the picker and answers its open palette.
  CColourPaletteWnd* Open() {
    form.notes.clear();
    EXPECT_TRUE(driver.Click(form.m_hWnd, kPickerId));
    Pump();
    auto* palette = dynamic_cast<CColourPaletteWnd*>(ui::CWnd::FromHandlePermanent(ui::GetCapture()));
    EXPECT_NE(palette, nullptr) << "the palette holds the mouse";
    return palette;
  }
  ui::POINT Centre(CColourPaletteWnd* palette, int cell) {
    const ui::RECT r = palette->CellRect(cell);
    return ui::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void Key(ui::UINT key) {
    driver.PressKey(key);
    Pump();
  }
  ui::RECT PickerRect() {
    ui::RECT rect{};
    form.picker.GetWindowRect(&rect);
    return rect;
  }

  ui::TestDriver driver{[](const std::string& what) { ADD_FAILURE() << what; }};
  ui::ScriptedPrompter prompter{[](const std::string& what) { ADD_FAILURE() << what; }};
  Form form;
};

TEST_F(ColourPicker, TakesTheSizeOfOneArrowAndDrawsSwatchEdgeAndArrow) {
  ui::RECT client{};
  form.picker.GetClientRect(&client);
  // Arrow: the largest of 5 edges (10) and the thumbs (16); height arrow + 2 edges.
  EXPECT_EQ(client.bottom, 20);
  const int width = client.right;
  EXPECT_GE(width, 36);
  form.picker.SetWindowText("");
  form.picker.SetBkColour(ui::RGB(0, 147, 0));
  form.picker.RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);

  // The expected image, from the sizes alone.
  ui::CDC expected;
  expected.CreateCompatibleDC(nullptr);
  ui::CBitmap bitmap;
  bitmap.CreateBitmap(width, 20, 1, 32, nullptr);
  expected.SelectObject(&bitmap);
  expected.FillSolidRect(0, 0, width, 20, kFace);
  ui::RECT arrow{width - 18, 2, width - 2, 18};
  ui::DrawFrameControl(expected, &arrow, ui::DFC_SCROLL, ui::DFCS_SCROLLDOWN);
  ui::RECT edge{0, 0, width, 20};
  expected.DrawEdge(&edge, ui::EDGE_SUNKEN, ui::BF_RECT);
  // A rectangle without pen fills one pixel short of its right and bottom edges.
  expected.FillSolidRect(2, 2, width - 2 - 16 - 2 - 1, 20 - 4 - 1, ui::RGB(0, 147, 0));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < width; ++x) {
      ASSERT_EQ(At(form.picker.m_hWnd, x, y), expected.GetPixel(x, y)) << x << ", " << y;
    }
  }

  // A caption is drawn over the swatch in the text colour.
  form.picker.SetWindowText("Pick");
  form.picker.SetTextColour(ui::RGB(255, 0, 0));
  int red = 0;
  for (int x = 2; x < width - 18; ++x) {
    for (int y = 2; y < 18; ++y) red += At(form.picker.m_hWnd, x, y) == ui::RGB(255, 0, 0) ? 1 : 0;
  }
  EXPECT_GT(red, 10);
}

TEST_F(ColourPicker, ThePaletteShowsFortyCellsBetweenTheDefaultAndCustomBoxes) {
  form.picker.SetColour(kBlue);
  const ui::DWORD objects = ui::GetGuiResources(nullptr, ui::GR_GDIOBJECTS);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(form.notes, (std::vector<Note>{{PICKER_DROPDOWN, kBlue, kPickerId}}));
  ui::RECT window{};
  palette->GetWindowRect(&window);
  const ui::RECT picker = PickerRect();
  EXPECT_EQ(window.left, picker.left);
  EXPECT_EQ(window.top, picker.bottom);
  EXPECT_EQ(window.right - window.left, 8 * 18 + 4);
  EXPECT_EQ(palette->ChosenCell(), 13) << "blue is in the table";
  const ui::RECT first = palette->CellRect(0);
  const ui::RECT defaultBox = palette->CellRect(CColourPaletteWnd::kDefaultBox);
  EXPECT_EQ(defaultBox.left, 2);
  EXPECT_EQ(defaultBox.top, 2);
  EXPECT_EQ(first.left, 2);
  EXPECT_EQ(first.top, defaultBox.bottom + 2);
  const ui::RECT last = palette->CellRect(39);
  EXPECT_EQ(last.left, 7 * 18 + 2);
  EXPECT_EQ(last.top, first.top + 4 * 18);
  const ui::RECT custom = palette->CellRect(CColourPaletteWnd::kCustomBox);
  // The custom box starts where the window ended, two margins below the cells.
  EXPECT_EQ(custom.top, last.bottom + 4);
  EXPECT_EQ(window.bottom - window.top, custom.bottom + 4);

  palette->RedrawWindow(nullptr, ui::RDW_INVALIDATE | ui::RDW_UPDATENOW);
  const ui::HWND hwnd = palette->m_hWnd;
  for (int cell = 0; cell < kColourCount; ++cell) {
    const ui::RECT r = palette->CellRect(cell);
    // Inside, inset by margin + 1: a one-pixel shadow frame filled with the colour.
    EXPECT_EQ(At(hwnd, r.left + 3, r.top + 3), kShadow) << cell;
    EXPECT_EQ(At(hwnd, r.left + 4, r.top + 4), ColourTable[cell].colour) << cell;
    EXPECT_EQ(At(hwnd, r.right - 5, r.bottom - 5), ColourTable[cell].colour) << cell;
    EXPECT_EQ(At(hwnd, r.right - 4, r.bottom - 4), kShadow) << cell;
    if (cell == 13) {
      // The chosen cell: highlight fill and a sunken edge.
      EXPECT_EQ(At(hwnd, r.left, r.top), kShadow);
      EXPECT_EQ(At(hwnd, r.left + 2, r.top + 2), kWhite);
    } else {
      EXPECT_EQ(At(hwnd, r.left, r.top), kFace) << cell;
      EXPECT_EQ(At(hwnd, r.left + 2, r.top + 2), kFace) << cell;
    }
  }
  // The custom box's separator: a shadow line over a highlight line, 2 margins in.
  EXPECT_EQ(At(hwnd, custom.left + 4, custom.top), kShadow);
  EXPECT_EQ(At(hwnd, custom.left + 4, custom.top + 1), kWhite);
  EXPECT_EQ(At(hwnd, custom.left + 3, custom.top), kFace);
  // The default box's empty rectangle, 2 margins in.
  EXPECT_EQ(At(hwnd, defaultBox.left + 4, defaultBox.top + 4), kShadow);
  // The raised edge round the window.
  EXPECT_EQ(At(hwnd, 0, 0), ui::GetSysColor(ui::COLOR_3DLIGHT));
  EXPECT_EQ(At(hwnd, window.right - window.left - 1, 0), ui::GetSysColor(ui::COLOR_3DDKSHADOW));

  Key(ui::VK_ESCAPE);
  EXPECT_EQ(ui::GetGuiResources(nullptr, ui::GR_GDIOBJECTS), objects) << "the palette and its brushes are freed";
}

TEST_F(ColourPicker, AMouseClickOnACellChoosesItsColour) {
  form.picker.SetColour(ui::RGB(1, 2, 3));
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->ChosenCell(), CColourPaletteWnd::kCustomBox) << "a colour not in the table";
  const ui::HWND hwnd = palette->m_hWnd;
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_MOUSEMOVE, Centre(palette, 16)));
  Pump();
  EXPECT_EQ(palette->CurrentCell(), 16);
  const ui::RECT r = palette->CellRect(16);
  EXPECT_EQ(At(hwnd, r.left, r.top), ui::GetSysColor(ui::COLOR_3DLIGHT)) << "the current cell is raised";
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_MOUSEMOVE, Centre(palette, 13)));
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_LBUTTONUP, Centre(palette, 13)));
  Pump();
  EXPECT_FALSE(ui::IsWindow(hwnd));
  EXPECT_EQ(form.picker.GetColour(), kBlue);
  EXPECT_EQ(form.notes, (std::vector<Note>{{PICKER_DROPDOWN, ui::RGB(1, 2, 3), kPickerId},
                                           {PICKER_SELCHANGE, ui::RGB(255, 0, 0), kPickerId},
                                           {PICKER_SELCHANGE, kBlue, kPickerId},
                                           {PICKER_CLOSEUP, kBlue, kPickerId},
                                           {PICKER_SELENDOK, kBlue, kPickerId},
                                           {PICKER_SELCHANGE, kBlue, kPickerId}}));
}

TEST_F(ColourPicker, TheHitTestUsesTheCellsOwnCoordinates) {
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  const ui::RECT cell = palette->CellRect(9);
  EXPECT_EQ(palette->HitTest(ui::POINT{cell.left, cell.top}), 9);
  EXPECT_EQ(palette->HitTest(ui::POINT{cell.right - 1, cell.bottom - 1}), 9);
  EXPECT_EQ(palette->HitTest(ui::POINT{cell.right, cell.top}), 10);
  const ui::RECT box = palette->CellRect(CColourPaletteWnd::kDefaultBox);
  EXPECT_EQ(palette->HitTest(ui::POINT{box.left, box.top}), CColourPaletteWnd::kDefaultBox);
  EXPECT_EQ(palette->HitTest(ui::POINT{box.left, box.bottom}), CColourPaletteWnd::kNoCell) << "the gap above the cells";
  const ui::RECT custom = palette->CellRect(CColourPaletteWnd::kCustomBox);
  EXPECT_EQ(palette->HitTest(ui::POINT{custom.right - 1, custom.bottom - 1}), CColourPaletteWnd::kCustomBox);
  EXPECT_EQ(palette->HitTest(ui::POINT{1, 1}), CColourPaletteWnd::kNoCell);
  Key(ui::VK_ESCAPE);
}

TEST_F(ColourPicker, ArrowKeysWalkTheCellsAndEnterChooses) {
  form.picker.SetColour(CLR_DEFAULT);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->ChosenCell(), CColourPaletteWnd::kDefaultBox);
  Key(ui::VK_RIGHT);
  EXPECT_EQ(palette->CurrentCell(), 0) << "from nothing to the first cell";
  Key(ui::VK_LEFT);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kDefaultBox) << "before the first cell";
  Key(ui::VK_LEFT);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kCustomBox);
  Key(ui::VK_LEFT);
  EXPECT_EQ(palette->CurrentCell(), 39);
  Key(ui::VK_RIGHT);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kCustomBox) << "past the last cell, not a fortieth colour";
  Key(ui::VK_DOWN);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kDefaultBox);
  Key(ui::VK_DOWN);
  Key(ui::VK_DOWN);
  EXPECT_EQ(palette->CurrentCell(), 8);
  Key(ui::VK_RIGHT);
  Key(ui::VK_UP);
  EXPECT_EQ(palette->CurrentCell(), 1);
  Key(ui::VK_LEFT);
  EXPECT_EQ(palette->CurrentCell(), 0) << "left to the first cell, not past it";
  Key(ui::VK_RIGHT);
  Key(ui::VK_UP);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kDefaultBox);
  Key(ui::VK_DOWN);
  for (int i = 0; i < 4; ++i) Key(ui::VK_DOWN);
  EXPECT_EQ(palette->CurrentCell(), 32);
  Key(ui::VK_DOWN);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kCustomBox);
  Key(ui::VK_UP);
  EXPECT_EQ(palette->CurrentCell(), 39);
  Key(ui::VK_RETURN);
  EXPECT_EQ(form.picker.GetColour(), ui::RGB(255, 255, 255));
  ASSERT_GE(form.notes.size(), 2u);
  EXPECT_EQ(form.notes[form.notes.size() - 2], (Note{PICKER_SELENDOK, kWhite, kPickerId}));
}

TEST_F(ColourPicker, TheDefaultBoxChoosesTheDefaultColour) {
  form.picker.SetColour(kBlue);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  const ui::HWND hwnd = palette->m_hWnd;
  const ui::POINT box = Centre(palette, CColourPaletteWnd::kDefaultBox);
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_MOUSEMOVE, box));
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_LBUTTONUP, box));
  Pump();
  EXPECT_EQ(form.picker.GetColour(), CLR_DEFAULT);
  EXPECT_EQ(form.notes, (std::vector<Note>{{PICKER_DROPDOWN, kBlue, kPickerId},
                                           {PICKER_SELCHANGE, CLR_DEFAULT, kPickerId},
                                           {PICKER_CLOSEUP, CLR_DEFAULT, kPickerId},
                                           {PICKER_SELENDOK, CLR_DEFAULT, kPickerId},
                                           {PICKER_SELCHANGE, CLR_DEFAULT, kPickerId}}));
}

TEST_F(ColourPicker, EscapeGivesTheInitialColourBack) {
  form.picker.SetTrackSelection(win::TRUE);
  form.picker.SetColour(kBlue);
  ASSERT_NE(Open(), nullptr);
  Key(ui::VK_RIGHT);
  Key(ui::VK_RIGHT);
  EXPECT_EQ(form.picker.GetColour(), ui::RGB(165, 42, 0)) << "tracking takes the highlighted colour";
  Key(ui::VK_ESCAPE);
  EXPECT_EQ(form.picker.GetColour(), kBlue);
  EXPECT_EQ(form.notes.back(), (Note{PICKER_SELENDCANCEL, kBlue, kPickerId}));
  EXPECT_EQ(form.notes[form.notes.size() - 2], (Note{PICKER_CLOSEUP, kBlue, kPickerId}));
}

TEST_F(ColourPicker, TheCustomBoxAsksTheColourDialog) {
  form.picker.SetColour(kBlue);
  prompter.AnswerColour(ui::RGB(9, 8, 7)).AnswerColour(std::nullopt);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  Key(ui::VK_LEFT);
  Key(ui::VK_RIGHT);
  EXPECT_EQ(palette->CurrentCell(), CColourPaletteWnd::kCustomBox);
  EXPECT_EQ(form.notes.back(), (Note{PICKER_SELCHANGE, kBlue, kPickerId}))
      << "the custom box offers the initial colour";
  Key(ui::VK_SPACE);
  EXPECT_EQ(form.picker.GetColour(), ui::RGB(9, 8, 7));
  ASSERT_EQ(prompter.Asked().size(), 1u);
  EXPECT_EQ(prompter.Asked()[0].text, "RGB(0, 0, 255)");

  palette = Open();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->ChosenCell(), CColourPaletteWnd::kCustomBox) << "a colour from the dialog";
  Key(ui::VK_UP);
  Key(ui::VK_RIGHT);
  Key(ui::VK_RETURN);
  EXPECT_EQ(form.picker.GetColour(), ui::RGB(9, 8, 7)) << "a cancelled dialog gives the initial colour";
  EXPECT_EQ(form.notes[form.notes.size() - 1], (Note{PICKER_SELENDOK, ui::RGB(9, 8, 7), kPickerId}));
}

TEST_F(ColourPicker, CancellingTheColourDialogFromTheCustomBoxGivesTheInitialColour) {
  form.picker.SetColour(kBlue);
  prompter.AnswerColour(std::nullopt);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  const ui::HWND hwnd = palette->m_hWnd;
  Key(ui::VK_LEFT);
  EXPECT_EQ(palette->CurrentCell(), 39);
  Key(ui::VK_RIGHT);
  ASSERT_EQ(palette->CurrentCell(), CColourPaletteWnd::kCustomBox);
  form.notes.clear();
  Key(ui::VK_RETURN);
  ASSERT_EQ(prompter.Asked().size(), 1u) << "the colour dialog was asked";
  EXPECT_EQ(prompter.Asked()[0].text, "RGB(0, 0, 255)") << "starting from the initial colour";
  EXPECT_FALSE(ui::IsWindow(hwnd));
  EXPECT_EQ(form.picker.GetColour(), kBlue);
  // Ended with OK, not cancelled; the colour did not change, so no change is reported.
  EXPECT_EQ(form.notes, (std::vector<Note>{{PICKER_CLOSEUP, kBlue, kPickerId}, {PICKER_SELENDOK, kBlue, kPickerId}}));
}

TEST_F(ColourPicker, LosingTheActivationToAnotherProgramCancelsThePalette) {
  form.picker.SetTrackSelection(win::TRUE);
  form.picker.SetColour(kBlue);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  const ui::HWND hwnd = palette->m_hWnd;
  ASSERT_TRUE(driver.Mouse(hwnd, ui::WM_MOUSEMOVE, Centre(palette, 16)));
  Pump();
  EXPECT_EQ(form.picker.GetColour(), ui::RGB(255, 0, 0)) << "tracking took the red cell";
  ui::SendMessage(hwnd, ui::WM_ACTIVATEAPP, win::TRUE, 0);
  EXPECT_TRUE(ui::IsWindow(hwnd)) << "activation of the program keeps it open";
  form.notes.clear();
  ui::SendMessage(hwnd, ui::WM_ACTIVATEAPP, win::FALSE, 0);
  EXPECT_FALSE(ui::IsWindow(hwnd));
  EXPECT_EQ(ui::GetCapture(), nullptr) << "the mouse is given back";
  EXPECT_EQ(form.picker.GetColour(), kBlue);
  EXPECT_EQ(form.notes,
            (std::vector<Note>{{PICKER_CLOSEUP, kBlue, kPickerId}, {PICKER_SELENDCANCEL, kBlue, kPickerId}}));
}

TEST_F(ColourPicker, ThePaletteClassSavesWhatItCoversAndSharesOneDeviceContext) {
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  char name[64] = {};
  ui::GetClassNameA(palette->m_hWnd, name, sizeof(name));
  ui::WNDCLASSA wc;
  ASSERT_TRUE(ui::GetClassInfoA(nullptr, name, &wc));
  EXPECT_EQ(wc.style, ui::CS_CLASSDC | ui::CS_SAVEBITS | ui::CS_HREDRAW | ui::CS_VREDRAW);
  EXPECT_EQ(wc.hCursor, nullptr);
  Key(ui::VK_ESCAPE);
}

// A palette change elsewhere repaints the cells; the palette window's own does not.
TEST_F(ColourPicker, PaletteMessagesRepaintTheCells) {
  form.picker.SetColour(kBlue);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  const ui::HWND hwnd = palette->m_hWnd;
  palette->UpdateWindow();
  const ui::RECT cell = palette->CellRect(16);
  const ui::POINT inside{cell.left + 5, cell.top + 5};
  ASSERT_EQ(At(hwnd, inside.x, inside.y), ui::RGB(255, 0, 0));
  const auto scribble = [hwnd, &cell] {
    const ui::HDC dc = ui::GetDC(hwnd);
    ui::CDC::FromHandle(dc)->FillSolidRect(&cell, ui::RGB(1, 2, 3));
    ui::ReleaseDC(hwnd, dc);
  };
  scribble();
  ui::SendMessage(hwnd, ui::WM_PALETTECHANGED, reinterpret_cast<ui::WPARAM>(hwnd), 0);
  palette->UpdateWindow();
  EXPECT_EQ(At(hwnd, inside.x, inside.y), ui::RGB(1, 2, 3)) << "its own palette change repaints nothing";
  ui::SendMessage(hwnd, ui::WM_PALETTECHANGED, reinterpret_cast<ui::WPARAM>(form.m_hWnd), 0);
  palette->UpdateWindow();
  EXPECT_EQ(At(hwnd, inside.x, inside.y), ui::RGB(255, 0, 0)) << "another window's palette change repaints";
  scribble();
  EXPECT_NE(ui::SendMessage(hwnd, ui::WM_QUERYNEWPALETTE, 0, 0), 0);
  palette->UpdateWindow();
  EXPECT_EQ(At(hwnd, inside.x, inside.y), ui::RGB(255, 0, 0)) << "a new palette repaints";
  Key(ui::VK_ESCAPE);
}

TEST_F(ColourPicker, APaletteThatWouldLeaveTheScreenOpensAboveTheButton) {
  form.SetWindowPos(nullptr, 900, 700, 0, 0, ui::SWP_NOSIZE | ui::SWP_NOZORDER);
  CColourPaletteWnd* palette = Open();
  ASSERT_NE(palette, nullptr);
  ui::RECT window{};
  palette->GetWindowRect(&window);
  const ui::RECT picker = PickerRect();
  EXPECT_EQ(window.bottom, picker.top) << "moved up by its height and the button's";
  EXPECT_EQ(window.right, ui::GetSystemMetrics(ui::SM_CXSCREEN));
  Key(ui::VK_ESCAPE);
}

}  // namespace
}  // namespace tarnlok
