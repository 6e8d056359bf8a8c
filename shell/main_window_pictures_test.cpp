// Pictures of the main window on each of its pages, saved beside the test programs and read
// back: the device list's rows with their icons, each page's background and its labels.
#include "platform/ui/gdi.h"
#include "platform/ui/message_box.h"
#include "platform/ui/message_queue.h"
#include "platform/ui/messages.h"
#include "platform/ui/resources.h"
#include "platform/ui/window_api.h"
#include "device/device_messages.h"
#include "shell/main_dlg.h"
#include "shell/shell_test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tarnlok {
namespace {

// A saved picture, read back through the platform's own image loading.
class Picture {
 public:
  explicit Picture(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    bitmap_ = ui::CreateBitmapFromImageBytes(bytes.data(), bytes.size());
    dc_ = ui::CreateCompatibleDC(nullptr);
    if (bitmap_ != nullptr) old_ = ui::SelectObject(dc_, bitmap_);
  }
  explicit Picture(ui::HBITMAP bitmap) : bitmap_(bitmap), dc_(ui::CreateCompatibleDC(nullptr)) {
    old_ = ui::SelectObject(dc_, bitmap_);
  }
  ~Picture() {
    if (old_ != nullptr) ui::SelectObject(dc_, old_);
    ui::DeleteDC(dc_);
    if (bitmap_ != nullptr) ui::DeleteObject(bitmap_);
  }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;

  bool Loaded() const { return bitmap_ != nullptr; }
  ui::COLORREF At(int x, int y) const { return ui::GetPixel(dc_, x, y); }
  // The top-most, then left-most, point of the area in exactly that colour.
  std::optional<ui::POINT> Find(const ui::RECT& area, ui::COLORREF colour) const {
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        if (At(x, y) == colour) return ui::POINT{x, y};
      }
    }
    return std::nullopt;
  }

 private:
  ui::HBITMAP bitmap_ = nullptr;
  ui::HDC dc_ = nullptr;
  ui::HGDIOBJ old_ = nullptr;
};

bool FarApart(ui::COLORREF a, ui::COLORREF b) {
  const auto apart = [](int x, int y) { return std::abs(x - y) > 60; };
  return apart(ui::GetRValue(a), ui::GetRValue(b)) || apart(ui::GetGValue(a), ui::GetGValue(b)) ||
         apart(ui::GetBValue(a), ui::GetBValue(b));
}

// How many points of the area stand out from its ground.
int Inked(const Picture& shot, const ui::RECT& area, ui::COLORREF ground) {
  int inked = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) inked += FarApart(shot.At(x, y), ground) ? 1 : 0;
  }
  return inked;
}

// The window's rectangle in the main window's client coordinates, which are the picture's.
ui::RECT PlaceIn(ui::HWND main, ui::HWND window) {
  ui::RECT rect{};
  ui::GetWindowRect(window, &rect);
  ui::POINT corner{rect.left, rect.top};
  ui::ScreenToClient(main, &corner);
  return {corner.x, corner.y, corner.x + rect.right - rect.left, corner.y + rect.bottom - rect.top};
}

// Columns of a control that differ from the page's background there: where its text was drawn.
struct Ink {
  int left = 0;
  int right = 0;
  bool found = false;
};

class MainWindowPictures : public testing::ProgramTest {
 protected:
  std::filesystem::path Save(ui::HWND main, const std::string& page) {
    const auto file = std::filesystem::path(std::getenv("TARNLOK_BIN_DIR")) / ("shell-main-" + page + ".png");
    EXPECT_TRUE(ui::SaveWindowPng(main, file.string()));
    return file;
  }

  // Where the page's background bitmap (drawn from the page's corner) and the picture part.
  Ink InkOf(const Picture& shot, const Picture& background, ui::HWND main, ui::HWND page, int id) {
    const ui::RECT control = PlaceIn(main, ui::GetDlgItem(page, id));
    const ui::RECT origin = PlaceIn(main, page);
    Ink ink;
    for (int x = control.left; x < control.right; ++x) {
      for (int y = control.top; y < control.bottom; ++y) {
        if (!FarApart(shot.At(x, y), background.At(x - origin.left, y - origin.top))) continue;
        if (!ink.found) ink.left = x;
        ink.right = x + 1;
        ink.found = true;
      }
    }
    return ink;
  }

  // The label's text is drawn where its alignment puts it, as wide as its font measures it.
  void ExpectLabel(const Picture& shot, const Picture& background, ui::HWND main, ui::HWND page, int id,
                   bool rightAligned) {
    const ui::HWND label = ui::GetDlgItem(page, id);
    ASSERT_NE(label, nullptr) << id;
    ui::CWnd* control = ui::CWnd::FromHandle(label);
    ui::CClientDC dc(control);
    dc.SelectObject(control->GetFont());
    // The values begin with a blank, which leaves no ink.
    const std::string words = control->GetWindowText();
    const std::size_t blanks = words.find_first_not_of(' ');
    ASSERT_NE(blanks, std::string::npos) << "control " << id << " is empty";
    const int indent = blanks == 0 ? 0 : dc.GetTextExtent(words.substr(0, blanks)).cx;
    const ui::SIZE text = dc.GetTextExtent(words.substr(blanks));
    const ui::RECT place = PlaceIn(main, label);
    const Ink ink = InkOf(shot, background, main, page, id);
    ASSERT_TRUE(ink.found) << "control " << id << " shows no text";
    const int expectedLeft = rightAligned ? place.right - text.cx : place.left + indent;
    EXPECT_NEAR(ink.left, expectedLeft, 3) << "control " << id;
    EXPECT_NEAR(ink.right - ink.left, text.cx, 4) << "control " << id;
  }

  // Away from its controls, the page shows its background bitmap exactly.
  void ExpectBackground(const Picture& shot, const Picture& background, ui::HWND main, ui::HWND page, int x, int y) {
    const ui::RECT origin = PlaceIn(main, page);
    EXPECT_EQ(shot.At(origin.left + x, origin.top + y), background.At(x, y)) << "at " << x << ", " << y;
  }
};

TEST_F(MainWindowPictures, EachPageIsSavedWithTheDeviceRowsItsBackgroundAndItsLabels) {
  Start(testing::TwoReaders("xp"));
  testing::HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    auto* window = static_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
    ASSERT_NE(window, nullptr);
    const Picture background(ui::LoadBitmapA(nullptr, 220));
    // The engraved title ends before the row of pictures begins, so that none of it is hidden.
    ui::CFont titleFont;
    titleFont.CreateFont(24, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    ui::CClientDC dc(window);
    dc.SelectObject(&titleFont);
    const int titleEnd = PlaceIn(main, ui::GetDlgItem(main, 1010)).left + 11 + 1 +
                         dc.GetTextExtent(LoadProgramString(103)).cx;
    EXPECT_LT(titleEnd, PlaceIn(main, ui::GetDlgItem(main, 1269)).left);

    const std::array<const char*, 4> names = {"information", "recovery", "tools", "about"};
    for (int index = 0; index < 4; ++index) {
      window->Sheet().SetActivePage(index);
      const ui::HWND page = window->Sheet().GetActivePage()->m_hWnd;
      const Picture shot(Save(main, names[static_cast<std::size_t>(index)]));
      ASSERT_TRUE(shot.Loaded());

      // The rows: the other maker's reader's icon, exactly as drawn, with its text beside it;
      // the row above it shown selected, its own text drawn over the selection.
      const ui::RECT list = PlaceIn(main, ui::GetDlgItem(main, kDeviceListControl));
      const auto other = shot.Find(list, ui::RGB(0xb4, 0xb4, 0xb4));
      ASSERT_TRUE(other) << names[static_cast<std::size_t>(index)];
      const ui::COLORREF empty = shot.At(list.left + 20, list.bottom - 30);
      const int column = list.right - 10;
      EXPECT_EQ(shot.At(column, other->y), empty) << "row 1 is not selected";
      int bottom = other->y;
      while (bottom > list.top && shot.At(column, bottom - 1) == empty) --bottom;
      const ui::COLORREF selection = shot.At(column, bottom - 1);
      int top = bottom - 1;
      while (top > list.top && shot.At(column, top - 1) == selection) --top;
      EXPECT_NE(selection, empty);
      EXPECT_GE(bottom - top, 14) << "row 0 is shown selected over its whole height";
      EXPECT_GT(Inked(shot, {other->x + 16, top, list.right - 4, bottom}, selection), 10) << "row 0's text";
      EXPECT_GT(Inked(shot, {other->x + 16, bottom, list.right - 4, bottom + 16}, empty), 10) << "row 1's text";

      ExpectBackground(shot, background, main, page, 3, 300);
      ExpectBackground(shot, background, main, page, 250, 315);
      EXPECT_LE(PlaceIn(main, window->Sheet().m_hWnd).right, PlaceIn(main, ui::GetDlgItem(main, 1275)).left)
          << "the sheet ends before the right edge picture";
      if (index == 0) {
        for (int id : {1019, 1027, 1037, 1020, 1023, 1024, 1038}) ExpectLabel(shot, background, main, page, id, true);
        for (int id : {1262, 1021, 1025, 1026, 1029}) ExpectLabel(shot, background, main, page, id, false);
      }
      if (index == 3) {
        for (int id : {1011, 1012}) ExpectLabel(shot, background, main, page, id, true);
        for (int id : {1014, 1015, 1250, 1017, 1018, 1022, 1023, 1024}) {
          ExpectLabel(shot, background, main, page, id, false);
        }
        const ui::RECT web = PlaceIn(main, ui::GetDlgItem(page, 1024));
        EXPECT_TRUE(shot.Find(web, ui::RGB(0, 0, 255))) << "the link in the link colour";
      }
    }
    ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0);
  });
  Run();
  EXPECT_EQ(driver.Started(), std::vector<int>{kMainTemplate});
}

}  // namespace
}  // namespace tarnlok
