#include "operations/backup_run.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/file_system_type.h"
#include "device/reader_commands.h"
#include "device/storage_layouts.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "operations/backup_names.h"
#include "operations/base_page.h"
#include "device/card_reads.h"
#include "device/card_session.h"
#include "operations/operation_state.h"
#include "operations/page_look.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/resources/resources.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/volumes.h"
#include "controls/resource_ids.h"
#include "controls/shell_state.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <new>

namespace tarnlok {
namespace {

constexpr win::DWORD kErrorAlreadyExists = 183;
constexpr win::ULONGLONG kImageLimit = 0x80000000;
constexpr win::DWORD kDefaultSectorSize = 512;
constexpr win::DWORD kExtraDataSize = 4;
constexpr char kImageExtension[] = ".FMB";

int Show(win::UINT id, win::UINT type) { return ShowStringMessage(id, type); }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string SystemErrorText(win::DWORD error) {
  char text[512] = {};
  win::FormatMessageA(win::FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, sizeof(text), nullptr);
  return text;
}

std::optional<win::ULONGLONG> FreeBytesOf(const std::string& root) {
  win::ULARGE_INTEGER available{}, total{}, free{};
  if (!win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return std::nullopt;
  return free.QuadPart;
}

// Total minus free bytes of the card's volume; nothing when the volume cannot be asked.
std::optional<win::ULONGLONG> UsedBytesOf(char letter) {
  win::ULARGE_INTEGER available{}, total{}, free{};
  const std::string root = std::string(1, letter) + ":\\";
  if (!win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free)) return std::nullopt;
  return total.QuadPart - free.QuadPart;
}

}  // namespace

BackupRun::BackupRun(CBkupPage& page)
    : page_(page), progress_(page, kCurrentBlockValue, kPercentText, page.progress_) {}

void CBkupPage::BackupMedia() {
  BackupRun run(*this);
  run.Run();
}

void BackupRun::Run() {
  OperationBusy = 1;
  UsePlainSectorIo = 0;
  SelectedDeviceIndex = page_.deviceRow;
  const auto imagePath = CheckImagePath();
  if (!imagePath || !CheckCardAndTarget(*imagePath) || !card_.Open(*entry_)) return;
  CardDriveLetter = entry_->driveLetter;
  CardOnIdeBus = entry_->busKind == kBusIde ? 1 : 0;
  CardOnPcmciaBus = entry_->busKind == kBusPcmcia ? 1 : 0;
  bool writeProtected = false;  // a backup only reads
  if (!card_.Identify(geometry_, writeProtected)) {
    Show(kStringNoMedia, ui::MB_ICONERROR);
    return;
  }
  // Only a reader without a command path is read through its physical drive; the others stay
  // on the volume, which the lock below takes.
  if (entry_->noCommandFlag != 0 && !card_.SwitchToPhysicalDrive()) return;
  if (geometry_.bytesPerSector == 0) geometry_.bytesPerSector = kDefaultSectorSize;
  // A card that reports no transfer size is read a sector at a time rather than not at all.
  if (geometry_.sectorsPerBlock == 0) geometry_.sectorsPerBlock = 1;
  try {
    blockBuffer_.assign(
        std::max<std::size_t>(std::size_t{geometry_.bytesPerSector} * geometry_.sectorsPerBlock, kFlashReadBuffer), 0);
  } catch (const std::bad_alloc&) {
    Show(kStringNotEnoughMemory, ui::MB_ICONERROR);
    return;
  }
  usedSpace_ = UsedSpaceChosen();
  // Asked before the lock, which takes the volume from the file services.
  if (usedSpace_) usedBytesQuery_ = UsedBytesOf(entry_->driveLetter);
  card_.Lock(CardSession::PlainSectorCard::kLock);
  if (usedSpace_ && !FindUsedSpace()) return;
  if (!CheckSizeLimitAndSpace(*imagePath)) return;
  if (!image_.Create(*imagePath)) {
    const std::string text = LoadProgramString(kStringCreateFailed) + "\n - " + *imagePath;
    ShowDeviceMessage(text, ui::MB_ICONERROR);
    return;
  }
  ShowRunControls();
  if (!Write(WriteFmbHeader(Header(0)))) return ReportWriteFailure(*imagePath);
  const bool done = usedSpace_ ? BackupUsedSpace() : WholeMediaBody();
  if (writeFailed_) return ReportWriteFailure(*imagePath);
  if (!done) {
    if (usedSpace_ && !cancelled_) ReportUsedSpaceFailure();
    return;
  }
  if (!image_.Complete(Header(1))) return ReportWriteFailure(*imagePath);
  ReportSuccess(*imagePath);
}

std::optional<std::string> BackupRun::CheckImagePath() {
  std::string name = page_.GetDlgItemText(kImageNameEdit);
  if (name.empty()) {
    Show(kStringNoBackupFileName, ui::MB_ICONERROR);
    return std::nullopt;
  }
  if (name.size() < 4 || Upper(name.substr(name.size() - 4)) != kImageExtension) name += kImageExtension;
  MessageText = name;
  const std::size_t slash = name.rfind('\\');
  if (slash == std::string::npos) {
    Show(kStringPathNotFound, 0);
    return std::nullopt;
  }
  const std::string folder = name.substr(0, slash + 1);
  const bool driveInFront = folder.substr(0, 3).find(':') != std::string::npos;
  const bool reachable = driveInFront ? FreeBytesOf(folder).has_value() : folder.find(':') != std::string::npos;
  if (!reachable) {
    Show(kStringPathNotFound, 0);
    return std::nullopt;
  }
  if (folder.size() != 3 && !CreateFolder(folder)) return std::nullopt;
  if (win::GetFileAttributesA(name.c_str()) != win::INVALID_FILE_ATTRIBUTES) {
    const std::string question = name + "\n\n" + LoadProgramString(kStringOverwrite);
    if (ShowDeviceMessage(question, ui::MB_YESNO | ui::MB_DEFBUTTON2 | ui::MB_ICONQUESTION) != ui::IDYES) {
      return std::nullopt;
    }
  }
  return name;
}

bool BackupRun::CreateFolder(const std::string& folder) {
  if (win::CreateDirectoryA(folder.c_str(), nullptr)) return true;
  for (std::size_t end = folder.find('\\'); end != std::string::npos; end = folder.find('\\', end + 1)) {
    win::CreateDirectoryA(folder.substr(0, end + 1).c_str(), nullptr);
  }
  if (win::CreateDirectoryA(folder.c_str(), nullptr)) return true;
  const win::DWORD error = win::GetLastError();
  if (error == kErrorAlreadyExists) return true;
  const std::string text = LoadProgramString(kStringFolderFailed) + "\n'" + folder + "'.\n\n" +
                           LoadProgramString(kStringFolderFailedReason) + "\n- " + SystemErrorText(error);
  ShowDeviceMessage(text, ui::MB_ICONERROR);
  return false;
}

DeviceEntry* BackupRun::FindEntry() const {
  for (DeviceEntry* entry = CurrentDevice; entry != nullptr; entry = entry->next) {
    if (entry->index == SelectedDeviceIndex) return entry;
  }
  return nullptr;
}

bool BackupRun::CheckCardAndTarget(const std::string& imagePath) {
  entry_ = FindEntry();
  if (entry_ == nullptr) return false;
  if (Upper(imagePath.substr(0, 1)) == std::string(1, entry_->driveLetter)) {
    Show(kStringBackupSameDrive, ui::MB_ICONERROR);
    return false;
  }
  if (entry_->noCommandFlag != 0 && !IsDriveLetterPresent(entry_->driveLetter)) {
    const std::string text = DriveGoneText(entry_->driveLetter);
    MessageText = text;
    ShowDeviceMessage(text, ui::MB_ICONERROR);
    return false;
  }
  return Show(kStringBackupCloseOthers, ui::MB_OKCANCEL | ui::MB_ICONQUESTION) != ui::IDCANCEL;
}

bool BackupRun::UsedSpaceChosen() const {
  return page_.usedSpaceChoice_.GetCheck() == static_cast<int>(ui::BST_CHECKED) &&
         !IsRawFlashBackup(entry_->deviceKind);
}

bool BackupRun::FindUsedSpace() {
  win::BYTE notFormatted = 0;
  if (GetFileSystemType(card_.Handle(), entry_, geometry_.bytesPerSector, &notFormatted, volume_.sector0.data(),
                        &volume_.sector0IsMbr, volume_.bootSector.data(), &volume_.volumeStart,
                        &volume_.fileSystem) == 1) {
    volume_.usedBytes = usedBytesQuery_.value_or(0);
    return true;
  }
  if (notFormatted != 1 && Show(kStringNoUsedSpace, ui::MB_YESNO | ui::MB_ICONQUESTION) != ui::IDYES) return false;
  page_.usedSpaceChoice_.SetCheck(0);
  page_.wholeMediaChoice_.SetCheck(static_cast<int>(ui::BST_CHECKED));
  usedSpace_ = false;
  return true;
}

win::ULONGLONG BackupRun::BodyDataBytes() const {
  const win::ULONGLONG bytesPerSector = geometry_.bytesPerSector;
  if (IsRawFlashBackup(entry_->deviceKind)) {
    return win::ULONGLONG{geometry_.blocksOrSectors} * geometry_.sectorsPerBlock * bytesPerSector;
  }
  const win::ULONGLONG cardBytes = win::ULONGLONG{geometry_.blocksOrSectors} * bytesPerSector;
  if (!usedSpace_) return cardBytes;
  // Without the volume's own count the whole card bounds what the clusters can hold.
  return SystemAreaBytes() + usedBytesQuery_.value_or(cardBytes);
}

win::ULONGLONG BackupRun::ImageFileBytes() const {
  win::ULONGLONG bytes = kFmbHeaderSize + BodyDataBytes();
  if (entry_->deviceKind == kMemoryStick) bytes += win::ULONGLONG{geometry_.blocksOrSectors} * kExtraDataSize;
  if (entry_->deviceKind == kSmartMedia) {
    bytes += win::ULONGLONG{geometry_.blocksOrSectors} * RedundantAreaSize(geometry_.sizeValue);
  }
  if (usedSpace_) {
    const win::ULONGLONG cluster = win::ULONGLONG{volume_.ParameterSector()[13]} * geometry_.bytesPerSector;
    const win::ULONGLONG used = usedBytesQuery_.value_or(win::ULONGLONG{geometry_.blocksOrSectors} * 512);
    if (cluster != 0) bytes += (used + cluster - 1) / cluster * kClusterRecordSize;
  }
  return bytes;
}

bool BackupRun::CheckSizeLimitAndSpace(const std::string& imagePath) {
  if (!IsRawFlashBackup(entry_->deviceKind) && BodyDataBytes() > kImageLimit) {
    Show(kStringTooLarge, ui::MB_ICONERROR);
    return false;
  }
  const auto free = FreeBytesOf(imagePath.substr(0, 1) + ":\\");
  if (!free) {
    Show(kStringFreeSpaceUnknown, ui::MB_ICONERROR);
    return false;
  }
  if (ImageFileBytes() > *free) {
    Show(kStringBackupNoFreeSpace, ui::MB_ICONERROR);
    return false;
  }
  return true;
}

void BackupRun::ShowRunControls() {
  const bool rawFlash = IsRawFlashBackup(entry_->deviceKind);
  if (!rawFlash) EnableControls(page_, {kUsedSpaceChoice, kWholeMediaChoice}, false);
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::FALSE);
  EnableControls(page_, {kBackupButton, kBrowseButton, kImageNameEdit}, false);
  EnableControls(page_, {kProgressFrame, kTotalBlocksLabel, kTotalBlocksValue, kCurrentBlockLabel, kCurrentBlockValue},
                 true);
  page_.SetDlgItemText(kTotalBlocksLabel, LoadProgramString(kStringTotalBlocks));
  page_.SetDlgItemText(kCurrentBlockLabel, LoadProgramString(kStringCurrentBlock));
  const win::DWORD blocks = rawFlash ? geometry_.blocksOrSectors
                                     : geometry_.blocksOrSectors / std::max<win::DWORD>(geometry_.sectorsPerBlock, 1);
  page_.SetDlgItemText(kTotalBlocksValue, BlockNumberText(blocks));
  ShowControls(page_, {kTotalBlocksValue, kTotalBlocksLabel, kCurrentBlockLabel, kCancelButton}, true);
  page_.cancelButton_.EnableWindow(win::TRUE);
  page_.cancelButton_.SetWindowText(LoadProgramString(kStringCancel));
  page_.cancelButton_.SetFocus();
  page_.keyboardTable_ = ui::LoadAcceleratorsA(nullptr, kKeyboardTable);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::FALSE);
  page_.SetDlgItemText(kActivityText, LoadProgramString(kStringWritingImage));
  page_.SetDlgItemText(kPercentText, "0 %");
  ShowControls(page_, {kActivityText, kPercentText, kProgressBar}, true);
  ResetProgressBar(page_.progress_, true);
  progress_.SetTotal(rawFlash || !usedSpace_
                         ? win::ULONGLONG{geometry_.blocksOrSectors} * (rawFlash ? geometry_.sectorsPerBlock : 1)
                         : 0);
}

FmbHeader BackupRun::Header(win::BYTE complete) const {
  FmbHeader header;
  header.deviceKind = entry_->deviceKind;
  header.mediaSizeCode = geometry_.sizeValue;
  header.sectorsPerBlock = geometry_.sectorsPerBlock;
  header.blockCount = geometry_.blocksOrSectors;
  header.complete = complete;
  header.bytesPerSector = IsRawFlashBackup(entry_->deviceKind) ? kDefaultSectorSize : geometry_.bytesPerSector;
  header.backupKind = usedSpace_ ? kBackupUsedSpace : kBackupWholeMedia;
  if (usedSpace_) {
    header.fileSystem = volume_.fileSystem;
    header.mbrFlag = volume_.sector0IsMbr;
    header.volumeStart = volume_.sector0IsMbr != 0 ? volume_.volumeStart : 0;
    header.usedSectors = static_cast<win::DWORD>(volume_.usedBytes / geometry_.bytesPerSector);
  }
  return header;
}

bool BackupRun::Write(std::span<const win::BYTE> bytes) {
  if (!image_.Append(bytes)) writeFailed_ = true;
  return !writeFailed_;
}

bool BackupRun::Prompted(win::UINT stepString, const std::function<bool()>& command) {
  const StepResult result = RunPromptedCommand(prompt_, stepString, command, [this] { return card_.StillThere(); });
  if (result == StepResult::CardGone) Show(kStringNoMedia, ui::MB_ICONERROR);
  return result == StepResult::Done;
}

bool BackupRun::Cancelled() {
  cancelled_ = CancelConfirmed();
  return cancelled_;
}

bool BackupRun::BlockPoll() {
  if (Cancelled()) return false;
  if (poll_.Due()) PumpSheetMessages(*page_.ownerSheet, &page_.cancelButton_);
  return true;
}

bool BackupRun::WholeMediaBody() {
  const bool rawFlash = IsRawFlashBackup(entry_->deviceKind);
  const win::ULONGLONG total = progress_.Total();
  const win::DWORD step = std::max<win::DWORD>(geometry_.sectorsPerBlock, 1);
  for (win::ULONGLONG position = 0; position < total; position += step) {
    if (Cancelled()) return false;
    if (poll_.Due()) {
      if (!card_.StillThere()) {
        Show(kStringNoMedia, ui::MB_ICONERROR);
        return false;
      }
      PumpSheetMessages(*page_.ownerSheet, &page_.cancelButton_);
    }
    progress_.Show(static_cast<win::DWORD>(position / step), position);
    if (!BackupBlock(static_cast<win::DWORD>(position))) return false;
  }
  progress_.Finish(rawFlash ? geometry_.blocksOrSectors : geometry_.blocksOrSectors / step);
  return true;
}

bool BackupRun::BackupBlock(win::DWORD position) {
  switch (entry_->deviceKind) {
    case kMemoryStick: return MemoryStickBlock(position / geometry_.sectorsPerBlock);
    case kSmartMedia: return SmartMediaBlock(position);
    default: return PlainChunk(position);
  }
}

bool BackupRun::MemoryStickBlock(win::DWORD block) {
  const auto number = static_cast<win::WORD>(block);
  const auto buffer = std::span(blockBuffer_);
  const bool extra = Prompted(kStringExtraDataUnreadable, [&] {
    std::fill(blockBuffer_.begin(), blockBuffer_.end(), 0);
    return ReadExtraData(card_.Handle(), *entry_, number, buffer);
  });
  if (!extra) return false;
  std::array<win::BYTE, kExtraDataSize> extraData{};
  std::copy_n(blockBuffer_.begin(), kExtraDataSize, extraData.begin());
  if (!Write(extraData)) return false;
  if (!MemoryStickBlockHasData(extraData)) return true;
  if (!BlockPoll()) return false;
  const auto data = buffer.first(std::size_t{geometry_.sectorsPerBlock} * geometry_.bytesPerSector);
  const bool pages = Prompted(kStringReadFailed, [&] {
    std::fill(data.begin(), data.end(), 0);
    return ReadMemoryStickBlock(card_.Handle(), *entry_, number, data);
  });
  return pages && Write(data);
}

bool BackupRun::SmartMediaBlock(win::DWORD firstPage) {
  const auto length = static_cast<win::WORD>(RedundantAreaSize(geometry_.sizeValue));
  const auto buffer = std::span(blockBuffer_);
  const bool redundant = Prompted(kStringRedundantUnreadable, [&] {
    std::fill(blockBuffer_.begin(), blockBuffer_.end(), 0);
    return ReadRedundantData(card_.Handle(), *entry_, firstPage, length, buffer);
  });
  if (!redundant) return false;
  const std::vector<win::BYTE> redundantData(blockBuffer_.begin(), blockBuffer_.begin() + length);
  if (!Write(redundantData)) return false;
  if (!SmartMediaBlockHasData(redundantData)) return true;
  const auto page = buffer.first(geometry_.bytesPerSector);
  for (win::DWORD q = firstPage; q < firstPage + geometry_.sectorsPerBlock; ++q) {
    if (!BlockPoll()) return false;
    const bool read = Prompted(kStringReadFailed, [&] {
      std::fill(page.begin(), page.end(), 0);
      return ReadSmartMediaPage(card_.Handle(), *entry_, q, page);
    });
    if (!read || !Write(page)) return false;
  }
  return true;
}

bool BackupRun::PlainChunk(win::DWORD firstSector) {
  const win::DWORD count = std::min(geometry_.sectorsPerBlock, geometry_.blocksOrSectors - firstSector);
  const auto chunk = std::span(blockBuffer_).first(std::size_t{count} * geometry_.bytesPerSector);
  const bool read = Prompted(kStringReadFailed, [&] {
    std::fill(chunk.begin(), chunk.end(), 0);
    return ReadCardSectors(card_.Handle(), *entry_, firstSector, count, geometry_.bytesPerSector, chunk.data());
  });
  return read && Write(chunk);
}

void BackupRun::ReportSuccess(const std::string& imagePath) {
  std::string text = LoadProgramString(kStringBackupSucceeded) + "\n" + imagePath;
  if (CardOnPcmciaBus != 0) text += "\n" + LoadProgramString(kStringReinsertPcmcia);
  MessageText = text;
  ShowDeviceMessage(text, 0);
}

void BackupRun::ReportWriteFailure(const std::string& imagePath) {
  const win::DWORD error = image_.FailureError();
  image_.Discard();
  std::string text = LoadProgramString(kStringBackupFileWriteFailed) + "\n - " + imagePath;
  if (error != 0) text += "\n - " + SystemErrorText(error);
  MessageText = text;
  ShowDeviceMessage(text, ui::MB_ICONERROR);
}

// A used-space walk that stopped on a failing read: the card is gone, or it could not be read.
void BackupRun::ReportUsedSpaceFailure() {
  Show(card_.StillThere() ? kStringReadFailed : kStringNoMedia, ui::MB_ICONERROR);
}

BackupRun::~BackupRun() {
  OperationBusy = 0;
  CardOnIdeBus = 0;
  CardOnPcmciaBus = 0;
  image_.Discard();
  page_.keyboardTable_ = nullptr;
  CancelRequested = 0;
  EndControls();
  card_.Release();
}

void BackupRun::EndControls() {
  if (entry_ != nullptr && !IsRawFlashBackup(entry_->deviceKind)) {
    EnableControls(page_, {kUsedSpaceChoice, kWholeMediaChoice}, true);
  }
  if (ActivePageHwnd != nullptr) ui::ShowWindow(ui::GetDlgItem(ActivePageHwnd, kCancelButton), ui::SW_HIDE);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::TRUE);
  ShowControls(page_, {kActivityText, kPercentText}, false);
  ResetProgressBar(page_.progress_, false);
  page_.SetDlgItemText(kTotalBlocksValue, "");
  page_.SetDlgItemText(kCurrentBlockValue, "");
  EnableControls(page_, {kTotalBlocksValue, kCurrentBlockValue, kProgressFrame}, false);
  EnableControls(page_, {kBackupButton, kImageNameEdit, kBrowseButton}, true);
  page_.backupButton_.SetFocus();
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::TRUE);
}

}  // namespace tarnlok
