#include "formatlib/flash/volume_layout.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/flash/bad_block_list.h"
#include "formatlib/flash/layout_write.h"
#include "formatlib/flash/volume_records.h"

#include <pradvik_exports.h>

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace pradvik {
namespace {

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kMostFatSectors = 16;

bool NewerSmartMedia(const FormatContext& context) { return context.road.deviceKind == kKindNewerSmartMedia; }

// The sectors of one structure from a page on: split where a block ends (the next block moved
// past listed bad blocks) and at most maxSectors a command; the first sector is `first`, the
// others zero. Each command may take a progress step.
int WriteRun(const FormatContext& context, std::uint32_t page, std::uint32_t sectors, const Sector& first,
             std::uint32_t maxSectors, std::uint32_t messageId, bool stepEach) {
  const std::uint32_t perSector = context.geometry.PagesPerSector();
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  bool firstDone = false;
  while (sectors > 0) {
    page = SkipBadBlocks(page, pagesPerBlock);
    const std::uint32_t roomInBlock = (pagesPerBlock - page % pagesPerBlock) / perSector;
    const std::uint32_t chunk = std::min({sectors, roomInBlock, maxSectors});
    std::vector<std::uint8_t> data(chunk * kSector, 0);
    if (!firstDone) std::copy(first.begin(), first.end(), data.begin());
    firstDone = true;
    if (WriteLayoutSectors(context, page, data, messageId) == 0) return 0;
    if (stepEach) StepProgress(context.progressWindow, context.percentWindow);
    page += chunk * perSector;
    sectors -= chunk;
  }
  return 1;
}

bool RefuseUnknownCode(const FormatContext& context) {
  if (FindGeometryForFamily(context.geometry.code, context.road.Newer()) != nullptr) return false;
  ShowLibraryMessage(kStrUnknownMedia, ui::MB_ICONSTOP);
  return true;
}

Sector RootFirstSector(const FormatContext& context) {
  Sector sector{};
  if (!context.MemoryStick()) return sector;
  // The index file the Memory Stick readers' cameras look for: read-only and hidden, empty.
  constexpr std::string_view kName = "MEMSTICKIND";
  std::copy(kName.begin(), kName.end(), sector.begin());
  sector[11] = 0x03;
  return sector;
}

// The newer SmartMedia readers: the boot record, both FATs and the root directory, one sector a
// page, in whole blocks whose unused pages stay 0xFF.
int WriteSystemAreaBlocks(const FormatContext& context, std::uint32_t bootRecordPage) {
  const MediaGeometry& geometry = context.geometry;
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  const std::uint32_t perSector = geometry.PagesPerSector();
  std::vector<Sector> sequence;
  sequence.push_back(BuildBootRecord(geometry, false));
  for (int fat = 0; fat < 2; ++fat) {
    sequence.push_back(BuildFirstFatSector(geometry));
    sequence.resize(sequence.size() + geometry.sectorsPerFat - 1, Sector{});
  }
  const std::size_t rootStart = sequence.size();
  sequence.resize(sequence.size() + geometry.RootSectors(), Sector{});

  std::uint32_t blockPage = bootRecordPage - bootRecordPage % pagesPerBlock;
  std::uint32_t slot = bootRecordPage % pagesPerBlock / perSector;
  std::size_t next = 0;
  bool firstBlock = true;
  while (next < sequence.size()) {
    std::vector<std::uint8_t> image(std::size_t{pagesPerBlock} * geometry.pageSize, 0xFF);
    const std::uint32_t slots = pagesPerBlock / perSector;
    bool holdsRoot = false;
    for (; slot < slots && next < sequence.size(); ++slot, ++next) {
      std::copy(sequence[next].begin(), sequence[next].end(), image.begin() + slot * kSector);
      holdsRoot = holdsRoot || next >= rootStart;
    }
    const std::uint32_t messageId = firstBlock  ? kStrDbrWriteFailed
                                    : holdsRoot ? kStrRootWriteFailed
                                                : kStrFat1WriteFailed;
    if (WriteLayoutBlock(context, blockPage, image, messageId) == 0) return 0;
    StepProgress(context.progressWindow, context.percentWindow);
    firstBlock = false;
    blockPage = SkipBadBlocks(blockPage + pagesPerBlock, pagesPerBlock);
    slot = 0;
  }
  const FormatLibraryState& state = LibraryState();
  if (context.progressWindow != nullptr)
    ui::SendMessage(context.progressWindow, ui::PBM_SETPOS, state.progressRange, 0);
  if (context.percentWindow != nullptr) {
    ui::SendMessage(context.percentWindow, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>("100 %"));
  }
  return 1;
}

}  // namespace

int WriteNewMbr(const FormatContext& context, std::uint32_t mbrPage, std::uint32_t& bootRecordPage, bool bootCode) {
  if (RefuseUnknownCode(context)) return 0;
  const MediaGeometry& geometry = context.geometry;
  Sector record = BuildMasterBootRecord(geometry, bootCode);
  if (context.road.deviceKind == kKindSmartMedia) record[36] = 0x80;
  const std::uint32_t pagesPerBlock = context.PagesPerBlock();
  bootRecordPage = SkipBadBlocks(AdvancePages(mbrPage, geometry.BootRecordOffset(), pagesPerBlock), pagesPerBlock);
  if (NewerSmartMedia(context)) {
    std::vector<std::uint8_t> image(std::size_t{pagesPerBlock} * geometry.pageSize, 0xFF);
    std::copy(record.begin(), record.end(), image.begin());
    if (WriteLayoutBlock(context, mbrPage, image, kStrMbrWriteFailed) == 0) return 0;
  } else if (WriteLayoutSectors(context, mbrPage, record, kStrMbrWriteFailed) == 0) {
    return 0;
  }
  StepProgress(context.progressWindow, context.percentWindow);
  if (context.road.deviceKind != kKindSmartMedia) return 1;
  // The older SmartMedia readers clear the sectors between the two records.
  const std::uint32_t step = geometry.PagesPerSector();
  const Sector zeros{};
  for (std::uint32_t page = AdvancePages(mbrPage, step, pagesPerBlock); page < bootRecordPage;
       page = AdvancePages(page, step, pagesPerBlock)) {
    if (WriteLayoutSectors(context, page, zeros, kStrMediaWriteFailed) == 0) return 0;
    StepProgress(context.progressWindow, context.percentWindow);
  }
  return 1;
}

int WriteNewDbr(const FormatContext& context, std::uint32_t bootRecordPage, std::uint32_t& fatPages) {
  if (RefuseUnknownCode(context)) return 0;
  fatPages = context.geometry.FatPages();
  if (NewerSmartMedia(context)) return WriteSystemAreaBlocks(context, bootRecordPage);
  const Sector record = BuildBootRecord(context.geometry, context.MemoryStick());
  if (WriteLayoutSectors(context, bootRecordPage, record, kStrDbrWriteFailed) == 0) return 0;
  StepProgress(context.progressWindow, context.percentWindow);
  return 1;
}

int WriteFirstFat(const FormatContext& context, std::uint32_t fatPage) {
  const MediaGeometry& geometry = context.geometry;
  if (WriteRun(context, fatPage, geometry.sectorsPerFat, BuildFirstFatSector(geometry), kMostFatSectors,
               kStrFat1WriteFailed, false) == 0) {
    return 0;
  }
  StepProgress(context.progressWindow, context.percentWindow);
  return 1;
}

int WriteSecondFat(const FormatContext& context, std::uint32_t fatPage, std::uint32_t fatPages) {
  const MediaGeometry& geometry = context.geometry;
  if (WriteRun(context, AdvancePages(fatPage, fatPages, context.PagesPerBlock()), geometry.sectorsPerFat,
               BuildFirstFatSector(geometry), kMostFatSectors, kStrFat2WriteFailed, false) == 0) {
    return 0;
  }
  StepProgress(context.progressWindow, context.percentWindow);
  return 1;
}

int WriteRootDirectory(const FormatContext& context, std::uint32_t rootPage) {
  const MediaGeometry& geometry = context.geometry;
  // Cards of 256-byte pages take their root directory one sector a command, a step each.
  const bool single = geometry.HasSmallPages();
  if (WriteRun(context, rootPage, geometry.RootSectors(), RootFirstSector(context), single ? 1 : 32,
               kStrRootWriteFailed, single) == 0) {
    return 0;
  }
  if (!single) StepProgress(context.progressWindow, context.percentWindow);
  return 1;
}

}  // namespace pradvik
