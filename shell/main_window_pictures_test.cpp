// Pictures of the main window on each of its pages, saved beside the test programs and read
// back, on the default machine: the device list's rows with the picture of each card kind, each
// page's background and its labels.
#include "platform/ui/gdi/gdi.h"
#include "device/string_ids.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/window_api.h"
#include "device/device_messages.h"
#include "controls/control_ids.h"
#include "shell/main_dlg.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "shell/shell_test_support.h"

#include "tests/support/test_data_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The fill colour of each device picture, by image index: MMC/SD, SmartMedia, CompactFlash,
// Memory Stick, other drives, cards of the maker's IDE and PCMCIA readers.
constexpr std::array<ui::COLORREF, 6> kImageFill = {ui::RGB(0x7a, 0x7a, 0x7a), ui::RGB(0x8c, 0x8c, 0x8c),
                                                    ui::RGB(0x6e, 0x6e, 0x6e), ui::RGB(0x9a, 0x9a, 0x9a),
                                                    ui::RGB(0xb4, 0xb4, 0xb4), ui::RGB(0x5a, 0x5a, 0x5a)};

// The default machine's rows, A: E: F: G: H: I:: the floppy drive, the maker's CompactFlash,
// SmartMedia and Memory Stick readers, the other maker's SD reader, the maker's PCMCIA slot.
constexpr std::array<int, 6> kDefaultMachineImages = {4, 2, 1, 4, 3, 5};

// The pictures lie in the first columns of the list, the texts after them.
constexpr int kIconColumns = 22;

// The middle line of a row, in the main window's client coordinates.
int RowMiddle(ui::HWND main, ui::HWND list, int row) {
  ui::POINT point{};
  EXPECT_TRUE(ui::ListViewRowPoint(list, row, &point)) << "row " << row;
  ui::ClientToScreen(list, &point);
  ui::ScreenToClient(main, &point);
  return point.y;
}

// The picture a row shows: the one whose fill colour covers most of the row's first columns.
int RowImage(const Picture& shot, ui::HWND main, ui::HWND list, int row) {
  const ui::RECT area = PlaceIn(main, list);
  const int middle = RowMiddle(main, list, row);
  std::array<int, kImageFill.size()> counts{};
  for (int y = middle - 7; y <= middle + 7; ++y) {
    for (int x = area.left; x < area.left + kIconColumns; ++x) {
      for (std::size_t image = 0; image < kImageFill.size(); ++image)
        counts[image] += shot.At(x, y) == kImageFill[image];
    }
  }
  const auto most = std::max_element(counts.begin(), counts.end());
  return *most == 0 ? -1 : static_cast<int>(most - counts.begin());
}

// Columns of a control that differ from the page's background there: where its text was drawn.
struct Ink {
  int left = 0;
  int right = 0;
  bool found = false;
};

class MainWindowPictures : public test_support::ProgramTest {
 protected:
  std::filesystem::path Save(ui::HWND main, const std::string& page) {
    // ctest names the build's bin folder; a run by hand keeps the pictures with its test data.
    const char* binFolder = std::getenv("TARNLOK_BIN_DIR");
    const std::filesystem::path folder = binFolder != nullptr ? binFolder : tarnlok::test_support::TestDataHome();
    const auto file = folder / ("shell-main-" + page + ".png");
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
  StartDefault();
  test_support::HideNotes();
  driver.OnDialog(kMainTemplate, [&](ui::HWND main) {
    auto* window = static_cast<CMainDlg*>(ui::CWnd::FromHandlePermanent(main));
    ASSERT_NE(window, nullptr);
    const Picture background(ui::LoadBitmapA(nullptr, kPageBackgroundBitmap));
    // The engraved title ends before the row of pictures begins, so that none of it is hidden.
    ui::CFont titleFont;
    titleFont.CreateFont(kTitleFontHeight, 0, 0, 0, ui::FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    ui::CClientDC dc(window);
    dc.SelectObject(&titleFont);
    const int titleEnd = PlaceIn(main, ui::GetDlgItem(main, main_window::kTitleMarker)).left + kTitleIndent + 1 +
                         dc.GetTextExtent(LoadProgramString(kStringTitleWithMaker)).cx;
    EXPECT_LT(titleEnd, PlaceIn(main, ui::GetDlgItem(main, main_window::kFirstTitlePicture)).left);

    const ui::HWND list = ui::GetDlgItem(main, kDeviceListControl);
    const std::array<const char*, 4> names = {"information", "recovery", "tools", "about"};
    for (int index = 0; index < 4; ++index) {
      window->Sheet().SetActivePage(index);
      const ui::HWND page = window->Sheet().GetActivePage()->m_hWnd;
      const Picture shot(Save(main, names[static_cast<std::size_t>(index)]));
      ASSERT_TRUE(shot.Loaded());

      // Each row shows the picture of its card kind (the selected row's is tinted, and looked at
      // once another row is selected); row 0 is shown selected, its text drawn over the
      // selection, and row 1 is not.
      const ui::RECT area = PlaceIn(main, list);
      for (int row = 1; row < static_cast<int>(kDefaultMachineImages.size()); ++row) {
        EXPECT_EQ(RowImage(shot, main, list, row), kDefaultMachineImages[static_cast<std::size_t>(row)])
            << names[static_cast<std::size_t>(index)] << " row " << row;
      }
      const int selected = RowMiddle(main, list, 0);
      const int plain = RowMiddle(main, list, 1);
      const ui::COLORREF empty = shot.At(area.left + 20, area.bottom - 30);
      const ui::COLORREF selection = shot.At(area.right - 10, selected);
      EXPECT_NE(selection, empty) << "row 0 is shown selected";
      EXPECT_EQ(shot.At(area.right - 10, plain), empty) << "row 1 is not selected";
      const int textLeft = area.left + kIconColumns;
      EXPECT_GT(Inked(shot, {textLeft, selected - 6, area.right - 4, selected + 6}, selection), 10) << "row 0's text";
      EXPECT_GT(Inked(shot, {textLeft, plain - 6, area.right - 4, plain + 6}, empty), 10) << "row 1's text";

      ExpectBackground(shot, background, main, page, 3, 300);
      ExpectBackground(shot, background, main, page, 250, 315);
      EXPECT_LE(PlaceIn(main, window->Sheet().m_hWnd).right,
                PlaceIn(main, ui::GetDlgItem(main, main_window::kRightEdgePicture)).left)
          << "the sheet ends before the right edge picture";
      if (index == 0) {
        for (int id : {info_page::kDriveLabel, info_page::kDeviceNameLabel, info_page::kFirmwareLabel,
                       info_page::kVolumeLabelLabel, info_page::kCapacityLabel, info_page::kFileSystemLabel,
                       info_page::kLowLevelSupportLabel})
          ExpectLabel(shot, background, main, page, id, true);
        for (int id : {info_page::kHeading, info_page::kDrive, info_page::kCapacity, info_page::kFileSystem,
                       info_page::kLowLevelSupport})
          ExpectLabel(shot, background, main, page, id, false);
      }
      if (index == 3) {
        for (int id : {about_page::kProductLabel, about_page::kBuildLabel})
          ExpectLabel(shot, background, main, page, id, true);
        for (int id : {about_page::kBuild, about_page::kNotice, about_page::kSupportHeading, about_page::kMakerName,
                       about_page::kStreet, about_page::kTown, about_page::kMailLink, about_page::kWebLink}) {
          ExpectLabel(shot, background, main, page, id, false);
        }
        const ui::RECT web = PlaceIn(main, ui::GetDlgItem(page, about_page::kWebLink));
        EXPECT_TRUE(shot.Find(web, ui::RGB(0, 0, 255))) << "the link in the link colour";
      }
    }
    // The picture of the README: the maker's CompactFlash reader selected.
    window->Sheet().SetActivePage(kInformationTab);
    driver.Select(main, kDeviceListControl, 1);
    driver.WhenIdle([&, main, list] {
      const Picture shot(Save(main, "selected-card"));
      EXPECT_EQ(RowImage(shot, main, list, 0), kDefaultMachineImages[0]) << "row 0 once not selected";
      EXPECT_EQ(test_support::ItemText(ActivePageHwnd, info_page::kDrive), " E:\\");
      ui::PostMessage(main, ui::WM_COMMAND, ui::IDCANCEL, 0);
    });
  });
  Run();
  EXPECT_EQ(driver.Started(), std::vector<int>{kMainTemplate});
}

}  // namespace
}  // namespace tarnlok
