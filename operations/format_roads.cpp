// The four roads of a format run, each ending in one export of the format library.
#include "device/card_driver.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/identify_fields.h"
#include "device/ide_pass_through.h"
#include "device/reader_commands.h"
#include "device/scsi_transport.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "operations/format_run.h"
#include "operations/format_state.h"
#include "operations/format_summary_dlg.h"
#include "operations/system_files.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/win/layouts/ata_registers.h"

#include <cstring>
#include <string_view>

namespace tarnlok {
namespace {

using namespace format_page;

constexpr int kIdentifyAttempts = 10;

// The model whose cards boot from their master boot record in any reader.
bool BootableModel(const char* product, std::size_t size) {
  const std::string_view text(product, strnlen(product, size));
  if (text.find("MAVO DRUM") != std::string_view::npos || text.find("MAVODRUM") != std::string_view::npos) return true;
  return text == "MD" || text.starts_with("MD ") || text.find(" MD ") != std::string_view::npos ||
         text.ends_with(" MD");
}

void ShowSummary(CEraPage& page) {
  CFormatSummaryDlg summary(&page);
  summary.DoModal();
}

}  // namespace

void FormatRun::FloppyRoad() {
  if (!QueryCapacity(handle_.get())) return;
  win::BYTE stop = 0;
  TestMediaWritable(entry_, &stop, &PromptText);
  if (stop == 1) {
    ShowDeviceMessage(PromptText, ui::MB_ICONERROR);
    return;
  }
  auto* floppyFormat = BindExport<pradvik::DoFloppyFormatFn>("DoFloppyFormat");
  if (floppyFormat == nullptr) return;
  const int result = CallFormatExport(floppyFormat, Head(!Checked(kQuickChoice)), &FormatStatus, FormatDeviceKind, 0, 0,
                                      handle_.get(), entry_->busKind);
  if (result == 0) return ReportFailure(false);
  if (Checked(kSummaryChoice)) return ShowSummary(page_);
  ShowStringMessage(kStringFormatDone, ui::MB_ICONINFORMATION);
}

void FormatRun::RawFlashRoad() {
  // The library's status query answers nothing on Windows 9x: the maker's IDE and PCMCIA readers
  // tell a missing or write-protected card here, before the format.
  if (OsKindIs9x() && !MakerCardWritable()) return;
  auto* doFormat = BindExport<pradvik::DoFormatFn>("DoFormat");
  auto* panoramicFormat = BindExport<pradvik::DoPanoramicFormatFn>("DoPanoramicFormat");
  if (doFormat == nullptr && panoramicFormat == nullptr) return;
  const FormatHead head = Head(!Checked(kQuickChoice));
  const win::BYTE bus = entry_->busKind;
  if (auto* lock = BindExport<pradvik::LockTheDeviceFn>("LockTheDevice")) {
    lock(entry_->deviceReference, head.driveIndex, nullptr, FormatDeviceKind, 0, bus, entry_->ataDriveSelect, 0);
  }
  const bool bootable = BootableModel(entry_->product, sizeof entry_->product) || bus == kBusIde;
  bootFlag_ = bootable && Checked(kBootChoice) ? 1 : 0;
  const bool smartMedia = FormatDeviceKind == kSmartMedia || FormatDeviceKind == kSmartMediaReader;
  const win::DWORD panoramic = smartMedia && Checked(kPanoramicChoice) ? 1 : 0;
  int result = 0;
  if (panoramic == 1 && panoramicFormat != nullptr) {
    result = CallFormatExport(panoramicFormat, head, &FormatStatus, FormatDeviceKind, entry_->product, bootFlag_,
                              nullptr, handle_.get(), bus, entry_->ataDriveSelect, panoramic, 0, &volumeBusy_);
  } else if (doFormat != nullptr) {
    result = CallFormatExport(doFormat, head, &FormatStatus, FormatDeviceKind, entry_->product, bootFlag_, nullptr,
                              handle_.get(), bus, entry_->ataDriveSelect, 0, &volumeBusy_);
  }
  if (auto* unlock = BindExport<pradvik::UnlockTheDeviceFn>("UnlockTheDevice")) {
    unlock(entry_->deviceReference, head.driveIndex, nullptr, FormatDeviceKind, 0, bus, entry_->ataDriveSelect, 0);
  }
  handle_.Close();
  // A volume the library could not take was left as it was: that is no format.
  if (result == 0 || volumeBusy_ != 0) return ReportFailure(true);
  if (Checked(kSummaryChoice)) ShowSummary(page_);
  if (bus == kBusPcmcia) {
    ShowStringMessage(kStringFormatDonePcmcia, ui::MB_ICONINFORMATION);
  } else if (!Checked(kSummaryChoice)) {
    ShowStringMessage(kStringFormatDone, ui::MB_ICONINFORMATION);
  }
}

void FormatRun::FatRoad() {
  const win::BYTE bus = entry_->busKind;
  if (bus != kBusIde && bus != kBusPcmcia) {
    if (OsKindIsNt()) {
      DriveHandle volume = OpenCardVolume(entry_->driveLetter);
      if (!volume.IsOpen()) {
        ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
        return;
      }
      if (!QueryCapacity(volume.get())) return;
    } else if (!QueryCapacity(handle_.get())) {
      return;
    }
  }
  if (entry_->otherMakerFlag == 1) UsePlainSectorIo = 1;
  if (UsePlainSectorIo == 1) return OtherMakerFormat();
  MakerFormat();
}

void FormatRun::OtherMakerFormat() {
  win::BYTE stop = 0;
  TestMediaWritable(entry_, &stop, &PromptText);
  if (stop == 1) {
    ShowDeviceMessage(PromptText, ui::MB_ICONERROR);
    return;
  }
  auto* fat32Format = BindExport<pradvik::DoDefaultFat32FormatFn>("DoDefaultFat32Format");
  auto* otherFormat = BindExport<pradvik::DoDefaultFormatForThirdPartyDevicesFn>("DoDefaultFormatForThirdPartyDevices");
  const win::BYTE kind = entry_->deviceKind;
  int result = 0;
  if (OsKindIs9x()) {
    if (otherFormat == nullptr) return;
    result = CallFormatExport(otherFormat, Head(false), &reinsert_, &FormatStatus, kind, nullptr, 0, handle_.get(),
                              entry_->busKind, entry_->ataDriveSelect, static_cast<int>(entry_->startStopFlag));
  } else if (OsKindIsNt()) {
    if (fat32Format == nullptr && otherFormat == nullptr) return;
    // The library clears the byte when the card needs no re-insertion.
    reinsert_ = 1;
    bootFlag_ = 0;
    fat32Choice_ = Checked(kFat32Choice) ? 1 : 0;
    const FormatHead head = Head(!Checked(kQuickChoice));
    if (fat32Choice_ == 1 && fat32Format != nullptr) {
      result = CallFormatExport(fat32Format, head, &reinsert_, &FormatStatus, kind, nullptr, bootFlag_, handle_.get(),
                                entry_->busKind, entry_->ataDriveSelect, static_cast<int>(entry_->startStopFlag),
                                fat32Choice_, 1);
    } else if (otherFormat != nullptr) {
      result = CallFormatExport(otherFormat, head, &reinsert_, &FormatStatus, kind, nullptr, 0, handle_.get(),
                                entry_->busKind, entry_->ataDriveSelect, static_cast<int>(entry_->startStopFlag));
    } else {
      return;
    }
  } else {
    return;
  }
  if (result == 0) return ReportFailure(false);
  ReportFatSuccess(false);
}

void FormatRun::MakerFormat() {
  auto* defaultFormat = BindExport<pradvik::DoDefaultFormatFn>("DoDefaultFormat");
  auto* fat32Format = BindExport<pradvik::DoDefaultFat32FormatFn>("DoDefaultFat32Format");
  if (defaultFormat == nullptr && fat32Format == nullptr) return;
  const win::BYTE bus = entry_->busKind;
  bootFlag_ = bus == kBusIde && Checked(kBootChoice) ? 1 : 0;
  fat32Choice_ = Checked(kFat32Choice) ? 1 : 0;
  if (!MakerCardWritable()) return;
  const FormatHead head = Head(!Checked(kQuickChoice));
  const win::BYTE kind = entry_->deviceKind;
  const auto startStop = static_cast<int>(entry_->startStopFlag);
  int result = 0;
  if (fat32Choice_ == 1 && fat32Format != nullptr) {
    result = CallFormatExport(fat32Format, head, &reinsert_, &FormatStatus, kind, nullptr, bootFlag_, handle_.get(),
                              bus, entry_->ataDriveSelect, startStop, fat32Choice_, 0);
  } else if (defaultFormat != nullptr) {
    const int forceFat16 = fat32Choice_ == 1 ? 0 : 1;
    result = CallFormatExport(defaultFormat, head, &reinsert_, &FormatStatus, kind, 0, bootFlag_, forceFat16,
                              handle_.get(), bus, entry_->ataDriveSelect, startStop, &volumeBusy_, &capacityMegabytes_);
  } else {
    return;
  }
  if (result == 0) return ReportFailure(false);
  ReportFatSuccess(bus == kBusPcmcia);
  if (bootFlag_ == 1) {
    handle_.Close();
    CopySystemFiles(OsKind, bus, entry_->driveLetter);
  }
}

void FormatRun::ReportFatSuccess(bool pcmciaMessage) {
  const bool summary = Checked(kSummaryChoice);
  if (summary) ShowSummary(page_);
  if (pcmciaMessage) {
    ShowStringMessage(kStringFormatDonePcmcia, ui::MB_ICONINFORMATION);
  } else if (reinsert_ != 0) {
    ShowStringMessage(kStringFormatDoneReinsert, ui::MB_ICONINFORMATION);
  } else if (!summary) {
    ShowStringMessage(kStringFormatDone, ui::MB_ICONINFORMATION);
  }
}

// The maker's IDE and PCMCIA readers: a card that is missing or write protected ends the run
// before the library is called.
bool FormatRun::MakerCardWritable() {
  if (entry_->busKind == kBusPcmcia) return PcmciaCardWritable();
  if (entry_->busKind == kBusIde) return IdeCardWritable();
  return true;
}

bool FormatRun::PcmciaCardWritable() {
  std::vector<win::BYTE> identify(512, 0);
  bool answered = false;
  if (!OsKindIsNt()) {
    if (!handle_.IsOpen()) {
      ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
      return false;
    }
    TaskFile taskFile;
    taskFile.deviceHead = entry_->ataDriveSelect;
    taskFile.command = win::kAtaIdentify;
    for (int attempt = 0; attempt < kIdentifyAttempts && !answered; ++attempt) {
      answered = SendDriverAtaRequest(handle_.get(), entry_->deviceReference, taskFile, identify.data(), 512, 0x200000)
                     .delivered != 0;
    }
  } else {
    DriveHandle volume = OpenCardVolume(entry_->driveLetter);
    if (!volume.IsOpen()) {
      ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
      return false;
    }
    for (int attempt = 0; attempt < kIdentifyAttempts && !answered; ++attempt) {
      answered = IdentifyThroughPassThrough(volume.get(), entry_->ataDriveSelect, identify);
    }
  }
  // An empty slot still answers IDENTIFY, with no sectors.
  if (!answered || IdentifyTotalSectors(identify) == 0) {
    ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  if ((CardFlagsLowWord(identify) & kStatusWriteProtected) != 0) {
    ShowStringMessage(kStringFormatWriteProtected, ui::MB_ICONERROR);
    return false;
  }
  return true;
}

bool FormatRun::IdeCardWritable() {
  TaskFile taskFile;
  taskFile.deviceHead = entry_->ataDriveSelect;
  taskFile.command = win::kAtaGetMediaStatus;
  win::BYTE error = 0;
  if (!OsKindIsNt()) {
    error = SendDriverAtaRequest(handle_.get(), entry_->deviceReference, taskFile, nullptr, 0, 0).error;
  } else if (OsKind == kOsWindows2000) {
    DriveHandle volume = OpenCardVolume(entry_->driveLetter);
    if (volume.IsOpen()) error = SendIdePassThrough(volume.get(), taskFile, 0).error;
  } else if (OsKind == kOsWindowsNt4) {
    DriveHandle volume = OpenCardVolume(entry_->driveLetter);
    if (volume.IsOpen()) {
      const VendorCdb identifyReader = CommandFirstCdb(kVendorIdentifyReader);
      std::vector<win::BYTE> answer(512, 0);
      ExecScsiCommand(volume.get(), 0, 0, 0, identifyReader.data(), identifyReader.size(), answer.data(), 512,
                      kScsiDataIn);
      if (IdentifyTotalSectors(answer) == 0) {
        ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
        return false;
      }
    }
  }
  if ((error & win::kAtaErrorNoMedia) != 0) {
    ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  if ((error & win::kAtaErrorWriteProtected) != 0) {
    ShowStringMessage(kStringFormatWriteProtected, ui::MB_ICONERROR);
    return false;
  }
  return true;
}

}  // namespace tarnlok
