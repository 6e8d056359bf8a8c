// The program's application object: start-up and exit, and what every window paints with
// (three fonts, five brushes with their colours, the current background bitmap).
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/win_app.h"
#include "shell/pie_chart_ctrl.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tarnlok {

class CSplashDlg;

class CMainApp : public ui::CWinApp {
 public:
  CMainApp();
  ~CMainApp() override;

  // The start-up sequence; always FALSE in the end, so that the framework runs ExitInstance.
  win::BOOL InitInstance() override;
  int ExitInstance() override;

  win::BOOL LoadBackgroundBitmap(int resourceId);
  // A null handle keeps the current bitmap and answers TRUE.
  win::BOOL SetBackgroundBitmap(ui::HBITMAP bitmap);
  // Paints the current bitmap from its top-left corner over the rectangle's size; answers
  // passThrough unchanged.
  int PaintBackground(ui::CDC* dc, int passThrough, ui::RECT rect);
  static std::string FormatByteSize(std::uint64_t bytes);

  int drawMode = 0;
  ui::CFont captionFont;
  ui::CFont labelFontBold;
  ui::CFont labelFont;
  int bitmapWidth = 0;
  int bitmapHeight = 0;
  ui::HBITMAP backgroundBitmap = nullptr;
  CSplashDlg* splash = nullptr;
  CPieChartCtrl pieChart;
  std::array<ui::CBrush, 5> brushes;
  std::array<ui::COLORREF, 5> colours{};

 private:
  win::BOOL EarlyExit();
  void CreateFonts();
  void CreateBrushes();
  bool ShowStartupNotesWhenAsked();
  bool BuildDeviceList(win::HANDLE* driver);
  bool LoadFormatLibrary();
};

// The application object, for the pages.
CMainApp& App();

}  // namespace tarnlok
