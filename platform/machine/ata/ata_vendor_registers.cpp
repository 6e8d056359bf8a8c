#include "platform/machine/ata/ata_vendor_registers.h"

#include "platform/machine/flash/flash_card.h"
#include "platform/machine/flash/memory_stick_card.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::uint8_t kErase = 0x83;
constexpr std::uint8_t kReadRedundant = 0x8B;
constexpr std::uint8_t kReadExtra = 0x8F;
constexpr std::uint8_t kWritePages = 0x86;
constexpr std::uint8_t kWriteRedundant = 0x90;
constexpr std::uint8_t kWriteStick = 0x93;
constexpr std::uint8_t kCountFlag = 0x40;
constexpr std::uint8_t kSystemBlockFlag = 0x80;
constexpr std::uint8_t kCountMask = 0x3F;
constexpr std::uint16_t kBadBlockMark = 0x4000;
// The logical block a Memory Stick write set-up names when it programs a block's extra data.
constexpr std::uint32_t kStickExtraWrite = 0x1FFF;
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

VendorCommand SmartMediaSetup(const AtaTaskFile& file) {
  VendorCommand command{VendorForm::AtaRegisters, kWritePages, Lba28(file) << 8, 0, 0};
  if ((file.sectorCount & kSystemBlockFlag) != 0) command.address |= kSystemBlockFlag;
  command.length = (file.sectorCount & kCountFlag) != 0
                       ? kBadBlockMark
                       : static_cast<std::uint16_t>(((file.sectorCount & kCountMask) << 8) | file.features);
  return command;
}

VendorCommand StickSetup(const AtaTaskFile& file) {
  const std::uint32_t block = ((file.cylinderLow & kStickBlockHighMask) << 8) | file.sectorNumber;
  // The block command: the data that follow are a whole boot block, from its first page.
  if ((file.cylinderLow & kBootBlockFlag) != 0) {
    return {VendorForm::AtaRegisters, kWriteStick, (block << 8) | kSystemBlockFlag, kNoLogicalBlock, 0};
  }
  const std::uint32_t logicalHigh = ((file.cylinderLow >> 6) << 3) | (file.cylinderHigh >> 5);
  const std::uint32_t logical = (logicalHigh << 8) | file.features;
  const std::uint32_t page = file.cylinderHigh & 0x1F;
  if (logical == kStickExtraWrite) return {VendorForm::AtaRegisters, kWriteRedundant, block, 0, 0};
  return {VendorForm::AtaRegisters, kWriteStick, (page << 24) | (block << 8), static_cast<std::uint16_t>(logical), 0};
}

VendorCommand StickCommand(const AtaTaskFile& file) {
  const std::uint8_t sub = file.command;
  if (sub == kWritePages) return StickSetup(file);
  if (sub == kErase) {
    const std::uint32_t logical = (file.cylinderHigh << 8) | file.cylinderLow;
    return {VendorForm::AtaRegisters, sub, (logical << 16) | StickBlockField(file),
            static_cast<std::uint16_t>(file.sectorCount << 8), 0};
  }
  const std::uint32_t address = (std::uint32_t{file.cylinderLow} << 16) | StickBlockField(file);
  const std::uint16_t length = sub == kReadExtra ? static_cast<std::uint16_t>(kExtraSize) : ByteCount(file);
  return {VendorForm::AtaRegisters, sub, address, length, 0};
}

VendorCommand PageCommand(const AtaTaskFile& file, const CardMedia* card) {
  if (file.command == kWritePages) return SmartMediaSetup(file);
  std::uint16_t length = ByteCount(file);
  if (file.command == kReadRedundant) length = std::min(length, BlockSpareBytes(card));
  return {VendorForm::AtaRegisters, file.command, Lba28(file) << 8, length, 0};
}

}  // namespace

VendorCommand VendorFromTaskFile(const AtaTaskFile& taskFile, const CardMedia* card) {
  return IsMemoryStickKind(card) ? StickCommand(taskFile) : PageCommand(taskFile, card);
}

VendorCommand CompleteWriteSetup(VendorCommand setup, std::uint32_t sectors) {
  if (setup.subCommand == kWritePages || setup.subCommand == kWriteStick) {
    setup.address |= kCountFlag | (sectors & kCountMask);
  }
  return setup;
}

bool IsWriteSetup(const VendorCommand& command) {
  return command.form == VendorForm::AtaRegisters &&
         (command.subCommand == kWritePages || command.subCommand == kWriteStick ||
          command.subCommand == kWriteRedundant);
}

}  // namespace machine
