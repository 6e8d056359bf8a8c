// The Recovery tab of the main window: Recover, Options, Help and Cancel, the current sector and
// recovered-file read-outs, the progress bar, the throughput text and gauge, and the results
// list that shows thumbnails of the pictures a run recovers. The run itself is recovery_run.h.
#pragma once

#include "platform/ui/controls/controls.h"
#include "platform/ui/controls/image_list.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/property_sheet.h"
#include "recovery/carve_state.h"
#include "recovery/recovery_observer.h"
#include "controls/icon_button.h"
#include "controls/shaded_progress.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarnlok {

// Controls of the page.
constexpr int kRecoverButton = 1036;
constexpr int kRecoveryCancelButton = 1037;
constexpr int kOptionsButton = 1038;
constexpr int kRecoveryHelpButton = 1039;
constexpr int kSectorLabel = 1028;
constexpr int kSectorValue = 1029;
constexpr int kRecoveredLabel = 1030;
constexpr int kRecoveredValue = 1034;
constexpr int kRunFrame = 1032;
constexpr int kPercentValue = 1033;
constexpr int kRecoveryProgress = 1035;
constexpr int kThroughputText = 1040;
constexpr int kStatusLine = 1143;
constexpr int kResultsList = 1199;
constexpr int kThroughputGauge = 1255;

// The timer that counts a run's seconds while TimerOn is set.
constexpr std::uintptr_t kRunSecondsTimer = 0;
constexpr win::UINT kRunSecondsTimerMs = 1000;

class CRecvPage : public ui::CPropertyPage {
 public:
  CRecvPage();
  win::BOOL OnInitDialog() override;
  win::BOOL OnSetActive() override;
  win::BOOL OnKillActive() override;
  void DoDataExchange(ui::CDataExchange* dx) override;
  win::BOOL PreTranslateMessage(ui::MSG* msg) override;
  const ui::MessageMap& GetMessageMap() const override;

  // The Recover button: one whole run.
  void RecoveryRun();
  // Rate of the last seconds in bytes per minute, in the throughput text and gauge.
  void ShowThroughput(int seconds, std::uint64_t bytes);
  // Appends a recovered picture to the results list (shown at the first one).
  void AddThumbnail(const recovery::Thumbnail& thumbnail);
  // Empties the results list and its pictures.
  void ClearResults();

  // Run state, kept between runs.
  std::string OutputFolder;
  int PageCancel = 0;
  int ResultsShown = 0;
  int TimerOn = 0;
  int TimerSeconds = 0;
  std::uint64_t GaugeMax = 0;
  std::uint32_t ScanStart = 0;
  recovery::CarveState CarveState;

  CShadedProgress& Progress() { return progress_; }
  CShadedProgress& Gauge() { return gauge_; }
  CIconButton& CancelButton() { return cancelButton_; }
  ui::CListCtrl& Results() { return results_; }

 private:
  void OnOptions();
  void OnCancelButton();
  void OnHelpButton();
  ui::LRESULT OnHelp(ui::WPARAM, ui::LPARAM);
  void OnPaint();
  ui::HBRUSH OnCtlColor(ui::CDC* dc, ui::CWnd* control, ui::UINT kind);
  void OnResultDoubleClick(ui::NMHDR*, ui::LRESULT* result);
  ui::LRESULT OnTimer(ui::WPARAM id, ui::LPARAM);
  void SetTexts();

  ui::CListCtrl results_;
  ui::CStatic throughputText_;
  CShadedProgress gauge_;
  CShadedProgress progress_;
  CIconButton cancelButton_;
  CIconButton helpButton_;
  CIconButton optionsButton_;
  CIconButton recoverButton_;
  std::unique_ptr<ui::CImageList> thumbnails_;
  int thumbnailCount_ = 0;
};

}  // namespace tarnlok
