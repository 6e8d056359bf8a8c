#include "recovery/page/recv_page.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/operation_handlers.h"
#include "operations/page_look.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/messages.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/system/shell_services.h"
#include "recovery/page/recv_settings_dlg.h"
#include "recovery/page/thumbnail_bitmap.h"
#include "recovery/throughput.h"
#include "controls/control_colours.h"
#include "controls/dialog_texts.h"
#include "controls/help_topics.h"
#include "controls/app_resources.h"
#include "controls/page_background.h"
#include "controls/page_codes.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

namespace tarnlok {
namespace {

constexpr ui::COLORREF kBarColour = 0x640000;
constexpr ui::COLORREF kGaugeColour = 0x01CCFF;
constexpr ui::COLORREF kValueColour = 0xC5C5C5;
constexpr ui::COLORREF kPercentColour = 0xCDCDCD;
constexpr int kThumbnailSpacing = 86;
constexpr int kThumbnailMargin = 6;

constexpr ControlText kTexts[] = {{kSectorLabel, kStringAnalysingSector}, {kRecoveredLabel, kStringRecoveredFiles},
                                  {kOptionsButton, kStringOptionsButton}, {kRecoveryHelpButton, kStringHelp},
                                  {kRecoverButton, kStringRecoverButton}, {kRecoveryCancelButton, kStringCancel}};

bool IsPageButton(int id) { return id >= kRecoverButton && id <= kRecoveryHelpButton; }

}  // namespace

CRecvPage::CRecvPage() : CPropertyPage(kRecoveryPageTemplate) { m_hIcon = ui::LoadIconA(nullptr, kRecoveryTabIcon); }

const ui::MessageMap& CRecvPage::GetMessageMap() const {
  static const ui::MessageMap map(&CPropertyPage::GetMessageMap(),
                                  {
                                      ui::OnCommand(kOptionsButton, &CRecvPage::OnOptions),
                                      ui::OnCommand(kRecoveryCancelButton, &CRecvPage::OnCancelButton),
                                      ui::OnCommand(kRecoveryHelpButton, &CRecvPage::OnHelpButton),
                                      ui::OnCommand(kRecoverButton, &CRecvPage::RecoveryRun),
                                      ui::OnMessage(ui::WM_PAINT, &CRecvPage::OnPaint),
                                      ui::OnCtlColorMessage(&CRecvPage::OnCtlColor),
                                      ui::OnNotify(ui::NM_DBLCLK, kResultsList, &CRecvPage::OnResultDoubleClick),
                                      ui::OnMessage(ui::WM_TIMER, &CRecvPage::OnTimer),
                                      ui::OnMessage(ui::WM_HELP, &CRecvPage::OnHelp),
                                  });
  return map;
}

void CRecvPage::DoDataExchange(ui::CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  ui::DDX_Control(dx, kResultsList, results_);
  ui::DDX_Control(dx, kThroughputText, throughputText_);
  ui::DDX_Control(dx, kThroughputGauge, gauge_);
  ui::DDX_Control(dx, kRecoveryProgress, progress_);
  ui::DDX_Control(dx, kRecoveryCancelButton, cancelButton_);
  ui::DDX_Control(dx, kRecoveryHelpButton, helpButton_);
  ui::DDX_Control(dx, kOptionsButton, optionsButton_);
  ui::DDX_Control(dx, kRecoverButton, recoverButton_);
}

void CRecvPage::SetTexts() {
  tarnlok::SetTexts(*this, kTexts);
  ShowControls(*this, {kRecoveryCancelButton, kStatusLine}, false);
  CardDriveLetter = SlotDriveLetters[0];
}

win::BOOL CRecvPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  PageCancel = 0;
  OperationBusy = 0;
  ScanStart = 0;
  ResultsShown = 0;
  SetTexts();
  SetFonts(*this, {kSectorLabel, kRecoveredLabel}, App().labelFont);
  EnableControls(*this, {kSectorValue, kRecoveredValue}, false);
  DecorateIconButtons({{&helpButton_, kHelpIcon},
                       {&optionsButton_, kOptionsIcon},
                       {&recoverButton_, kRecoverIcon},
                       {&cancelButton_, kCancelIcon}});
  progress_.SetBarColour(kBarColour);
  gauge_.SetRange(0, 100);
  gauge_.SetPos(0);
  gauge_.SetBarColour(kGaugeColour);
  results_.ShowWindow(ui::SW_HIDE);
  return win::TRUE;
}

win::BOOL CRecvPage::OnSetActive() {
  App().LoadBackgroundBitmap(kPageBackgroundBitmap);
  CurrentPageCode = kRecoveryPageCode;
  ActivePageHwnd = m_hWnd;
  SetTexts();
  return CPropertyPage::OnSetActive();
}

win::BOOL CRecvPage::OnKillActive() { return PageKillActive(*this); }

win::BOOL CRecvPage::PreTranslateMessage(ui::MSG* msg) {
  if (msg->message == ui::WM_KEYDOWN && msg->wParam == ui::VK_RETURN) {
    const ui::CWnd* focus = ui::CWnd::GetFocus();
    const int id = focus != nullptr ? focus->GetDlgCtrlID() : 0;
    if (focus != nullptr && focus->GetParent() == this && IsPageButton(id)) {
      SendMessage(ui::WM_COMMAND, static_cast<ui::WPARAM>(id), 0);
      return win::TRUE;
    }
  }
  return CPropertyPage::PreTranslateMessage(msg);
}

void CRecvPage::OnOptions() {
  CRecvSettingsDlg settings(this);
  settings.DoModal();
}

void CRecvPage::OnCancelButton() {
  if (OperationBusy != 0) PageCancel = 1;
}

void CRecvPage::OnHelpButton() { OpenHelpTopic(m_hWnd, HelpTopicOfPage(kRecoveryPageCode)); }

ui::LRESULT CRecvPage::OnHelp(ui::WPARAM, ui::LPARAM) {
  OnHelpButton();
  return win::TRUE;
}

void CRecvPage::OnPaint() { PaintWithPageBackground(*this); }

ui::HBRUSH CRecvPage::OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind) {
  if (kind != ui::CTLCOLOR_STATIC) return DefaultControlColours(*this, dc, control, kind);
  switch (control->GetDlgCtrlID()) {
    case kSectorLabel:
    case kRecoveredLabel:
    case kStatusLine: dc->SetBkMode(ui::TRANSPARENT); break;
    case kSectorValue:
    case kRecoveredValue: return ColouredStatic(dc, kValueColour);
    case kPercentValue:
    case kThroughputText: return ColouredStatic(dc, kPercentColour);
    default: break;
  }
  return static_cast<ui::HBRUSH>(ui::GetStockObject(ui::HOLLOW_BRUSH));
}

void CRecvPage::OnResultDoubleClick(ui::NMHDR*, ui::LRESULT* result) {
  *result = 0;
  if (OutputFolder.empty()) return;
  const int mark = results_.GetSelectionMark();
  if (mark < 0) return;
  const std::string name = results_.GetItemText(mark, 0);
  if (name.empty()) return;
  win::ShellExecuteA(m_hWnd, "open", (OutputFolder + name).c_str(), nullptr, nullptr, ui::SW_RESTORE);
}

ui::LRESULT CRecvPage::OnTimer(ui::WPARAM id, ui::LPARAM) {
  if (id == kRunSecondsTimer && TimerOn != 0) ++TimerSeconds;
  return 0;
}

void CRecvPage::ShowThroughput(int seconds, std::uint64_t bytes) {
  const recovery::ThroughputReading reading = recovery::ComputeThroughput(seconds, bytes, GaugeMax);
  if (!reading.shown) return;
  throughputText_.SetWindowText(CAppResources::FormatByteSize(reading.bytesPerMinute) + "/Min");
  if (reading.bytesPerMinute != 0 && GaugeMax != 0) gauge_.SetPos(reading.gaugePosition);
}

void CRecvPage::ClearResults() {
  if (thumbnails_) thumbnails_->Remove(-1);
  results_.DeleteAllItems();
  thumbnailCount_ = 0;
  ResultsShown = 0;
}

void CRecvPage::AddThumbnail(const recovery::Thumbnail& thumbnail) {
  if (!thumbnails_) {
    results_.ShowWindow(ui::SW_SHOW);
    results_.ModifyStyle(0, ui::WS_VISIBLE | ui::WS_BORDER | ui::WS_TABSTOP);
    results_.ModifyStyleEx(0, ui::WS_EX_CLIENTEDGE);
    thumbnails_ = std::make_unique<ui::CImageList>();
    thumbnails_->Create(recovery::kThumbnailSide, recovery::kThumbnailSide, 0, 0, 1);
    results_.SetImageList(*thumbnails_, ui::LVSIL_NORMAL);
  }
  results_.ShowWindow(ui::SW_SHOW);
  const ui::HBITMAP bitmap = MakeThumbnailBitmap(thumbnail);
  if (bitmap == nullptr) return;
  if (thumbnailCount_ == 0) {
    SetDlgItemText(kStatusLine, LoadProgramString(kStringThumbnails));
    ShowControls(*this, {kStatusLine}, true);
  }
  results_.SetRedraw(win::FALSE);
  thumbnails_->SetImageCount(static_cast<win::UINT>(thumbnailCount_ + 10));
  thumbnails_->Replace(thumbnailCount_, bitmap, nullptr);
  const int item = results_.InsertItem(thumbnailCount_, thumbnail.name, thumbnailCount_);
  ui::POINT at{};
  results_.GetItemPosition(item, &at);
  at.x = kThumbnailSpacing * thumbnailCount_ + kThumbnailMargin;
  results_.SetItemPosition(item, at);
  results_.EnsureVisible(item, win::FALSE);
  results_.SetRedraw(win::TRUE);
  results_.SetHotItem(item);
  ++thumbnailCount_;
  ResultsShown = 1;
  ui::DeleteObject(bitmap);
  Invalidate();
  UpdateWindow();
}

}  // namespace tarnlok
