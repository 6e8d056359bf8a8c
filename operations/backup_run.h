// One run of the Backup page's Backup button: the checks of the image name, the target and the
// card, the image file with its body (raw flash blocks, plain sectors or the used space of a FAT
// volume) and the end that restores the page and releases the card on every path.
#pragma once

#include "device/device_entry.h"
#include "operations/bkup_page.h"
#include "device/card_session.h"
#include "operations/error_prompt_dlg.h"
#include "operations/fmb_image.h"
#include "operations/image_file_writer.h"
#include "operations/operation_handlers.h"

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarnlok {

// The FAT volume a used-space backup copies, as its boot sector describes it.
struct UsedSpaceVolume {
  std::array<win::BYTE, 512> sector0{};
  std::array<win::BYTE, 512> bootSector{};
  win::BYTE sector0IsMbr = 0;
  win::DWORD volumeStart = 0;
  win::BYTE fileSystem = 0;
  win::ULONGLONG usedBytes = 0;

  // The sector whose parameters describe the volume: the boot sector behind a master boot
  // record, else sector 0 itself.
  std::span<const win::BYTE, 512> ParameterSector() const {
    return sector0IsMbr != 0 ? std::span<const win::BYTE, 512>(bootSector) : std::span<const win::BYTE, 512>(sector0);
  }
};

class BackupRun {
 public:
  explicit BackupRun(CBkupPage& page);
  // Ends the run on every path: page controls, flags, the card's lock and handles.
  ~BackupRun();
  BackupRun(const BackupRun&) = delete;
  BackupRun& operator=(const BackupRun&) = delete;

  void Run();

 private:
  std::optional<std::string> CheckImagePath();
  bool CreateFolder(const std::string& folder);
  DeviceEntry* FindEntry() const;
  bool CheckCardAndTarget(const std::string& imagePath);
  bool UsedSpaceChosen() const;
  bool FindUsedSpace();
  bool CheckSizeLimitAndSpace(const std::string& imagePath);
  win::ULONGLONG BodyDataBytes() const;
  win::ULONGLONG ImageFileBytes() const;
  void ShowRunControls();
  FmbHeader Header(win::BYTE complete) const;
  bool WholeMediaBody();
  bool BackupBlock(win::DWORD position);
  bool MemoryStickBlock(win::DWORD block);
  bool SmartMediaBlock(win::DWORD firstPage);
  bool PlainChunk(win::DWORD firstSector);
  bool Write(std::span<const win::BYTE> bytes);
  // A block command under the error prompt; a card found gone shows kStringNoMedia and ends the run.
  bool Prompted(win::UINT stepString, const std::function<bool()>& command);
  bool BlockPoll();
  void ReportSuccess(const std::string& imagePath);
  void ReportWriteFailure(const std::string& imagePath);
  void ReportUsedSpaceFailure();
  bool Cancelled();
  void EndControls();

  // The used-space body.
  bool BackupUsedSpace();
  bool BackupSystemSectors(win::DWORD first, win::DWORD count, bool countsUnits);
  bool BackupCluster(win::DWORD entryOffset, win::DWORD entryValue);
  win::ULONGLONG SystemAreaBytes() const;

  CBkupPage& page_;
  CErrorPromptDlg prompt_;
  RunProgress progress_;
  RunPoll poll_;
  DeviceEntry* entry_ = nullptr;
  CardSession card_;
  CardGeometry geometry_;
  UsedSpaceVolume volume_;
  bool usedSpace_ = false;
  std::optional<win::ULONGLONG> usedBytesQuery_;
  std::vector<win::BYTE> blockBuffer_;
  std::vector<win::BYTE> clusterBuffer_;
  ImageFileWriter image_;
  bool writeFailed_ = false;
  bool cancelled_ = false;
  win::ULONGLONG unitsDone_ = 0;
};

}  // namespace tarnlok
