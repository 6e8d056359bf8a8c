// ATA commands of the readers: the task file packed as each caller needs it, sent through the
// IDE pass-through (Windows 2000 and later), inside a vendor SCSI block (NT4) or through the card
// driver (Windows 9x). Commands that write carry no data here: the data follow in a SCSI
// WRITE(10).
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

struct TaskFile {
  std::uint8_t features = 0;
  std::uint8_t sectorCount = 0;
  std::uint8_t sectorNumber = 0;
  std::uint8_t cylinderLow = 0;
  std::uint8_t cylinderHigh = 0;
  std::uint8_t driveHead = 0;
  std::uint8_t command = 0;
};

// LBA addressing; command 0x86 carries the extra value in features (low) and count (high).
TaskFile LbaTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint32_t lba, std::uint32_t byteCount,
                     std::uint16_t extra);
// Block and page addressing of the Memory Stick commands.
TaskFile ChsTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint16_t address, std::uint32_t byteCount,
                     std::uint16_t extra, std::uint8_t count);
// The Memory Stick Pro format commands.
TaskFile FormatTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint32_t byteCount, std::uint16_t value,
                        std::uint8_t features);
// The write announcement of a whole Memory Stick block.
TaskFile BlockTaskFile(std::uint8_t driveSelect, std::uint8_t command, std::uint16_t value);

// How a failure is answered: the prompt (Retry resends inside SCSI blocks and fails through the
// IDE pass-through), or no prompt (then 4 while Ignore All is in force).
enum class AtaPrompt { Ask, Silent };

// Sends on the road of the OS kind: 1 success, 0 failure, 3 and 4 as the prompt answered.
// An invalid handle fails (Windows 9x reads no handle). At most 16384 bytes through the IDE
// pass-through.
std::uint8_t SendAtaCommand(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer, std::uint32_t byteCount,
                            std::uint8_t direction, AtaPrompt prompt);
// Always through the IDE pass-through, whatever the OS kind.
std::uint8_t SendIdeTaskFile(win::HANDLE handle, const TaskFile& taskFile, std::uint8_t* buffer,
                             std::uint32_t byteCount, std::uint8_t direction, AtaPrompt prompt);

}  // namespace pradvik
