#include "platform/machine/ata/ata_vendor_registers.h"

#include "platform/machine/flash/flash_card.h"
#include "platform/machine/flash/memory_stick_card.h"

#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>

namespace machine {
namespace {

// The bits of a SmartMedia write set-up's extra value below the bad-block mark.
constexpr std::uint16_t kSetupLogicalBits = win::kVendorBadBlockMark - 1;
// A Memory Stick write set-up's cylinder low: the physical block's high bits, and 0x20 for the
// block command that writes a boot block.
constexpr std::uint8_t kStickBlockHighMask = 0x1F;
constexpr std::uint8_t kBootBlockFlag = 0x20;
constexpr std::uint16_t kNoLogicalBlock = 0xFFFF;

std::uint16_t ByteCount(const AtaTaskFile& file) {
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(file.sectorCount * kFlashSectorSize, UINT16_MAX));
}

bool IsMemoryStickKind(const CardMedia* card) {
  return card != nullptr && (card->Kind() == CardKind::MemoryStick || card->Kind() == CardKind::MemoryStickPro);
}

std::uint32_t StickBlockField(const AtaTaskFile& file) {
  return static_cast<std::uint32_t>((file.sectorNumber << 8) | file.features);
}

// The redundant data of one block: what a whole-sector read of them returns.
std::uint16_t BlockSpareBytes(const CardMedia* card) {
  const FlashCard* flash = card != nullptr ? card->Flash() : nullptr;
  if (flash == nullptr) return 0;
  return static_cast<std::uint16_t>(flash->Geometry().pagesPerBlock * flash->Geometry().pageSpare);
}

// Features (low) and sector count (high) hold the logical block, or the bad-block mark; the
// sector count also carries the count byte's system-block flag.
VendorCommand SmartMediaSetup(const AtaTaskFile& file) {
  const auto extra = static_cast<std::uint16_t>((file.sectorCount << 8) | file.features);
  const std::uint32_t systemBlock = file.sectorCount & win::kVendorSystemBlock;
  const bool mark = (extra & win::kVendorBadBlockMark) != 0;
  const auto logical = static_cast<std::uint16_t>(extra & kSetupLogicalBits);
  return {VendorForm::AtaRegisters, win::kVendorWritePages, (Lba28(file) << 8) | systemBlock,
          mark ? win::kVendorBadBlockMark : logical, 0};
}

VendorCommand StickSetup(const AtaTaskFile& file) {
  const std::uint32_t block = ((file.cylinderLow & kStickBlockHighMask) << 8) | file.sectorNumber;
  // The block command: the data that follow are a whole boot block, from its first page.
  if ((file.cylinderLow & kBootBlockFlag) != 0) {
    return {VendorForm::AtaRegisters, win::kVendorWriteStickPages, (block << 8) | win::kVendorSystemBlock,
            kNoLogicalBlock, 0};
  }
  const std::uint32_t logicalHigh = ((file.cylinderLow >> 6) << 3) | (file.cylinderHigh >> 5);
  const std::uint32_t logical = (logicalHigh << 8) | file.features;
  const std::uint32_t page = file.cylinderHigh & 0x1F;
  if (logical == win::kVendorStickExtraWrite) {
    return {VendorForm::AtaRegisters, win::kVendorWriteRedundant, block, 0, 0};
  }
  return {VendorForm::AtaRegisters, win::kVendorWriteStickPages, (page << 24) | (block << 8),
          static_cast<std::uint16_t>(logical), 0};
}

VendorCommand StickCommand(const AtaTaskFile& file) {
  const std::uint8_t sub = file.command;
  if (sub == win::kVendorWritePages) return StickSetup(file);
  if (sub == win::kVendorEraseBlock) {
    const std::uint32_t logical = (file.cylinderHigh << 8) | file.cylinderLow;
    return {VendorForm::AtaRegisters, sub, (logical << 16) | StickBlockField(file),
            static_cast<std::uint16_t>(file.sectorCount << 8), 0};
  }
  const std::uint32_t address = (std::uint32_t{file.cylinderLow} << 16) | StickBlockField(file);
  const std::uint16_t length = sub == win::kVendorReadExtra ? static_cast<std::uint16_t>(kExtraSize) : ByteCount(file);
  return {VendorForm::AtaRegisters, sub, address, length, 0};
}

VendorCommand PageCommand(const AtaTaskFile& file, const CardMedia* card) {
  if (file.command == win::kVendorWritePages) return SmartMediaSetup(file);
  std::uint16_t length = ByteCount(file);
  if (file.command == win::kVendorReadRedundant) length = std::min(length, BlockSpareBytes(card));
  return {VendorForm::AtaRegisters, file.command, Lba28(file) << 8, length, 0};
}

}  // namespace

VendorCommand VendorFromTaskFile(const AtaTaskFile& taskFile, const CardMedia* card) {
  return IsMemoryStickKind(card) ? StickCommand(taskFile) : PageCommand(taskFile, card);
}

VendorCommand CompleteWriteSetup(VendorCommand setup, std::uint32_t sectors) {
  if (setup.subCommand == win::kVendorWritePages || setup.subCommand == win::kVendorWriteStickPages) {
    setup.address |= win::kVendorCountFlag | (sectors & win::kVendorCountSectors);
  }
  return setup;
}

bool IsWriteSetup(const VendorCommand& command) {
  return command.form == VendorForm::AtaRegisters &&
         (command.subCommand == win::kVendorWritePages || command.subCommand == win::kVendorWriteStickPages ||
          command.subCommand == win::kVendorWriteRedundant);
}

}  // namespace machine
