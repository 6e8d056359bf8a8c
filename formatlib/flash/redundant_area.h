// Judging a block before the erase pass touches it, and testing it after: the SmartMedia
// redundant areas (block status byte), the Memory Stick extra data (good, boot and ordinary
// blocks, the card's disabled-block list), and the two-pattern test with the bad-block mark.
#pragma once

#include "formatlib/flash/format_context.h"

#include <cstdint>
#include <span>

namespace pradvik {

// 1 when the block was judged (*bad set to skip it), 0 when the read failed and was not ignored.
// A read the user ignored leaves nothing to judge by: the block counts as bad.
int ReadRedundantData(const FormatContext& context, std::uint32_t page, std::uint8_t& bad);
// Memory Stick full format: 1 when the block must be left alone (a boot block or a disabled one).
int ReadExtraData(const FormatContext& context, std::uint32_t page);
// Writes and reads back 0x55AA and 0xAA55 over an erased block, erasing it again after each;
// a block that fails is listed and marked bad. 0 only when the mark could not be written.
int MarkBlockBad(const FormatContext& context, std::uint32_t page, std::uint16_t logical, std::uint8_t eraseFlag);

enum class EraseOutcome { Erased, Failed, NoCard };

// Erases the block of a page (Memory Stick: with its logical number and erase flag); NoCard when
// the reader answers that it holds no card.
EraseOutcome EraseOneBlock(const FormatContext& context, std::uint32_t page, std::uint16_t logical,
                           std::uint8_t eraseFlag);

// Reads a Memory Stick boot block into the state block's buffer and, when the state block has
// none yet, its disabled-block list (appended to the bad-block list).
void TakeBootBlock(const FormatContext& context, std::uint32_t block);
// Reads a whole boot block into the state block's buffer; true when it was read.
bool SaveBootBlock(const FormatContext& context, std::uint32_t block);
// Forgets where boot blocks were found and whether one was saved.
void ClearBootBlockState();
// Parses a disabled-block page (big-endian block numbers ended by 0xFFFF) into the state block.
void LoadDisabledBlocks(std::span<const std::uint8_t> page);

}  // namespace pradvik
