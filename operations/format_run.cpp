#include "operations/format_run.h"

#include "device/card_driver.h"
#include "device/command_roads.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/media_capacity.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "operations/base_page.h"
#include "device/card_session.h"
#include "operations/format_state.h"
#include "operations/operation_handlers.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/files/files.h"

namespace tarnlok {
namespace {

using namespace format_page;

}  // namespace

FormatRun::FormatRun(CEraPage& page) : page_(page) {}

void CEraPage::FormatMedia() {
  FormatRun run(*this);
  run.Run();
}

void FormatRun::Run() {
  UsePlainSectorIo = 0;
  DisableControls();
  if (!SelectDevice() || !Confirmed()) return;
  if (entry_->busKind != kBusUsb && !WritableByReader()) return;
  if (entry_->busKind == kBusUsb && !UsbCardWritable()) return;
  OperationBusy = 1;
  if (!OpenCardDriver()) return;
  FormatStatus = 0;
  const bool readerKind = entry_->readerKind == kSmartMediaReader || entry_->readerKind == kMemoryStickReader;
  FormatDeviceKind = readerKind ? entry_->readerKind : entry_->deviceKind;
  FormatDriveLetter = entry_->driveLetter;
  FetchLibraryWindows();
  if (entry_->busKind == kBusFloppy || entry_->busKind == kBusLs120) return FloppyRoad();
  const win::BYTE kind = entry_->deviceKind;
  if (kind == kSmartMedia || kind == kSmartMediaReader || kind == kMemoryStick || kind == kMemoryStickReader) {
    return RawFlashRoad();
  }
  FatRoad();
}

void FormatRun::DisableControls() {
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::FALSE);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::FALSE);
  EnableControls(page_, {kQuickChoice, kFullChoice, kSummaryChoice, kBootChoice, kFormatButton}, false);
  const ui::CWnd* fat32 = page_.GetDlgItem(kFat32Choice);
  fat32WasEnabled_ = fat32 != nullptr && fat32->IsWindowEnabled() != 0;
  EnableControls(page_, {kFat32Choice, kPanoramicChoice}, false);
}

// The page's row, searched from the current entry on and then from the head of the list, so
// that a row before the current entry is found too; a row the list no longer has formats
// nothing rather than whichever card the search ended on.
bool FormatRun::SelectDevice() {
  SelectedDeviceIndex = page_.deviceRow;
  for (DeviceEntry* start : {CurrentDevice, DeviceListHead}) {
    for (DeviceEntry* entry = start; entry != nullptr; entry = entry->next) {
      if (entry->index != SelectedDeviceIndex) continue;
      CurrentDevice = entry;
      entry_ = entry;
      return true;
    }
  }
  return false;
}

bool FormatRun::Confirmed() {
  if (entry_->noCommandFlag == 1 && !IsDriveLetterPresent(entry_->driveLetter)) {
    MessageText = DriveGoneText(entry_->driveLetter);
    ShowDeviceMessage(MessageText, ui::MB_ICONERROR);
    return false;
  }
  return ShowStringMessage(kStringFormatConfirm, ui::MB_YESNO | ui::MB_DEFBUTTON2 | ui::MB_ICONQUESTION) == ui::IDYES;
}

// Readers on every bus but USB tell write protection through the library's status query.
bool FormatRun::WritableByReader() {
  auto* findDeviceType = BindExport<pradvik::FindDeviceTypeFn>("FindDeviceType");
  if (findDeviceType == nullptr) return true;
  win::BYTE deviceKind = 0;
  findDeviceType(entry_->deviceReference, Head(false).driveIndex, &deviceKind, statusBuffer_.data(), &writeProtected_,
                 0, entry_->busKind, 0);
  if (writeProtected_ == 0) return true;
  ShowStringMessage(kStringWriteProtected, ui::MB_ICONERROR);
  return false;
}

// USB cards: the capacity query (which rewrites the entry and may call for plain sector access
// through the physical drive) and MODE SENSE's write-protect bit.
bool FormatRun::UsbCardWritable() {
  CardSession session;
  if (!session.Open(*entry_)) return false;
  CardGeometry geometry;
  bool protectedByCapacity = false;
  if (!session.Identify(geometry, protectedByCapacity)) {
    ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  capacityMegabytes_ = geometry.sizeValue;
  if (!session.SwitchToPhysicalDrive()) return false;
  if (ModeSenseWriteProtected(session.Handle(), *entry_)) {
    ShowStringMessage(kStringWriteProtected, ui::MB_ICONERROR);
    return false;
  }
  return true;
}

// Windows 9x takes the commands of IDE and PCMCIA readers through the card driver.
bool FormatRun::OpenCardDriver() {
  if (!OsKindIs9x() || (entry_->busKind != kBusIde && entry_->busKind != kBusPcmcia)) return true;
  constexpr win::DWORD access = win::GENERIC_READ | win::GENERIC_WRITE;
  for (const win::DWORD share : {win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::FILE_SHARE_READ}) {
    handle_ = DriveHandle(win::CreateFileA(kCardDriverName, access, share, nullptr, win::OPEN_EXISTING,
                                           win::FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (handle_.IsOpen()) return true;
  }
  ShowStringMessage(kStringDriverMissing, ui::MB_ICONINFORMATION);
  return false;
}

void FormatRun::FetchLibraryWindows() {
  progress_ = page_.GetDlgItem(format_page::kProgressBar)->GetSafeHwnd();
  stepText_ = page_.GetDlgItem(kStepText)->GetSafeHwnd();
  percentText_ = page_.GetDlgItem(format_page::kPercentText)->GetSafeHwnd();
  windowsFetched_ = true;
}

bool FormatRun::Checked(int control) const { return page_.IsDlgButtonChecked(control) == ui::BST_CHECKED; }

FormatHead FormatRun::Head(bool fullFormat) {
  FormatHead head;
  head.owner = page_.GetParent() != nullptr ? page_.GetParent()->GetSafeHwnd() : nullptr;
  head.progress = progress_;
  head.percent = percentText_;
  head.step = stepText_;
  head.deviceReference = entry_->deviceReference;
  // The library opens the volume of drive 'A' + index.
  head.driveIndex = static_cast<win::BYTE>(entry_->driveLetter - 'A');
  head.fullFormat = fullFormat ? 1 : 0;
  head.workBuffer = workBuffer_.data();
  return head;
}

bool FormatRun::QueryCapacity(win::HANDLE handle) {
  win::DWORD sectors = 0;
  win::DWORD perBlock = 0;
  win::DWORD bytesPerSector = 0;
  win::BYTE protectedFlag = 0;
  if (GetMediaCapacity(handle, entry_, &capacityMegabytes_, &sectors, &perBlock, &protectedFlag, &bytesPerSector) ==
      1) {
    return true;
  }
  ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
  return false;
}

void FormatRun::ReportFailure(bool always) const {
  if (always || FormatStatus != 0) ShowStringMessage(kStringFormatFailed, ui::MB_ICONERROR);
}

FormatRun::~FormatRun() {
  OperationBusy = 0;
  handle_.Close();
  if (windowsFetched_) {
    ui::SendMessage(stepText_, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(""));
    ui::SendMessage(percentText_, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(""));
    ui::SendMessage(progress_, ui::PBM_SETPOS, 0, 0);
  }
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::TRUE);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::TRUE);
  EnableControls(page_, {kFormatButton, kQuickChoice, kFullChoice, kSummaryChoice}, true);
  const DeviceEntry* entry = entry_ != nullptr ? entry_ : CurrentDevice;
  const bool smartMedia = entry != nullptr && entry->deviceKind == kSmartMedia;
  const bool bootable = entry != nullptr && entry->busKind == kBusIde &&
                        (entry->deviceKind == kCompactFlash || entry->deviceKind == kMmcSd) && OsKindIs9x();
  EnableControls(page_, {kPanoramicChoice}, smartMedia);
  EnableControls(page_, {kFat32Choice}, fat32WasEnabled_);
  EnableControls(page_, {kBootChoice}, bootable);
}

}  // namespace tarnlok
