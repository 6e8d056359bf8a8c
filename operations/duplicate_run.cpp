#include "operations/duplicate_run.h"

#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/size_texts.h"
#include "device/volume_lock.h"
#include "operations/base_page.h"
#include "operations/card_read_run.h"
#include "device/string_ids.h"
#include "operations/operation_state.h"
#include "operations/page_look.h"
#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/styles.h"
#include "platform/win/files/volumes.h"
#include "controls/shell_state.h"

#include <algorithm>

namespace tarnlok {
namespace {

namespace controls = duplicate_page;

constexpr win::DWORD kDefaultSectorSize = 512;
constexpr win::ULONGLONG kImageLimit = 0x80000000;

int Show(win::UINT id, win::UINT type) { return ShowStringMessage(id, type); }

}  // namespace

void CDupPage::DuplicateMedia() {
  DuplicateRun run(*this);
  run.Run();
}

DuplicateRun::DuplicateRun(CDupPage& page)
    : CardPageRun(page, page.ownerSheet, page.cancelButton_, controls::kCurrentBlockValue, controls::kPercentText,
                  page.progress_),
      page_(page) {}

void DuplicateRun::Run() {
  OperationBusy = 1;
  UsePlainSectorIo = 0;
  if (!CheckDevice()) return;
  CardOnIdeBus = entry_->busKind == kBusIde ? 1 : 0;
  CardOnPcmciaBus = entry_->busKind == kBusPcmcia ? 1 : 0;
  if (!card_.Open(*entry_) || !IdentifySource() || !MakeImage()) return;
  card_.Lock();
  ShowRunControls();
  if (!ReadSource()) return;
  if (!TakeNewCard() || !WriteNewCard()) return;
  ReportSuccess();
}

bool DuplicateRun::CheckDevice() {
  entry_ = EntryOfRow(page_.deviceRow);
  if (entry_ == nullptr) {
    Show(kStringDuplicateNoDevice, ui::MB_ICONERROR);
    return false;
  }
  if (entry_->noCommandFlag != 0 && !IsDriveLetterPresent(entry_->driveLetter)) {
    ShowMessageText(DriveGoneText(entry_->driveLetter), ui::MB_ICONERROR);
    return false;
  }
  return Show(kStringDuplicateCloseOthers, ui::MB_OKCANCEL | ui::MB_ICONQUESTION) == ui::IDOK;
}

bool DuplicateRun::IdentifySource() {
  CardDriveLetter = entry_->driveLetter;
  bool writeProtected = false;
  if (!card_.Identify(source_, writeProtected)) {
    Show(kStringNoMedia, ui::MB_ICONERROR);
    return false;
  }
  if (!card_.SwitchToPhysicalDrive()) return false;
  card_.TestWritable(writeProtected);
  if (source_.bytesPerSector == 0) source_.bytesPerSector = kDefaultSectorSize;
  source_.sectorsPerBlock = std::max<win::DWORD>(source_.sectorsPerBlock, 1);
  return true;
}

bool DuplicateRun::IsRawFlash() const {
  return entry_->deviceKind == kMemoryStick || entry_->deviceKind == kSmartMedia;
}

FlashCard DuplicateRun::Flash() const {
  return FlashCard{card_.Handle(), entry_, source_.sectorsPerBlock, source_.sizeValue,
                   CardOnIdeBus != 0 || CardOnPcmciaBus != 0};
}

bool DuplicateRun::MakeImage() {
  switch (entry_->deviceKind) {
    case kMemoryStick: imageBytes_ = MemoryStickImageBytes(source_.blocksOrSectors, source_.sectorsPerBlock); break;
    case kSmartMedia:
      imageBytes_ = SmartMediaImageBytes(source_.blocksOrSectors, source_.sectorsPerBlock, source_.sizeValue);
      break;
    default:
      imageBytes_ = win::ULONGLONG{source_.bytesPerSector} * source_.blocksOrSectors;
      if (imageBytes_ > kImageLimit) {
        Show(kStringTooLarge, ui::MB_ICONINFORMATION);
        return false;
      }
      break;
  }
  totalSectors_ =
      IsRawFlash() ? win::ULONGLONG{source_.sectorsPerBlock} * source_.blocksOrSectors : source_.blocksOrSectors;
  if (imageBytes_ == 0) return false;
  if (image_.AllocateMemory(imageBytes_)) return true;
  const std::string folder = ProgramFolder;
  const std::string root = folder.substr(0, 1) + ":\\";
  win::ULARGE_INTEGER available{}, total{}, free{};
  if (win::GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free) && available.QuadPart < imageBytes_) {
    ShowMessageText(LoadProgramString(kStringNoDiskSpace) + " " + std::to_string(imageBytes_ >> 20) + " " +
                        LoadProgramString(kStringMegabytes) + " " + LoadProgramString(kStringNoDiskSpaceEnd) + " " +
                        folder.substr(0, 1) + ":",
                    ui::MB_ICONERROR);
    return false;
  }
  if (image_.CreateTemporaryFile(folder)) return true;
  Show(kStringTemporaryFileFailed, ui::MB_ICONERROR);
  return false;
}

void DuplicateRun::ShowRunControls() {
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::FALSE);
  EnableControls(page_, {controls::kProgressFrame, controls::kCurrentBlockValue}, true);
  EnableControls(page_, {controls::kDuplicateButton}, false);
  page_.SetDlgItemText(controls::kTotalBlocksLabel, LoadProgramString(kStringTotalBlocks));
  const win::DWORD blocks = IsRawFlash() ? source_.blocksOrSectors : source_.blocksOrSectors / source_.sectorsPerBlock;
  page_.SetDlgItemText(controls::kTotalBlocksValue, BlockNumberText(blocks));
  page_.SetDlgItemText(controls::kCurrentBlockLabel, LoadProgramString(kStringCurrentBlock));
  ShowControls(page_, {controls::kCancelButton}, true);
  page_.cancelButton_.EnableWindow(win::TRUE);
  page_.cancelButton_.SetWindowText(LoadProgramString(kStringCancel));
  page_.cancelButton_.SetFocus();
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::FALSE);
  page_.SetDlgItemText(controls::kPhaseText, LoadProgramString(kStringReading));
  page_.SetDlgItemText(controls::kPercentText, "0 %");
  ShowControls(page_, {controls::kPhaseText, controls::kPercentText, controls::kProgressBar}, true);
  EnableControls(page_, {controls::kPercentText}, true);
  ResetProgressBar(page_.progress_, true);
  progress_.SetTotal(2 * totalSectors_);
}

bool DuplicateRun::ReadSource() {
  RunEnd end = RunEnd::kCompleted;
  switch (entry_->deviceKind) {
    case kMemoryStick: end = ReadMemoryStickCard(Flash(), source_.blocksOrSectors, image_, *this); break;
    case kSmartMedia: end = ReadSmartMediaCard(Flash(), source_.blocksOrSectors, image_, *this); break;
    default:
      end = ReadPlainCard(card_.Handle(), *entry_, source_.blocksOrSectors, source_.sectorsPerBlock,
                          source_.bytesPerSector, image_, *this);
      break;
  }
  if (end == RunEnd::kCompleted && image_.Rewind()) return true;
  if (end != RunEnd::kStopped) Show(kStringTemporaryFileFailed, ui::MB_ICONERROR);
  return false;
}

bool DuplicateRun::TakeNewCard() {
  card_.Release();
  Show(kStringInsertNewCard, ui::MB_OK | ui::MB_ICONINFORMATION);
  OperationBusy = 0;
  for (;;) {
    switch (CheckNewCardOnce()) {
      case CardCheck::kReady: break;
      case CardCheck::kRetry: continue;
      case CardCheck::kEnd: return false;
    }
    break;
  }
  card_.Lock();
  page_.SetDlgItemText(controls::kPhaseText, LoadProgramString(kStringWriting));
  phaseStart_ = totalSectors_;
  return true;
}

DuplicateRun::CardCheck DuplicateRun::CheckNewCardOnce() {
  const auto again = [](const std::string& text) {
    return ShowMessageText(text, ui::MB_RETRYCANCEL | ui::MB_ICONEXCLAMATION) == ui::IDRETRY ? CardCheck::kRetry
                                                                                             : CardCheck::kEnd;
  };
  CardDriveLetter = entry_->driveLetter;
  if (entry_->noCommandFlag != 0 && !IsDriveLetterPresent(entry_->driveLetter)) {
    ShowMessageText(DriveGoneText(entry_->driveLetter), ui::MB_ICONERROR);
    return CardCheck::kEnd;
  }
  card_.Release();
  if (!card_.Open(*entry_)) return CardCheck::kEnd;
  CardGeometry target;
  bool writeProtected = false;
  if (!card_.Identify(target, writeProtected)) return again(LoadProgramString(kStringNoMedia));
  if (writeProtected) PromptText = LoadProgramString(kStringWriteProtected);
  if (!card_.SwitchToPhysicalDrive()) return CardCheck::kEnd;
  if (target.bytesPerSector == 0) target.bytesPerSector = kDefaultSectorSize;
  if (IsRawFlash()) {
    if (target.sizeValue != source_.sizeValue) {
      std::string sourceSize, targetSize;
      FormatSizeCodeTexts(source_.sizeValue, sourceSize, target.sizeValue, targetSize);
      return again(LoadProgramString(kStringOtherMedia) + sourceSize + LoadProgramString(kStringDestinationMedia) +
                   targetSize);
    }
  } else {
    if (target.bytesPerSector != source_.bytesPerSector) return again(LoadProgramString(kStringOtherSectorSize));
    if (target.blocksOrSectors < source_.blocksOrSectors) {
      std::string sourceSize, targetSize;
      FormatSizeTexts(source_.sizeValue, sourceSize, target.sizeValue, targetSize);
      return again(LoadProgramString(kStringSmallerMedia) + sourceSize + LoadProgramString(kStringDestinationSize) +
                   targetSize);
    }
  }
  card_.TestWritable(writeProtected);
  // A protected card would refuse every block; the user hears of it before anything is tried.
  if (writeProtected) return again(PromptText);
  OperationBusy = 1;
  return CardCheck::kReady;
}

bool DuplicateRun::WriteNewCard() {
  const FlashImageLayout layout =
      image_.InMemory() ? FlashImageLayout::kEveryBlockInFull : FlashImageLayout::kDataWhereUsed;
  RunEnd end = RunEnd::kCompleted;
  switch (entry_->deviceKind) {
    case kMemoryStick:
      end = WriteMemoryStickImage(image_.Source(), layout, Flash(), source_.blocksOrSectors, *this);
      break;
    case kSmartMedia:
      end = WriteSmartMediaImage(image_.Source(), layout, Flash(), source_.blocksOrSectors, *this);
      break;
    default:
      end = WritePlainImage(image_.Source(), card_.Handle(), *entry_, source_.blocksOrSectors, source_.sectorsPerBlock,
                            source_.bytesPerSector, *this);
      break;
  }
  if (end == RunEnd::kTruncatedImage) Show(kStringTemporaryFileFailed, ui::MB_ICONERROR);
  if (end == RunEnd::kWriteFailed) Show(kStringWriteFailed, ui::MB_ICONERROR);
  return end == RunEnd::kCompleted;
}

void DuplicateRun::ReportSuccess() {
  progress_.Finish(IsRawFlash() ? source_.blocksOrSectors : source_.blocksOrSectors / source_.sectorsPerBlock);
  std::string text = LoadProgramString(kStringDuplicated);
  if (CardOnPcmciaBus != 0) text += "\n" + LoadProgramString(kStringReinsertPcmcia);
  ShowMessageText(text, ui::MB_ICONINFORMATION);
}

DuplicateRun::~DuplicateRun() {
  OperationBusy = 0;
  CardOnIdeBus = 0;
  CardOnPcmciaBus = 0;
  image_.Release();
  CancelRequested = 0;
  ShowControls(page_, {controls::kCancelButton, controls::kPhaseText, controls::kPercentText}, false);
  if (page_.ownerSheet != nullptr) page_.ownerSheet->EnableCloseButton(win::TRUE);
  ResetProgressBar(page_.progress_, false);
  page_.SetDlgItemText(controls::kTotalBlocksValue, "");
  page_.SetDlgItemText(controls::kCurrentBlockValue, "");
  EnableControls(page_, {controls::kTotalBlocksValue, controls::kCurrentBlockValue, controls::kProgressFrame}, false);
  if (ui::CWnd* list = MainDeviceList()) list->EnableWindow(win::TRUE);
  EnableControls(page_, {controls::kDuplicateButton}, true);
  page_.duplicateButton_.SetFocus();
  card_.Release();
}

}  // namespace tarnlok
