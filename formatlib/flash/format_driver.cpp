#include "formatlib/flash/format_driver.h"

#include "formatlib/command/ata_command.h"
#include "formatlib/command/card_driver_command.h"
#include "formatlib/command/explorer_windows.h"
#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/os_platform_class.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/command/vendor_block.h"
#include "formatlib/command/volume_handle.h"
#include "formatlib/flash/bad_block_list.h"
#include "formatlib/flash/cis_search.h"
#include "formatlib/flash/cis_write.h"
#include "formatlib/flash/erase_pass.h"
#include "formatlib/flash/memory_stick_pro.h"
#include "formatlib/flash/smartmedia_ecc.h"
#include "formatlib/flash/volume_layout.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"

#include <array>
#include <optional>
#include <string>

namespace pradvik::exports {
namespace {

constexpr std::uint32_t kMostStickPages = 262144;
constexpr std::uint32_t kMostStickPagesPerBlock = 32;

struct Arguments {
  HWND progress;
  HWND percent;
  HWND step;
  BYTE fullFormat;
  DWORD* mediaCode;
  const char* productText;
  int bootCodeFlag;
  HWND capacity;
  BYTE transportKind;
  BYTE ataDriveSelect;
  int wideStatus;
  BYTE* volumeBusy;
};

void ResetFormatState(HWND owner) {
  FormatLibraryState& state = LibraryState();
  state.pumpWindows[0] = owner;
  ResetBadBlocks();
  ResetDisabledBlocks();
  state.pageLabel = LibraryText(kStrPageLabel);
  state.blockLabel = LibraryText(kStrBlockLabel);
  state.progressPosition = 0;
  state.progressRange = 0;
  state.volumeStartPage = 0;
}

int Fail(win::UINT messageId, win::UINT icon = ui::MB_ICONSTOP) {
  ShowLibraryMessage(messageId, icon);
  return 0;
}

// The status or identification command on the format's road; reply holds 4, 6 or 512 bytes.
bool AskReader(win::HANDLE volume, const Arguments& args, std::uint8_t command, std::uint8_t olderByte0,
               std::span<std::uint8_t, 512> reply) {
  ClearErrorText();
  const std::uint8_t kind = LibraryState().deviceKind;
  if (!IsScsiTransport(args.transportKind)) {
    return SendAtaCommand(volume, LbaTaskFile(args.ataDriveSelect, command, 0, 512, 0), reply.data(), 512, kDataIn,
                          AtaPrompt::Silent) == 1;
  }
  const std::uint32_t length = ReplyLength(args.transportKind, args.wideStatus, 4);
  return SendVendorBlock(volume, args.transportKind, SimpleVendorBlock(kind, command, olderByte0), reply.data(), length,
                         kDataIn, false, static_cast<std::uint8_t>(length)) == 1;
}

// Steps up to the identification: the card's kind from the status, no card, write protection.
// Answers 0 to go on; otherwise the export's result is in result.
bool StatusStops(win::HANDLE volume, const Arguments& args, BYTE deviceKind, int& result) {
  FormatLibraryState& state = LibraryState();
  state.deviceKind = IsNewerKind(deviceKind) ? deviceKind : 0;
  std::array<std::uint8_t, 512> reply{};
  const bool answered = AskReader(volume, args, win::kVendorStatus, 0, reply);
  const std::uint32_t status = win::ReadLe32(reply, 0);
  if (answered && !IsNewerKind(state.deviceKind)) {
    if ((status & win::kStatusMemoryStick) != 0)
      state.deviceKind = (status & win::kStatusMemoryStickPro) != 0 ? kKindMemoryStickPro : kKindMemoryStick;
    else if ((status & win::kStatusSmartMedia) != 0)
      state.deviceKind = kKindSmartMedia;
  }
  result = 0;
  if (state.deviceKind == 0) return Fail(kStrNoMediaPresent), true;
  if (IsScsiTransport(args.transportKind) && (status & 0xFFFF) == win::kVendorNoCardReply)
    return Fail(kStrNoMediaInDrive), true;
  if ((status & win::kStatusWriteProtected) != 0) return Fail(kStrWriteProtected), true;
  return false;
}

bool IsSmartMediaKind(std::uint8_t kind) { return kind == kKindSmartMedia || kind == kKindNewerSmartMedia; }
bool IsStickKind(std::uint8_t kind) { return kind == kKindMemoryStick || kind == kKindNewerMemoryStick; }

// The geometry of the card from its identification; null after the message.
const MediaGeometry* IdentifyCard(win::HANDLE volume, const Arguments& args, MediaGeometry& card) {
  std::array<std::uint8_t, 512> reply{};
  if (!AskReader(volume, args, win::kVendorGeometry, 4, reply)) return Fail(kStrNoMediaPresent), nullptr;
  const std::uint8_t kind = LibraryState().deviceKind;
  const bool newer = IsNewerKind(kind);
  if (IsSmartMediaKind(kind)) {
    if (args.mediaCode != nullptr) *args.mediaCode = reply[1];
    const auto code = SmartMediaCodeOf(reply[1]);
    if (!code) return Fail(kStrNoMediaPresent), nullptr;
    // A size the reader's family cannot format (the older readers stop at 128 MB).
    const MediaGeometry* geometry = FindGeometryForFamily(*code, newer);
    if (geometry == nullptr) return Fail(kStrUnknownMedia), nullptr;
    card = *geometry;
    return &card;
  }
  if (!IsStickKind(kind)) return Fail(kStrNoMediaPresent), nullptr;
  const std::uint32_t blocks = win::ReadLe16(reply, 0);
  const std::uint32_t pagesPerBlock = win::ReadLe16(reply, 2);
  if (pagesPerBlock > kMostStickPagesPerBlock) return Fail(kStrUnknownMedia), nullptr;
  const std::uint32_t pages = blocks * pagesPerBlock;
  if (args.mediaCode != nullptr) *args.mediaCode = pages;
  const auto code = MemoryStickCodeOf(pages);
  if (pages == 0 || pages > kMostStickPages || !code) return Fail(kStrNoMediaPresent), nullptr;
  card = *FindGeometry(*code);
  card.pagesPerBlock = static_cast<std::uint8_t>(pagesPerBlock);
  card.pages = pages;
  card.progressRange = blocks + 3;
  return &card;
}

// Both halves of the page found are sound, or correctable with their code; corrected tells
// whether a bit of the page was put right.
bool CisPageIsSound(std::array<std::uint8_t, 512>& page, const CisSearchResult& found, bool& corrected) {
  corrected = false;
  for (int half = 0; half < 2; ++half) {
    std::array<std::uint8_t, 259> block{};
    std::copy_n(page.begin() + half * 256, 256, block.begin());
    const auto& ecc = half == 0 ? found.firstHalfEcc : found.secondHalfEcc;
    std::copy(ecc.begin(), ecc.end(), block.begin() + 256);
    const EccResult result = CorrectSmartMediaEcc(block, CalcSmartMediaEcc(std::span(block).first<256>()));
    if (result == kEccCodeReplaced || result == kEccUncorrectable) return false;
    if (result == kEccDataCorrected) corrected = true;
    std::copy_n(block.begin(), 256, page.begin() + half * 256);
  }
  return true;
}

void SetProgressRange(const Arguments& args, std::uint32_t range) {
  LibraryState().progressRange = range;
  if (args.progress == nullptr) return;
  ui::SendMessage(args.progress, ui::PBM_SETRANGE32, 0, static_cast<ui::LPARAM>(range));
  ui::SendMessage(args.progress, ui::PBM_SETSTEP, 1, 0);
}

// The Memory Stick boot blocks the erase pass did not find at blocks 0 and 1 are written
// again from the copy it kept. A copy that cannot be written lists the block as bad; the format
// fails only when the card is left without any boot block.
bool RewriteBootBlocks(const FormatContext& context) {
  const FormatLibraryState& state = LibraryState();
  if (state.bootBlockSaved == 0) return true;
  const bool found[2] = {state.firstBootBlockFound != 0, state.secondBootBlockFound != 0};
  bool anyBootBlock = found[0] || found[1] || state.bootBlockCounter > 0;
  const std::uint32_t bytes = context.BlockBytes();
  for (std::uint32_t block = 0; block < 2; ++block) {
    if (found[block]) continue;
    ClearErrorText();
    std::array<std::uint8_t, 6> reply{};
    EraseStickBlock(context.road, block, 0xFFFF, 0, reply);
    const auto data = std::span(LibraryState().bootBlockBuffer).first(bytes);
    if (WriteStickBootBlock(context.road, block, data) == 1)
      anyBootBlock = true;
    else
      AppendBadBlock(block);
  }
  return anyBootBlock;
}

int FormatSmartMediaOrStick(const Arguments& args, FormatContext& context) {
  FormatLibraryState& state = LibraryState();
  const bool smartMedia = !context.MemoryStick();
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  std::array<std::uint8_t, 512> cisPageData{};
  bool cisValid = false;
  std::uint32_t cisPage = 0;
  std::optional<KeptCisBlock> keptCis;
  if (smartMedia) {
    SetStepText(args.step, kStrStepReadCis);
    const CisSearchResult found = FindCisBlock(context, cisPageData);
    if (args.fullFormat == 0 && found.nothingReadable) return Fail(kStrTooManyQuick, ui::MB_ICONINFORMATION);
    AppendBadBlock(0);
    bool corrected = false;
    cisValid = found.found && CisPageIsSound(cisPageData, found, corrected);
    cisPage = args.fullFormat != 0 ? 0 : found.cisPage;
    // The newer readers write a sound structure back in place, onto its kept block. A full
    // format may move it (blocks once marked bad are tried again), so nothing is kept there.
    if (context.road.Newer() && cisValid && cisPage != 0) {
      keptCis = KeptCisBlock{cisPage / pagesPerBlock, corrected || context.road.transportKind == kTransportIde};
    }
  }
  SetProgressRange(args, context.geometry.progressRange);
  SetStepText(args.step, kStrStepErase);
  if (!smartMedia) state.volumeStartPage = 2 * pagesPerBlock;
  if (EraseAllBlocks(context, args.fullFormat, keptCis) == 0) return 0;

  std::uint32_t mbrPage = state.volumeStartPage;
  if (smartMedia) {
    SetStepText(args.step, kStrStepWriteCis);
    if (cisPage == 0) {
      // Block 0 is marked bad, so that the structure moves to the first good block after it.
      ClearErrorText();
      const std::array<std::uint8_t, 512> zeros{};
      if (WriteSmartMediaPages(context.road, 0, win::kVendorCountFlag | 1, win::kVendorBadBlockMark, zeros) == 0 &&
          context.road.Ata()) {
        ShowLibraryText("IOCTL Failed", ui::MB_ICONSTOP);
      }
      cisPage = pagesPerBlock;
    }
    cisPage = SkipBadBlocks(cisPage, pagesPerBlock);
    if (WriteNewCis(context, cisValid, cisPageData, cisPage, args.productText != nullptr ? args.productText : "") ==
        0) {
      return 0;
    }
    mbrPage = (cisPage / pagesPerBlock + 1) * pagesPerBlock;
  } else {
    if (!RewriteBootBlocks(context)) return 0;
    if (state.disabledBlocks[0] == 2) mbrPage += pagesPerBlock;
  }
  SetStepText(args.step, kStrStepMbr);
  mbrPage = SkipBadBlocks(mbrPage, pagesPerBlock);
  // Logical blocks count from the master boot record's block, as the reader's map does.
  state.volumeStartPage = mbrPage;
  std::uint32_t bootRecordPage = 0;
  if (WriteNewMbr(context, mbrPage, bootRecordPage, args.bootCodeFlag != 0) == 0) return 0;
  SetStepText(args.step, kStrStepDbr);
  std::uint32_t fatPages = 0;
  if (WriteNewDbr(context, bootRecordPage, fatPages) == 0) return 0;
  if (state.deviceKind == kKindNewerSmartMedia) return 1;
  // FAT1 follows the boot record's sector: one page later, or two on cards of 256-byte pages.
  const std::uint32_t fatPage = AdvancePages(bootRecordPage, context.geometry.PagesPerSector(), pagesPerBlock);
  SetStepText(args.step, kStrStepFat1);
  if (WriteFirstFat(context, fatPage) == 0) return 0;
  SetStepText(args.step, kStrStepFat2);
  if (WriteSecondFat(context, fatPage, fatPages) == 0) return 0;
  SetStepText(args.step, kStrStepRoot);
  return WriteRootDirectory(context, AdvancePages(fatPage, 2 * fatPages, pagesPerBlock));
}

int FormatCard(win::HANDLE volume, const Arguments& args, BYTE deviceKind, bool& locked) {
  int result = 1;
  if (StatusStops(volume, args, deviceKind, result)) return result;
  FormatLibraryState& state = LibraryState();
  FormatContext context;
  context.road = FlashRoad{volume, state.deviceKind, args.transportKind, args.ataDriveSelect, args.wideStatus};
  context.progressWindow = args.progress;
  context.percentWindow = args.percent;
  if (state.deviceKind == kKindMemoryStickPro) {
    return FormatMemoryStickPro(context.road, args.fullFormat, args.progress, args.percent);
  }
  if (IdentifyCard(volume, args, context.geometry) == nullptr) return 0;
  if (args.capacity != nullptr) {
    const std::string text(context.geometry.capacityText);
    ui::SendMessage(args.capacity, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(text.c_str()));
  }
  if (args.transportKind != kTransportNoLock) {
    if (!LockOrDismountVolume(volume, 1)) {
      if (args.volumeBusy != nullptr) *args.volumeBusy = 1;
      ShowLibraryMessage(kStrVolumeBusy, ui::MB_ICONEXCLAMATION);
      return 1;
    }
    locked = true;
  }
  return FormatSmartMediaOrStick(args, context);
}

}  // namespace

int DoFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId, BYTE driveIndex,
             BYTE fullFormat, void*, DWORD* mediaCode, BYTE deviceKind, const char* productText, int bootCodeFlag,
             HWND hwndCapacity, HANDLE, BYTE transportKind, BYTE ataDriveSelect, int wideStatus, BYTE* volumeBusy) {
  ResetFormatState(hwndOwner);
  SetStepText(hwndStep, kStrStepPreparing);
  const std::uint8_t osKind = RunExportPrologue(deviceId, driveIndex);
  UseReaderRoad(transportKind, ataDriveSelect);
  LookUpExplorerWindows(hwndOwner);
  // Windows 9x reaches the readers through ASPI and the card driver; other systems have no road.
  if (!IsNtClass(osKind) && !IsWindows9xClass(osKind)) return 1;
  const OwnedVolume volume(OpenVolume(driveIndex));
  if (!volume.IsOpen()) return Fail(kStrNoMediaPresent);
  const Arguments args{hwndProgress, hwndPercent,  hwndStep,      fullFormat,     mediaCode,  productText,
                       bootCodeFlag, hwndCapacity, transportKind, ataDriveSelect, wideStatus, volumeBusy};
  bool locked = false;
  const int result = FormatCard(volume.Get(), args, deviceKind, locked);
  if (locked) LockOrDismountVolume(volume.Get(), 2);
  if (fullFormat != 0) SendInquiry(volume.Get());
  return result;
}

int DoPanoramicFormat(HWND hwndOwner, HWND hwndProgress, HWND hwndPercent, HWND hwndStep, DWORD deviceId,
                      BYTE driveIndex, BYTE fullFormat, void* workBuffer, DWORD* mediaCode, BYTE deviceKind,
                      const char* productText, int bootCodeFlag, HWND hwndCapacity, HANDLE volumeHandle,
                      BYTE transportKind, BYTE ataDriveSelect, DWORD, int wideStatus, BYTE* volumeBusy) {
  return DoFormat(hwndOwner, hwndProgress, hwndPercent, hwndStep, deviceId, driveIndex, fullFormat, workBuffer,
                  mediaCode, deviceKind, productText, bootCodeFlag, hwndCapacity, volumeHandle, transportKind,
                  ataDriveSelect, wideStatus, volumeBusy);
}

}  // namespace pradvik::exports
