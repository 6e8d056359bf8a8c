#include "operations/restore_run.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/reader_commands.h"
#include "device/size_texts.h"
#include "device/string_ids.h"
#include "device/volume_lock.h"
#include "operations/base_page.h"
#include "device/card_sector_road.h"
#include "operations/operation_state.h"
#include "operations/page_look.h"
#include "operations/used_space_volume.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_api.h"
#include "platform/win/files/files.h"
#include "platform/win/system/handle_table.h"
#include "controls/shell_state.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>

namespace tarnlok {
namespace {

namespace controls = restore_page;

constexpr win::DWORD kDefaultSectorSize = 512;

int Show(win::UINT id, win::UINT type) { return ShowStringMessage(id, type); }

bool IsRawFlash(win::BYTE kind) { return kind == kMemoryStick || kind == kSmartMedia; }

// Megabytes, rounded, of a card or an image of that device kind from its blocks of 512-byte
// pages (raw flash) or its sectors. The pages of a crafted header's counts fill 64 bits, so raw
// flash is counted in pages; a size beyond what the text can show is shown as the largest.
win::DWORD MediaMegabytes(bool raw, win::DWORD blocksOrSectors, win::DWORD sectorsPerBlock, win::DWORD bytesPerSector) {
  constexpr win::ULONGLONG kMegabyte = 1024 * 1024;
  constexpr win::ULONGLONG kPagesPerMegabyte = kMegabyte / kDefaultSectorSize;
  const win::ULONGLONG megabytes =
      raw ? (win::ULONGLONG{blocksOrSectors} * sectorsPerBlock + kPagesPerMegabyte / 2) / kPagesPerMegabyte
          : (win::ULONGLONG{blocksOrSectors} * bytesPerSector + kMegabyte / 2) / kMegabyte;
  return static_cast<win::DWORD>(std::min<win::ULONGLONG>(megabytes, std::numeric_limits<int>::max()));
}

// "SmartMedia 16 MB\n", "Memory Stick 8 MB\n" or " 64 MB\n": the media and size in megabytes
// of a card or an image of that device kind.
std::string MediaText(win::BYTE deviceKind, win::DWORD blocksOrSectors, win::DWORD sectorsPerBlock,
                      win::DWORD bytesPerSector) {
  const bool raw = IsRawFlash(deviceKind);
  std::string size, unused;
  FormatSizeTexts(MediaMegabytes(raw, blocksOrSectors, sectorsPerBlock, bytesPerSector), size, 0, unused);
  if (!raw) return size;
  return LoadProgramString(deviceKind == kSmartMedia ? kStringSmartMedia : kStringMemoryStick) + size;
}

bool SameDrive(const std::string& path, char letter) {
  return path.size() >= 2 && path[1] == ':' &&
         std::toupper(static_cast<unsigned char>(path[0])) == std::toupper(static_cast<unsigned char>(letter));
}

// Writes plain sectors of the used-space restore by the card's write road.
class CardSectorSink : public SectorSink {
 public:
  CardSectorSink(win::HANDLE handle, const DeviceEntry& entry) : handle_(handle), entry_(entry) {}
  bool Write(win::DWORD firstSector, std::span<const win::BYTE> data) override {
    return WriteCardSectors(handle_, entry_, firstSector, data);
  }

 private:
  win::HANDLE handle_;
  const DeviceEntry& entry_;
};

}  // namespace

void CRestPage::RestoreMedia() {
  RestoreRun run(*this);
  run.Run();
}

RestoreRun::RestoreRun(CRestPage& page)
    : CardPageRun(page, page.ownerSheet, page.cancelButton_, controls::kCurrentBlockValue, controls::kPercentText,
                  page.progress_),
      page_(page) {}

void RestoreRun::Run() {
  UsePlainSectorIo = 0;
  const auto imagePath = CheckNameAndDevice();
  if (!imagePath) return;
  if (Show(kStringRestoreWarning, ui::MB_OKCANCEL | ui::MB_ICONEXCLAMATION) != ui::IDOK) return;
  if (!ProgramFolder.empty()) win::SetCurrentDirectoryA(ProgramFolder.c_str());
  if (!card_.Open(*entry_)) return;
  ShowControls(page_, {controls::kCancelButton}, true);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::FALSE);
  if (!IdentifyCardAndImage(*imagePath)) return;
  card_.Lock();
  ShowRunControls();
  if (WriteImage()) ReportSuccess();
}

std::optional<std::string> RestoreRun::CheckNameAndDevice() {
  if (page_.deviceRow < 0) {
    Show(kStringRestoreNoDevice, ui::MB_ICONERROR);
    return std::nullopt;
  }
  const std::string name = page_.GetDlgItemText(controls::kImageNameEdit);
  if (name.empty()) {
    Show(kStringNoRestoreFileName, ui::MB_ICONERROR);
    return std::nullopt;
  }
  entry_ = EntryOfRow(page_.deviceRow);
  if (entry_ == nullptr) {
    Show(kStringRestoreNoDevice, ui::MB_ICONERROR);
    return std::nullopt;
  }
  if (SameDrive(name, entry_->driveLetter)) {
    Show(kStringRestoreSameDrive, ui::MB_ICONERROR);
    return std::nullopt;
  }
  if (entry_->noCommandFlag != 0 && !IsDriveLetterPresent(entry_->driveLetter)) {
    ShowMessageText(DriveGoneText(entry_->driveLetter), ui::MB_ICONERROR);
    return std::nullopt;
  }
  return name;
}

bool RestoreRun::IdentifyCardAndImage(const std::string& imagePath) {
  for (;;) {
    switch (CheckCardOnce(imagePath)) {
      case CardCheck::kReady: return true;
      case CardCheck::kEnd: return false;
      case CardCheck::kRetry: CloseImage(); break;
    }
  }
}

RestoreRun::CardCheck RestoreRun::CheckCardOnce(const std::string& imagePath) {
  CardDriveLetter = entry_->driveLetter;
  CardOnIdeBus = entry_->busKind == kBusIde ? 1 : 0;
  CardOnPcmciaBus = entry_->busKind == kBusPcmcia ? 1 : 0;
  UseDriveLetterIo = 0;
  bool writeProtected = false;
  if (!card_.Identify(geometry_, writeProtected)) {
    Show(kStringNoMedia, ui::MB_ICONERROR);
    return CardCheck::kEnd;
  }
  if (geometry_.bytesPerSector == 0) geometry_.bytesPerSector = kDefaultSectorSize;
  if (writeProtected) PromptText = LoadProgramString(kStringWriteProtected);
  if (!card_.SwitchToPhysicalDrive()) return CardCheck::kEnd;
  if (writeProtected) return AskRetry();
  OperationBusy = 1;
  if (const CardCheck opened = OpenAndReadHeader(imagePath); opened != CardCheck::kReady) return opened;
  if (const CardCheck compared = CompareHeaderWithCard(); compared != CardCheck::kReady) return compared;
  if (!CheckImageAgainstCard()) return CardCheck::kEnd;
  // The write test creates a file on the card: only once the image is sure to be written, as it
  // may overwrite the entry of a deleted file that recovery could still have named.
  card_.TestWritable(writeProtected);
  return writeProtected ? AskRetry() : CardCheck::kReady;
}

RestoreRun::CardCheck RestoreRun::AskRetry() {
  return ShowMessageText(PromptText, ui::MB_RETRYCANCEL | ui::MB_ICONEXCLAMATION) == ui::IDRETRY ? CardCheck::kRetry
                                                                                                 : CardCheck::kEnd;
}

RestoreRun::CardCheck RestoreRun::OpenAndReadHeader(const std::string& imagePath) {
  image_ = win::CreateFileA(imagePath.c_str(), win::GENERIC_READ, 0, nullptr, win::OPEN_EXISTING,
                            win::FILE_ATTRIBUTE_NORMAL, nullptr);
  if (image_ == win::INVALID_HANDLE_VALUE) {
    ShowMessageText(LoadProgramString(kStringOpenImageFailed) + "\n - " + imagePath, ui::MB_ICONERROR);
    return CardCheck::kEnd;
  }
  win::LARGE_INTEGER size{};
  win::GetFileSizeEx(image_, &size);
  imageBytes_ = static_cast<win::ULONGLONG>(size.QuadPart);
  std::array<win::BYTE, kFmbHeaderSize> bytes{};
  win::DWORD read = 0;
  const bool whole = win::ReadFile(image_, bytes.data(), kFmbHeaderSize, &read, nullptr) && read == kFmbHeaderSize;
  const auto header = whole ? ReadFmbHeader(bytes) : std::nullopt;
  if (!header || !IsSignedFmbHeader(*header)) {
    Show(kStringInvalidImage, ui::MB_ICONERROR);
    return CardCheck::kEnd;
  }
  if (header->complete == 0) {
    Show(kStringIncompleteImage, ui::MB_ICONERROR);
    return CardCheck::kEnd;
  }
  header_ = *header;
  return CardCheck::kReady;
}

RestoreRun::CardCheck RestoreRun::CompareHeaderWithCard() {
  std::string text;
  const bool imageRaw = IsRawFlash(header_.deviceKind);
  // Plain sectors go only onto a plain card, raw flash blocks only onto the same raw geometry:
  // a sector count is no block count, and a raw body is no run of sectors.
  if (imageRaw || IsRawFlash(entry_->deviceKind)) {
    if (imageRaw && header_.mediaSizeCode == geometry_.sizeValue &&
        header_.sectorsPerBlock == geometry_.sectorsPerBlock && header_.blockCount == geometry_.blocksOrSectors &&
        header_.deviceKind == entry_->deviceKind) {
      return CardCheck::kReady;
    }
    const win::DWORD imageSectorBytes = header_.bytesPerSector != 0 ? header_.bytesPerSector : kDefaultSectorSize;
    text =
        LoadProgramString(kStringOtherMedia) +
        MediaText(header_.deviceKind, header_.blockCount, header_.sectorsPerBlock, imageSectorBytes) +
        LoadProgramString(kStringDestinationMedia) +
        MediaText(entry_->deviceKind, geometry_.blocksOrSectors, geometry_.sectorsPerBlock, geometry_.bytesPerSector);
  } else if (header_.bytesPerSector != geometry_.bytesPerSector) {
    text = LoadProgramString(kStringOtherSectorSize);
  } else if (geometry_.blocksOrSectors < header_.blockCount) {
    std::string imageSize, cardSize;
    FormatSizeTexts(header_.mediaSizeCode, imageSize, geometry_.sizeValue, cardSize);
    text = LoadProgramString(kStringSmallerMedia) + imageSize + LoadProgramString(kStringDestinationSize) + cardSize;
  } else {
    return CardCheck::kReady;
  }
  return ShowMessageText(text, ui::MB_RETRYCANCEL | ui::MB_ICONEXCLAMATION) == ui::IDRETRY ? CardCheck::kRetry
                                                                                           : CardCheck::kEnd;
}

// Every field the run relies on, bounded by the card and the image's own length, before the
// first write: a damaged or crafted image leaves the card as it was.
bool RestoreRun::CheckImageAgainstCard() {
  const auto refuse = [](bool truncated) {
    Show(truncated ? kStringIncompleteImage : kStringInvalidImage, ui::MB_ICONERROR);
    return false;
  };
  if (header_.bytesPerSector == 0) header_.bytesPerSector = kDefaultSectorSize;
  const bool rawFlash = IsRawFlash(header_.deviceKind);
  if (header_.headerSize < kFmbHeaderSize || header_.headerSize > imageBytes_ ||
      (rawFlash && header_.bytesPerSector != kDefaultSectorSize) ||
      (header_.backupKind != kBackupUsedSpace && header_.backupKind != kBackupWholeMedia) ||
      geometry_.sectorsPerBlock == 0) {
    return refuse(false);
  }
  win::LARGE_INTEGER body{};
  body.QuadPart = static_cast<win::LONGLONG>(header_.headerSize);
  const auto rewind = [&] { return win::SetFilePointerEx(image_, body, nullptr, win::FILE_BEGIN) != 0; };
  if (!rewind()) return refuse(true);
  FileImageSource source(image_);
  if (rawFlash) {
    const FlashBodyFit fit = CheckFlashBody(source, header_.deviceKind == kMemoryStick, header_.blockCount,
                                            header_.sectorsPerBlock, header_.mediaSizeCode);
    if (fit != FlashBodyFit::kExact) return refuse(fit == FlashBodyFit::kShort);
  } else if (header_.backupKind == kBackupWholeMedia) {
    const win::ULONGLONG expected = win::ULONGLONG{header_.blockCount} * header_.bytesPerSector;
    if (source.Remaining() != expected) return refuse(source.Remaining() < expected);
  } else {
    const UsedSpaceImage image{header_.fileSystem, header_.mbrFlag != 0, header_.volumeStart, header_.bytesPerSector,
                               header_.usedSectors};
    const UsedSpaceOutcome outcome = RestoreUsedSpaceVolume(source, nullptr, image, geometry_.blocksOrSectors, {});
    if (outcome != UsedSpaceOutcome::kRestored) return refuse(outcome == UsedSpaceOutcome::kTruncatedImage);
  }
  return rewind() || refuse(true);
}

void RestoreRun::ShowRunControls() {
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::FALSE);
  EnableControls(page_, {controls::kProgressFrame, controls::kCurrentBlockValue}, true);
  EnableControls(page_, {controls::kRestoreButton, controls::kBrowseButton, controls::kImageNameEdit}, false);
  page_.SetDlgItemText(controls::kTotalBlocksLabel, LoadProgramString(kStringTotalBlocks));
  const bool rawFlash = IsRawFlash(header_.deviceKind);
  const win::DWORD blocks = rawFlash ? geometry_.blocksOrSectors : header_.blockCount / geometry_.sectorsPerBlock;
  page_.SetDlgItemText(controls::kTotalBlocksValue, BlockNumberText(blocks));
  ShowControls(page_, {controls::kCurrentBlockLabel, controls::kCancelButton}, true);
  page_.cancelButton_.SetWindowText(LoadProgramString(kStringCancel));
  page_.cancelButton_.SetFocus();
  page_.SetDlgItemText(controls::kActivityText, LoadProgramString(kStringRestoring));
  page_.SetDlgItemText(controls::kPercentText, "0 %");
  ShowControls(page_, {controls::kActivityText, controls::kPercentText, controls::kProgressBar}, true);
  ResetProgressBar(page_.progress_, true);
  progress_.SetTotal(rawFlash ? win::ULONGLONG{geometry_.sectorsPerBlock} * geometry_.blocksOrSectors
                              : header_.blockCount);
}

bool RestoreRun::WriteImage() {
  if (header_.backupKind == kBackupUsedSpace) return RestoreUsedSpace();
  FileImageSource source(image_);
  RunEnd end = RunEnd::kCompleted;
  const FlashCard flash{card_.Handle(), entry_, header_.sectorsPerBlock, header_.mediaSizeCode,
                        CardOnIdeBus != 0 || CardOnPcmciaBus != 0};
  switch (header_.deviceKind) {
    case kMemoryStick:
      end = WriteMemoryStickImage(source, FlashImageLayout::kDataWhereUsed, flash, header_.blockCount, *this);
      break;
    case kSmartMedia:
      end = WriteSmartMediaImage(source, FlashImageLayout::kDataWhereUsed, flash, header_.blockCount, *this);
      break;
    default:
      end = WritePlainImage(source, card_.Handle(), *entry_, header_.blockCount, geometry_.sectorsPerBlock,
                            header_.bytesPerSector, *this);
      break;
  }
  if (end == RunEnd::kTruncatedImage) Show(kStringIncompleteImage, ui::MB_ICONERROR);
  if (end == RunEnd::kWriteFailed) Show(kStringWriteFailed, ui::MB_ICONERROR);
  return end == RunEnd::kCompleted;
}

bool RestoreRun::RestoreUsedSpace() {
  FileImageSource source(image_);
  CardSectorSink sink(card_.Handle(), *entry_);
  const UsedSpaceImage image{header_.fileSystem, header_.mbrFlag != 0, header_.volumeStart, header_.bytesPerSector,
                             header_.usedSectors};
  const UsedSpaceOutcome outcome = RestoreUsedSpaceVolume(
      source, &sink, image, geometry_.blocksOrSectors, [this](win::DWORD done, win::DWORD total) {
        if (usedSpaceTotal_ != total) {
          usedSpaceTotal_ = total;
          progress_.SetTotal(total);
          page_.SetDlgItemText(controls::kTotalBlocksValue, BlockNumberText(total));
        }
        if (poll_.Due()) PumpSheetMessages(*page_.ownerSheet, &page_.cancelButton_);
        progress_.Show(done, done);
      });
  if (outcome == UsedSpaceOutcome::kRestored) return true;
  // The card may have gone; otherwise the write failed on a card that is still there.
  if (!card_.StillThere()) {
    Show(kStringNoMedia, ui::MB_ICONERROR);
  } else {
    Show(outcome == UsedSpaceOutcome::kWriteFailed ? kStringWriteFailed : kStringInvalidImage, ui::MB_ICONERROR);
  }
  return false;
}

win::DWORD RestoreRun::LastBlockNumber() const {
  if (header_.backupKind == kBackupUsedSpace) return usedSpaceTotal_;
  if (IsRawFlash(header_.deviceKind)) return geometry_.blocksOrSectors;
  return header_.blockCount / geometry_.sectorsPerBlock;
}

void RestoreRun::ReportSuccess() {
  progress_.Finish(LastBlockNumber());
  const win::UINT after = CardOnPcmciaBus != 0 ? kStringReinsertPcmcia : kStringReplaceMedia;
  ShowMessageText(LoadProgramString(kStringRestored) + "\n" + LoadProgramString(after), ui::MB_ICONINFORMATION);
}

void RestoreRun::CloseImage() {
  if (image_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(image_);
  image_ = win::INVALID_HANDLE_VALUE;
}

RestoreRun::~RestoreRun() {
  OperationBusy = 0;
  CardOnIdeBus = 0;
  CardOnPcmciaBus = 0;
  CancelRequested = 0;
  CloseImage();
  ShowControls(page_, {controls::kActivityText, controls::kPercentText}, false);
  ResetProgressBar(page_.progress_, false);
  ShowControls(page_, {controls::kCancelButton}, false);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::TRUE);
  page_.SetDlgItemText(controls::kTotalBlocksValue, "");
  page_.SetDlgItemText(controls::kCurrentBlockValue, "");
  EnableControls(page_, {controls::kTotalBlocksValue, controls::kCurrentBlockValue, controls::kProgressFrame}, false);
  EnableControls(page_, {controls::kRestoreButton, controls::kImageNameEdit, controls::kBrowseButton}, true);
  page_.restoreButton_.SetFocus();
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::TRUE);
  card_.Release();
}

}  // namespace tarnlok
