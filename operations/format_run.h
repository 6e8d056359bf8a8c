// One run of the Format page's Format button: the device, the confirmation and the checks of the
// card, then one of four roads (floppy drives, raw flash cards, other makers' readers, the
// maker's readers) that hands the work to the format library, and the end that gives the page
// back on every path.
#pragma once

#include "device/device_entry.h"
#include "device/drive_handle.h"
#include "operations/era_page.h"
#include "operations/format_exports.h"

#include <array>

namespace tarnlok {

class FormatRun {
 public:
  explicit FormatRun(CEraPage& page);
  // The end of the run: flags, handle, progress texts and the page's controls.
  ~FormatRun();
  FormatRun(const FormatRun&) = delete;
  FormatRun& operator=(const FormatRun&) = delete;

  void Run();

 private:
  void DisableControls();
  bool SelectDevice();
  bool Confirmed();
  bool WritableByReader();
  bool UsbCardWritable();
  bool OpenCardDriver();
  void FetchLibraryWindows();

  void FloppyRoad();
  void RawFlashRoad();
  void FatRoad();
  void OtherMakerFormat();
  void MakerFormat();
  bool MakerCardWritable();
  bool PcmciaCardWritable();
  bool IdeCardWritable();

  // GetMediaCapacity for the entry; keeps the megabytes. False (after kStringNoMedia) when no card answers.
  bool QueryCapacity(win::HANDLE handle);
  bool Checked(int control) const;
  FormatHead Head(bool fullFormat);
  // String 1215: always on the raw flash road; on the FAT and floppy roads only once the library
  // had the card's media code (before that it has told the person itself, or had nothing to do).
  void ReportFailure(bool always) const;
  // The summary when asked for, then kStringFormatDonePcmcia, kStringFormatDoneReinsert or, without
  // summary, kStringFormatDone.
  void ReportFatSuccess(bool pcmciaMessage);

  CEraPage& page_;
  DeviceEntry* entry_ = nullptr;
  std::array<win::BYTE, 512> workBuffer_{};
  std::array<win::BYTE, 260> statusBuffer_{};
  win::BYTE reinsert_ = 0;
  win::BYTE volumeBusy_ = 0;
  win::BYTE writeProtected_ = 0;
  bool fat32WasEnabled_ = false;
  int bootFlag_ = 0;
  int fat32Choice_ = 0;
  win::DWORD capacityMegabytes_ = 0;
  DriveHandle handle_;
  bool windowsFetched_ = false;
  win::HWND progress_ = nullptr;
  win::HWND stepText_ = nullptr;
  win::HWND percentText_ = nullptr;
};

}  // namespace tarnlok
