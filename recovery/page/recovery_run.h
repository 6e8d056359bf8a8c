// One run of the Recovery page's Recover button: the error log, the settings, the card opened
// and identified on its road (raw flash cards through their block map), the recovery engine
// over it with the page's read-outs, the copy of the still-visible files, and the end that
// starts the viewer or tells that nothing was found. The page is restored on every way out.
#pragma once

#include "device/device_entry.h"
#include "device/card_session.h"
#include "operations/error_prompt_dlg.h"
#include "recovery/page/recv_page.h"
#include "recovery/recovery_engine.h"

#include <memory>
#include <optional>
#include <string>

namespace tarnlok {

struct CardGeometry;

// The row of the device list chosen now (the selected row, else the last selected device), and
// the drive letter of its card (0 when the row has none).
int SelectedDeviceRow();
char SelectedCardDriveLetter();

class RecoveryRun : public recovery::RecoveryObserver {
 public:
  explicit RecoveryRun(CRecvPage& page);
  // The end of every run that got past the error log.
  ~RecoveryRun() override;
  RecoveryRun(const RecoveryRun&) = delete;
  RecoveryRun& operator=(const RecoveryRun&) = delete;

  void Run();

  // What the engine asks of the page.
  bool CancelRequested() override;
  void PumpMessages() override;
  recovery::ReadFailureAnswer OnReadFailure(std::uint32_t firstSector) override;
  void OnProgress(int percent) override;
  void OnSector(std::uint32_t sector) override;
  void OnRecoveredCount(int count) override;
  void OnCopyingFiles() override;
  int TimerSeconds() override;
  void ShowThroughput(int seconds, std::uint64_t bytes) override;
  void OnThumbnail(const std::string& path, const recovery::Thumbnail& thumbnail) override;
  void OnDiskFull(const std::string& outputFolder) override;
  void Log(const std::string& text) override;

 private:
  bool OpenLog();
  void StartControls();
  DeviceEntry* ChosenEntry();
  bool TakeOutputFolder(std::string& prefix);
  bool OpenAndIdentify();
  // A Memory Stick whose reader does not tell its size: true with what it told in geometry.
  bool StickOfUntoldSize(CardGeometry& geometry);
  bool IdentifyFlashShape(const CardGeometry& geometry);
  std::unique_ptr<recovery::SectorSource> OpenSource();
  recovery::CardFacts Facts() const;
  recovery::RecoverySettings EngineSettings(const std::string& prefix) const;
  void Finish(const recovery::RunSummary& summary);
  void EndControls();
  void FlushLog();
  static bool ReadOutDue(win::DWORD& lastShown);

  CRecvPage& page_;
  CErrorPromptDlg prompt_;
  CardSession card_;
  DeviceEntry* entry_ = nullptr;
  win::HANDLE log_;
  std::string logPending_;
  bool started_ = false;
  bool rawFlash_ = false;
  win::DWORD mediaSizeCode_ = 0;
  win::DWORD pagesPerBlock_ = 0;
  win::DWORD blockCount_ = 0;
  win::DWORD bytesPerSector_ = 512;
  win::DWORD cardSectors_ = 0;
  std::uint64_t hiddenSectors_ = 0;
  std::uint32_t sectorsPerRead_ = 64;
  int lastPercent_ = -1;
  win::DWORD lastSectorShown_ = 0;
  win::DWORD lastPercentShown_ = 0;
  std::optional<win::DWORD> lastPump_;
};

}  // namespace tarnlok
