// The logical volume of a SmartMedia or Memory Stick card, read through its physical blocks.
// These cards are raw NAND: which physical block holds which logical block is written only in
// each block's redundant area (SmartMedia, first page) or extra data (Memory Stick). The map is
// built once per recovery run from one management read per block; the sector source then
// serves the run's sector reads of the logical volume through it, so that what the engine
// scans is the card's file system in its logical order.
//
//   CardFlashReads reads(handle, entry, layout);  // the road of the running operation
//   FlashBlockMap map(layout);
//   map.Build(reads, observer);                    // AnalyseFlashBlocks shows the progress dialog
//   FlashSectorSource source(map, reads);          // hand it to RecoveryEngine
#pragma once

#include "device/device_entry.h"
#include "device/reader_commands.h"
#include "recovery/recovery_observer.h"
#include "recovery/sector_source.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace recovery {

enum class FlashMedium { SmartMedia, MemoryStick };

// How the reader addresses the card: pages of 256 or 512 data bytes, pagesPerBlock of them a
// block. Logical sectors are 512 bytes, so a sector of a 256-byte-page card is two pages.
struct FlashLayout {
  FlashMedium medium = FlashMedium::SmartMedia;
  std::uint32_t mediaSizeCode = 0;
  std::uint32_t pagesPerBlock = 0;
  std::uint32_t pageSize = 512;
  std::uint32_t blocks = 0;

  std::uint32_t PagesPerSector() const { return 512 / pageSize; }
  std::uint32_t SectorsPerBlock() const { return pagesPerBlock / PagesPerSector(); }
  // Logical blocks the card's address space holds: SmartMedia zones of 1024 physical blocks
  // hold 1000 logical ones (a one-zone card of 256 or 512 blocks 250 or 500); Memory Stick
  // numbers its logical blocks over the whole card.
  std::uint32_t LogicalBlocks() const;
};

// The layout of a SmartMedia card of that geometry (device/reader_commands.h); codes 1 and 2 have
// 256-byte pages.
FlashLayout SmartMediaLayout(const tarnlok::FlashGeometry& geometry);
FlashLayout MemoryStickLayout(std::uint32_t blocks, std::uint32_t pagesPerBlock);

// The card's raw reads, by physical block.
class FlashReads {
 public:
  virtual ~FlashReads() = default;
  virtual const FlashLayout& Layout() const = 0;
  // The block's management data into out (at least 512 bytes, zeroed first): SmartMedia the
  // redundant area from the block's first page on, Memory Stick its 4 bytes of extra data.
  virtual bool ReadManagement(std::uint32_t block, std::span<std::uint8_t> out) = 0;
  // out.size() bytes of consecutive pages of one block from page (within the block) on.
  virtual bool ReadPages(std::uint32_t block, std::uint32_t page, std::span<std::uint8_t> out) = 0;
};

// The reads through the card reader by the road of the running operation: vendor commands
// through SCSI pass-through or ASPI (older readers in their command-last form on the NT family),
// or in the ATA registers on IDE and PCMCIA readers (CardOnIdeBus, CardOnPcmciaBus).
class CardFlashReads : public FlashReads {
 public:
  CardFlashReads(win::HANDLE handle, const tarnlok::DeviceEntry& entry, const FlashLayout& layout)
      : handle_(handle), entry_(entry), layout_(layout) {}
  const FlashLayout& Layout() const override { return layout_; }
  bool ReadManagement(std::uint32_t block, std::span<std::uint8_t> out) override;
  bool ReadPages(std::uint32_t block, std::uint32_t page, std::span<std::uint8_t> out) override;

 private:
  win::HANDLE handle_;
  const tarnlok::DeviceEntry& entry_;
  FlashLayout layout_;
};

// What the analysis tells whoever shows it, and asks of it.
class BlockMapObserver {
 public:
  virtual ~BlockMapObserver() = default;
  virtual void OnStart(std::uint32_t /*blocks*/) {}
  // Before each block: show it, pump messages; false (the user confirmed a cancel) ends the build.
  virtual bool Continue(std::uint32_t /*block*/) { return true; }
  virtual void OnBlockDone(std::uint32_t /*block*/) {}
  // A block's management data could not be read: Retry reads it again, Abort ends the build,
  // Ignore leaves the block out, IgnoreAll leaves out this one and every later one unasked.
  virtual ReadFailureAnswer OnUnreadableBlock(std::uint32_t /*block*/) { return ReadFailureAnswer::Ignore; }
};

enum class BlockMapEnd { Completed, Cancelled, Aborted };

class FlashBlockMap {
 public:
  explicit FlashBlockMap(const FlashLayout& layout);

  // Reads every block's management data and maps the logical blocks it finds. A block that
  // cannot be read is told to the observer; left out, it is listed in UnreadableBlocks and the
  // build goes on. Cancelled and Aborted keep what was found.
  BlockMapEnd Build(FlashReads& reads, BlockMapObserver& observer);
  // Decodes one block's management data: its logical block, or none (bad, unused, the card
  // information or boot block, a damaged address, the no-card reply).
  std::optional<std::uint32_t> LogicalBlockOf(std::uint32_t physical, std::span<const std::uint8_t> management) const;

  // The physical block holding a logical block; none when no block holds it.
  std::optional<std::uint32_t> PhysicalOf(std::uint32_t logical) const;
  std::uint32_t MappedBlocks() const { return mapped_; }
  const std::vector<std::uint32_t>& UnreadableBlocks() const { return unreadable_; }
  const FlashLayout& Layout() const { return layout_; }

 private:
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  FlashLayout layout_;
  std::vector<std::uint32_t> physicalOf_;  // by logical block
  std::vector<std::uint32_t> unreadable_;
  std::uint32_t mapped_ = 0;
};

// The card's logical volume in 512-byte sectors, read through the map. A logical block that no
// physical block holds reads as erased flash (0xFF), as the reader itself shows it. A read that
// crosses a block boundary goes on in the next logical block's physical block, one command a
// block; when a block's command fails the other blocks are still read and the read answers false.
class FlashSectorSource : public SectorSource {
 public:
  FlashSectorSource(const FlashBlockMap& map, FlashReads& reads) : map_(map), reads_(reads) {}
  std::uint32_t BytesPerSector() const override { return 512; }
  std::uint64_t SectorCount() const override;
  bool Read(std::uint64_t first, std::span<std::uint8_t> buffer) override;

 private:
  // Sectors of one logical block from sector (within it) on.
  bool ReadInBlock(std::uint32_t logical, std::uint32_t sector, std::span<std::uint8_t> out);

  const FlashBlockMap& map_;
  FlashReads& reads_;
};

}  // namespace recovery
