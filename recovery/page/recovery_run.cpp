#include "recovery/page/recovery_run.h"

#include "device/device_messages.h"
#include "device/command_roads.h"
#include "device/device_state.h"
#include "device/drive_handle.h"
#include "device/reader_commands.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "operations/backup_run.h"
#include "operations/operation_handlers.h"
#include "operations/page_look.h"
#include "platform/ui/controls/list_view.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/cwnd.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/win_app.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/volume_window.h"
#include "platform/win/system/handle_table.h"
#include "platform/win/system/shell_services.h"
#include "platform/win/system/system_clock.h"
#include "recovery/page/card_sector_source.h"
#include "recovery/page/flash_map_source.h"
#include "recovery/page/media_size_dlg.h"
#include "recovery/page/recovery_settings.h"
#include "recovery/safe_names.h"
#include "recovery/visible_copy.h"
#include "controls/shell_state.h"

#include <array>
#include <cstdio>
#include <vector>

namespace tarnlok {
namespace {

constexpr char kLogName[] = "ERRLOG.log";
constexpr char kViewer[] = "Ordweft.exe";

bool IsRawFlash(win::BYTE kind) {
  return kind == kSmartMedia || kind == kSmartMediaReader || kind == kMemoryStick || kind == kMemoryStickReader;
}
bool IsMemoryStick(win::BYTE kind) { return kind == kMemoryStick || kind == kMemoryStickReader; }

// " %d", " %d, %03d" or " %d, %03d, %03d": a sector number in groups of three digits.
std::string GroupedNumber(std::uint32_t value) {
  char text[32];
  if (value < 1000)
    std::snprintf(text, sizeof(text), " %u", value);
  else if (value < 1000000)
    std::snprintf(text, sizeof(text), " %u, %03u", value / 1000, value % 1000);
  else
    std::snprintf(text, sizeof(text), " %u, %03u, %03u", value / 1000000, value / 1000 % 1000, value % 1000);
  return text;
}

std::string WithValue(win::UINT id, const std::string& value) {
  std::string text = LoadProgramString(id);
  if (const std::size_t mark = text.find("%s"); mark != std::string::npos) text.replace(mark, 2, value);
  return text;
}

}  // namespace

RecoveryRun::RecoveryRun(CRecvPage& page) : page_(page), prompt_(&page), log_(win::INVALID_HANDLE_VALUE) {}

void CRecvPage::RecoveryRun() {
  tarnlok::RecoveryRun run(*this);
  run.Run();
}

bool RecoveryRun::OpenLog() {
  const std::string path = ProgramFolder + kLogName;
  win::DeleteFileA(path.c_str());
  log_ = win::CreateFileA(path.c_str(), win::GENERIC_READ | win::GENERIC_WRITE, 0, nullptr, win::CREATE_ALWAYS, 0,
                          nullptr);
  if (log_ != win::INVALID_HANDLE_VALUE) return true;
  ShowDeviceMessage("ERRLOG.LOG file cannot be opened.", ui::MB_ICONERROR);
  return false;
}

void RecoveryRun::Log(const std::string& text) {
  // The scan logs every read: one write each would cost a system call per read.
  constexpr std::size_t kLogFlushBytes = 64 * 1024;
  if (log_ == win::INVALID_HANDLE_VALUE) return;
  logPending_ += text;
  if (logPending_.size() >= kLogFlushBytes) FlushLog();
}

void RecoveryRun::FlushLog() {
  if (log_ == win::INVALID_HANDLE_VALUE || logPending_.empty()) return;
  win::DWORD written = 0;
  win::WriteFile(log_, logPending_.data(), static_cast<win::DWORD>(logPending_.size()), &written, nullptr);
  logPending_.clear();
}

void RecoveryRun::StartControls() {
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::FALSE);
  ShowControls(page_, {kStatusLine}, false);
  EnableControls(page_, {kSectorLabel, kSectorValue, kRecoveredLabel, kRecoveredValue}, true);
}

int SelectedDeviceRow() {
  if (ui::CWnd* list = MainDeviceList()) {
    const auto row =
        static_cast<int>(list->SendMessage(ui::LVM_GETNEXTITEM, static_cast<ui::WPARAM>(-1), ui::LVNI_SELECTED));
    if (row >= 0) return row;
  }
  return SelectedDeviceIndex;
}

char SelectedCardDriveLetter() {
  const int index = SelectedDeviceRow();
  return index >= 0 && index < static_cast<int>(sizeof(SlotDriveLetters)) ? SlotDriveLetters[index] : 0;
}

DeviceEntry* RecoveryRun::ChosenEntry() {
  const int index = SelectedDeviceRow();
  if (const char letter = SelectedCardDriveLetter(); letter != 0) CardDriveLetter = letter;
  for (DeviceEntry* entry = DeviceListHead; entry != nullptr; entry = entry->next)
    if (entry->index == index) return entry;
  return nullptr;
}

bool RecoveryRun::TakeOutputFolder(std::string& prefix) {
  FolderAndPrefix settings = ReadRecoverySettings();
  // The output folder must not lie on the card, however its letter is written.
  if (recovery::PathIsOnDrive(settings.folder, CardDriveLetter)) {
    ShowStringMessage(kStringRecoverySameDrive, 0);
    return false;
  }
  std::string folder = settings.folder;
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  const std::string bare = folder.substr(0, folder.size() - 1);
  if (!win::CreateDirectoryA(bare.c_str(), nullptr) &&
      (win::GetFileAttributesA(bare.c_str()) & win::FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ShowDeviceMessage(LoadProgramString(kStringFolderFailed) + "\n'" + bare + "'.", ui::MB_ICONERROR);
    return false;
  }
  page_.OutputFolder = folder;
  prefix = settings.prefix;
  OperationBusy = 1;
  UseDriveLetterIo = 0;
  return true;
}

bool RecoveryRun::IdentifyFlashShape(const CardGeometry& geometry) {
  const win::BYTE kind = entry_->readerKind != 0 ? entry_->readerKind : entry_->deviceKind;
  if (IsMemoryStick(kind)) {
    pagesPerBlock_ = geometry.sectorsPerBlock;
    blockCount_ = geometry.blocksOrSectors;
    if (pagesPerBlock_ == 0 || blockCount_ == 0xFFFF) {
      CMediaSizeDlg sizes(&page_);
      if (sizes.DoModal() != ui::IDOK) return false;
      pagesPerBlock_ = MediaSizePagesPerBlock;
      blockCount_ = MediaSizeBlockCount;
    }
    mediaSizeCode_ = pagesPerBlock_ >= 1 && pagesPerBlock_ <= 32 && blockCount_ != 0
                         ? MemoryStickSizeCode(pagesPerBlock_ * blockCount_).value_or(0)
                         : 0;
  } else {
    mediaSizeCode_ = geometry.sizeValue >= 1 && geometry.sizeValue <= 8 ? geometry.sizeValue : 0;
    pagesPerBlock_ = geometry.sectorsPerBlock;
    blockCount_ = geometry.blocksOrSectors;
  }
  if (mediaSizeCode_ == 0 || pagesPerBlock_ == 0) {
    ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  const bool small = mediaSizeCode_ <= 4 || mediaSizeCode_ == 32 || mediaSizeCode_ == 33;
  sectorsPerRead_ = small ? 16 : 32;
  return true;
}

bool RecoveryRun::StickOfUntoldSize(CardGeometry& geometry) {
  // The capacity query refuses a stick whose reader tells 0 pages a block or 0xFFFF blocks; the
  // run asks the person for its size instead (IdentifyFlashShape).
  constexpr win::WORD kUntoldBlocks = 0xFFFF;
  if (!IsMemoryStick(entry_->readerKind != 0 ? entry_->readerKind : entry_->deviceKind)) return false;
  std::array<win::BYTE, 4> reply{};
  if (!SendVendorCommand(card_.Handle(), AddressOf(entry_), kVendorGeometry, reply) || StartsWithNoMediaReply(reply))
    return false;
  const win::WORD blocks = win::ReadLe16(reply, 0);
  const win::WORD pagesPerBlock = win::ReadLe16(reply, 2);
  if (pagesPerBlock != 0 && blocks != kUntoldBlocks) return false;
  geometry.blocksOrSectors = blocks;
  geometry.sectorsPerBlock = pagesPerBlock;
  return true;
}

bool RecoveryRun::OpenAndIdentify() {
  if (OsKindIsNt() && !OpenCardVolume(entry_->driveLetter).IsOpen()) {
    const std::string path = std::string("\\\\.\\") + entry_->driveLetter + ":";
    ShowDeviceMessage(path + " - " + LoadProgramString(kStringVolumeBusy), ui::MB_ICONERROR);
    return false;
  }
  if (!card_.Open(*entry_)) return false;
  CardOnIdeBus = entry_->busKind == kBusIde ? 1 : 0;
  CardOnPcmciaBus = entry_->busKind == kBusPcmcia ? 1 : 0;
  CardGeometry geometry;
  bool writeProtected = false;
  if (!card_.Identify(geometry, writeProtected) && !StickOfUntoldSize(geometry)) {
    ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  rawFlash_ = IsRawFlash(entry_->readerKind != 0 ? entry_->readerKind : entry_->deviceKind);
  if (rawFlash_) {
    if (!IdentifyFlashShape(geometry)) return false;
  } else {
    cardSectors_ = geometry.blocksOrSectors;
    if (cardSectors_ == 0) {
      ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
      return false;
    }
    bytesPerSector_ =
        geometry.bytesPerSector != 0 && geometry.bytesPerSector % 512 == 0 ? geometry.bytesPerSector : 512;
    if (CardOnIdeBus != 0 || CardOnPcmciaBus != 0) sectorsPerRead_ /= 2;
  }
  card_.Lock();
  if (OsKindIsNt() && !rawFlash_ && UsePlainSectorIo == 0) {
    std::array<win::BYTE, 32> partition{};
    win::DWORD returned = 0;
    if (win::DeviceIoControl(card_.Handle(), win::IOCTL_DISK_GET_PARTITION_INFO, nullptr, 0, partition.data(),
                             static_cast<win::DWORD>(partition.size()), &returned, nullptr))
      hiddenSectors_ =
          (std::uint64_t{win::ReadLe32(partition, 4)} << 32 | win::ReadLe32(partition, 0)) / bytesPerSector_;
  } else if (!OsKindIsNt() && !rawFlash_ && UseDriveLetterIo == 0 && UsePlainSectorIo == 0) {
    // Windows 9x has no partition query: the reader reads the whole card, whose first sector
    // tells where the volume begins, as the system finds it there.
    std::vector<std::uint8_t> first(bytesPerSector_);
    CardSectorSource whole(card_.Handle(), *entry_, bytesPerSector_, cardSectors_);
    if (whole.Read(0, first)) hiddenSectors_ = win::FindVolumeWindow(first, cardSectors_).firstSector;
  }
  return true;
}

std::unique_ptr<recovery::SectorSource> RecoveryRun::OpenSource() {
  if (rawFlash_) {
    const bool memoryStick = IsMemoryStick(entry_->readerKind != 0 ? entry_->readerKind : entry_->deviceKind);
    return OpenFlashMapSource(card_.Handle(), *entry_, {memoryStick, mediaSizeCode_, pagesPerBlock_, blockCount_},
                              &page_, *this);
  }
  return std::make_unique<CardSectorSource>(card_.Handle(), *entry_, bytesPerSector_, cardSectors_);
}

recovery::CardFacts RecoveryRun::Facts() const {
  recovery::CardFacts facts;
  // Raw flash cards and volumes read through their own handle start at sector 0: with no file
  // system found there, the engine scans the whole logical card.
  facts.volumeStart = hiddenSectors_;
  facts.sectorsPerRead = sectorsPerRead_;
  facts.driveLetter = CardDriveLetter;
  return facts;
}

recovery::RecoverySettings RecoveryRun::EngineSettings(const std::string& prefix) const {
  if (TypeSelectionMask == 0) TypeSelectionMask = LoadTypeSelectionMask();
  recovery::RecoverySettings settings;
  settings.outputFolder = page_.OutputFolder;
  settings.prefix = prefix;
  settings.typeSelection = TypeSelectionMask;
  settings.showThumbnails = ShowThumbNail != 0;
  settings.restoreAllFiles = RestoreAllFiles != 0;
  settings.scanFile = ScanFile != 0;
  return settings;
}

void RecoveryRun::Run() {
  if (!OpenLog()) return;
  started_ = true;
  page_.TimerOn = 0;
  page_.TimerSeconds = 0;
  page_.GaugeMax = 0;
  sectorsPerRead_ = OsKindIsNt() ? 64 : 128;
  StartControls();
  if (page_.ResultsShown != 0) page_.ClearResults();
  if (page_.PageCancel != 0 && CancelRequested()) return;
  entry_ = ChosenEntry();
  if (entry_ == nullptr) return;
  if (entry_->noCommandFlag != 0 && !IsDriveLetterPresent(entry_->driveLetter)) {
    ShowDeviceMessage(DriveGoneText(entry_->driveLetter), ui::MB_ICONERROR);
    return;
  }
  EnableControls(page_, {kRecoverButton, kOptionsButton}, false);
  ShowControls(page_, {kRecoveryCancelButton, kRunFrame, kPercentValue}, true);
  page_.CancelButton().SetFocus();
  std::string prefix;
  if (!TakeOutputFolder(prefix) || !OpenAndIdentify()) return;
  std::unique_ptr<recovery::SectorSource> source = OpenSource();
  if (!source) return;
  ResetProgressBar(page_.Progress(), true);
  ShowControls(page_, {kRecoveryProgress}, true);
  page_.SetTimer(kRunSecondsTimer, kRunSecondsTimerMs);
  page_.TimerOn = 1;
  recovery::RecoveryEngine engine(page_.CarveState, *source, *this);
  const recovery::RunSummary summary = engine.Run(EngineSettings(prefix), Facts());
  if (summary.scanned) page_.ScanStart = static_cast<std::uint32_t>(summary.scanned->first);
  Finish(summary);
}

void RecoveryRun::Finish(const recovery::RunSummary& summary) {
  switch (summary.end) {
    case recovery::RunEnd::Completed: break;
    case recovery::RunEnd::OutputOnCard: ShowStringMessage(kStringRecoverySameDrive, 0); return;
    case recovery::RunEnd::OutputFolderFailed:
      ShowDeviceMessage(LoadProgramString(kStringFolderFailed) + "\n'" + page_.OutputFolder + "'.", ui::MB_ICONERROR);
      return;
    case recovery::RunEnd::BootSectorUnreadable: ShowStringMessage(kStringDriveUnreadable, ui::MB_ICONERROR); return;
    case recovery::RunEnd::OutOfMemory: ShowStringMessage(kStringOutOfMemory, ui::MB_ICONERROR); return;
    default: return;
  }
  // The volume is given back first: the still-visible files are read through the drive letter.
  card_.Release();
  if (RestoreAllFiles != 0 && CardDriveLetter != 0) {
    OnCopyingFiles();
    recovery::CopyVisibleFiles(page_.CarveState, std::string(1, CardDriveLetter) + ":\\*.*", page_.OutputFolder);
  }
  if (page_.CarveState.recoveredCount != 0) {
    win::ShellExecuteA(page_.m_hWnd, "open", (ProgramFolder + kViewer).c_str(), nullptr, nullptr, ui::SW_RESTORE);
    page_.CarveState.recoveredCount = 0;
  } else {
    ShowStringMessage(kStringNothingFound, ui::MB_ICONINFORMATION);
  }
}

RecoveryRun::~RecoveryRun() {
  FlushLog();
  if (log_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(log_);
  if (!started_) return;
  EndControls();
  card_.Release();
  page_.PageCancel = 0;
  OperationBusy = 0;
  page_.ScanStart = 0;
}

void RecoveryRun::EndControls() {
  for (const int id : {kRecoveredValue, kPercentValue, kThroughputText, kSectorValue, kRunFrame})
    page_.SetDlgItemText(id, "");
  EnableControls(page_, {kSectorValue, kRecoveredValue}, false);
  ResetProgressBar(page_.Progress(), false);
  ShowControls(page_, {kRecoveryProgress, kThroughputGauge}, false);
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::TRUE);
  EnableControls(page_, {kRecoverButton, kOptionsButton}, true);
  ShowControls(page_, {kRunFrame, kPercentValue, kThroughputText, kStatusLine, kRecoveryCancelButton}, false);
  page_.CancelButton().SetWindowText(LoadProgramString(kStringCancel));
}

bool RecoveryRun::CancelRequested() {
  if (page_.PageCancel == 0) return false;
  if (ShowStringMessage(kStringReallyCancelQuestion, ui::MB_YESNO | ui::MB_ICONQUESTION | ui::MB_DEFBUTTON2) ==
      ui::IDYES)
    return true;
  page_.PageCancel = 0;
  return false;
}

void RecoveryRun::PumpMessages() {
  // A pump costs a fast card more than a read (the desktop's events, a repaint of what
  // changed): pending messages wait a moment, which nobody sees.
  constexpr win::DWORD kPumpInterval = 10;
  const win::DWORD now = win::GetTickCount();
  if (lastPump_ && now - *lastPump_ < kPumpInterval) return;
  lastPump_ = now;
  ui::CWnd* main = ui::AfxGetMainWnd();
  PumpSheetMessages(main != nullptr && main->m_hWnd != nullptr ? *main : static_cast<ui::CWnd&>(page_), nullptr);
}

recovery::ReadFailureAnswer RecoveryRun::OnReadFailure(std::uint32_t) {
  FlushLog();
  PromptText = LoadProgramString(kStringDriveUnreadable);
  if (prompt_.answer == PROMPT_IGNORE_ALL) return recovery::ReadFailureAnswer::IgnoreAll;
  prompt_.DoModal();
  switch (prompt_.answer) {
    case PROMPT_ABORT: return recovery::ReadFailureAnswer::Abort;
    case PROMPT_RETRY: return recovery::ReadFailureAnswer::Retry;
    case PROMPT_IGNORE_ALL: return recovery::ReadFailureAnswer::IgnoreAll;
    default: return recovery::ReadFailureAnswer::Ignore;
  }
}

void RecoveryRun::OnProgress(int percent) {
  if (percent == lastPercent_ || !ReadOutDue(lastPercentShown_)) return;
  char text[16];
  std::snprintf(text, sizeof(text), "%d %%", percent);
  page_.SetDlgItemText(kPercentValue, text);
  page_.Progress().SetPos(percent);
  lastPercent_ = percent;
}

void RecoveryRun::OnSector(std::uint32_t sector) {
  if (ReadOutDue(lastSectorShown_)) page_.SetDlgItemText(kSectorValue, GroupedNumber(sector));
}

bool RecoveryRun::ReadOutDue(win::DWORD& lastShown) {
  // Each change repaints the page: one a read would cost more than the read itself.
  constexpr win::DWORD kRedrawInterval = 100;
  const win::DWORD now = win::GetTickCount();
  if (now - lastShown < kRedrawInterval) return false;
  lastShown = now;
  return true;
}

void RecoveryRun::OnRecoveredCount(int count) { page_.SetDlgItemText(kRecoveredValue, " " + std::to_string(count)); }

void RecoveryRun::OnCopyingFiles() { page_.SetDlgItemText(kPercentValue, LoadProgramString(kStringCopying)); }

int RecoveryRun::TimerSeconds() { return page_.TimerSeconds; }

void RecoveryRun::ShowThroughput(int seconds, std::uint64_t bytes) {
  page_.ShowThroughput(seconds, bytes);
  page_.TimerSeconds = 0;
}

void RecoveryRun::OnThumbnail(const std::string& /*path*/, const recovery::Thumbnail& thumbnail) {
  page_.AddThumbnail(thumbnail);
}

void RecoveryRun::OnDiskFull(const std::string& outputFolder) {
  ShowDeviceMessage(WithValue(kStringRecoveryDiskFull, outputFolder), ui::MB_ICONSTOP);
}

}  // namespace tarnlok
