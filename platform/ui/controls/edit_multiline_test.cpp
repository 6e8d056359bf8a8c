#include "platform/ui/controls/controls.h"
#include "platform/ui/dialogs/dialog.h"
#include "platform/ui/resources/dialog_resources.h"
#include "platform/ui/controls/edit_messages.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace ui {
namespace {

// A log window that the code appends to, and a note the user types into.
struct MultilineEdits : ::testing::Test {
  void SetUp() override {
    RegisterDialogTemplateText(nullptr, R"(
DIALOG 710 0 0 200 100
STYLE POPUP
CONTROL 1150 EDIT "" 5 5 150 40 MULTILINE AUTOVSCROLL READONLY CLIENTEDGE
CONTROL 1151 EDIT "" 5 50 150 40 MULTILINE WANTRETURN TABSTOP
CONTROL 1152 EDIT "" 5 92 150 8 TABSTOP
)");
    dialog = CreateDialogIndirectParamA(nullptr, *FindDialogTemplate(nullptr, 710), nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    log.SubclassWindow(GetDlgItem(dialog, 1150));
    note.SubclassWindow(GetDlgItem(dialog, 1151));
  }
  void TearDown() override {
    log.UnsubclassWindow();
    note.UnsubclassWindow();
    DestroyWindow(dialog);
  }
  // Appends a line at the end, as a log window's owner does: select all to learn the end.
  void Append(const std::string& line) {
    log.SetSel(0, -1);
    int start = 0;
    int end = 0;
    log.GetSel(start, end);
    log.SetSel(end, end);
    log.ReplaceSel(line + "\r\n");
  }
  std::string Text(HWND edit) {
    char text[512] = {};
    GetWindowTextA(edit, text, sizeof text);
    return text;
  }
  HWND dialog = nullptr;
  CEdit log;
  CEdit note;
};

TEST_F(MultilineEdits, AppendedLinesKeepWindowsLineBreaksAndPositions) {
  Append("Formatting...");
  Append("Done");
  EXPECT_EQ(Text(log.m_hWnd), "Formatting...\r\nDone\r\n") << "a read-only edit still takes text from its owner";
  EXPECT_EQ(log.GetLineCount(), 3) << "the last line break starts an empty line";
  EXPECT_EQ(log.LineIndex(1), 15) << "\"\\r\\n\" counts two characters";
  EXPECT_EQ(log.LineIndex(2), 21);
  EXPECT_EQ(log.LineIndex(3), -1);
  EXPECT_EQ(SendMessage(log.m_hWnd, EM_LINELENGTH, 16, 0), 4) << "the length of the line holding character 16";
  char line[16];
  const WORD size = sizeof line;
  std::memcpy(line, &size, sizeof size);
  ASSERT_EQ(SendMessage(log.m_hWnd, EM_GETLINE, 0, reinterpret_cast<LPARAM>(line)), 13);
  EXPECT_EQ(std::string(line, 13), "Formatting...");
  log.SetSel(15, 19);
  int start = 0;
  int end = 0;
  log.GetSel(start, end);
  EXPECT_EQ(start, 15);
  EXPECT_EQ(end, 19) << "selections come back in the edit's own positions";
  log.ReplaceSel("Finished");
  EXPECT_EQ(Text(log.m_hWnd), "Formatting...\r\nFinished\r\n");
}

TEST_F(MultilineEdits, ALongLogScrollsToItsLastLineAndLinesScrollBack) {
  for (int n = 0; n < 40; ++n) Append("line " + std::to_string(n));
  EXPECT_GT(log.GetFirstVisibleLine(), 20) << "appending keeps the caret, at the end, in view";
  const int last = log.GetFirstVisibleLine();
  EXPECT_TRUE(log.LineScroll(-5));
  EXPECT_EQ(log.GetFirstVisibleLine(), last - 5);
}

TEST_F(MultilineEdits, TypedReturnsBreakLinesWhereTheEditWantsThemAndTheLimitHolds) {
  SetFocus(note.m_hWnd);
  for (char c : std::string("ab\rc")) SendMessage(note.m_hWnd, WM_CHAR, static_cast<unsigned char>(c), 1);
  EXPECT_EQ(Text(note.m_hWnd), "ab\r\nc");
  EXPECT_NE(SendMessage(note.m_hWnd, WM_GETDLGCODE, VK_RETURN, 0) & DLGC_WANTALLKEYS, 0)
      << "ES_WANTRETURN keeps Enter from the dialog";
  const HWND single = GetDlgItem(dialog, 1152);
  SendMessage(single, WM_CHAR, '\r', 1);
  EXPECT_EQ(Text(single), "") << "a single-line edit takes no line break";
  EXPECT_EQ(SendMessage(single, EM_GETLINECOUNT, 0, 0), 1);
  note.SetLimitText(6);
  note.SetSel(-1, -1);
  note.SetSel(5, 5);
  note.ReplaceSel("xyz");
  EXPECT_EQ(Text(note.m_hWnd), "ab\r\ncx") << "EM_REPLACESEL keeps to the limit";
}

}  // namespace
}  // namespace ui
