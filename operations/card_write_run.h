// The block loops that write an image onto a card, shared by the restore (from a backup image)
// and the duplicate (from its memory or temporary-file image): Memory Stick and SmartMedia cards
// block by block through erase and write commands with the image's extra or redundant data,
// other cards sector by sector. The page around a loop answers its hooks: progress and message
// pumping, the cancel question, and the error prompt around each device command. A SmartMedia
// block the new card will not erase or take (the prompt answered Ignore) is marked bad and its
// data go to the next good free block of its zone; with none left the run fails.
#pragma once

#include "device/flash_card_commands.h"
#include "operations/image_source.h"
#include "platform/win/system/types.h"

#include <functional>

namespace tarnlok {

class RunHooks {
 public:
  virtual ~RunHooks() = default;
  // At the top of each block (blockNumber counted in the card's blocks, position in sectors):
  // false ends the run (cancel confirmed, card gone).
  virtual bool BeforeBlock(win::DWORD blockNumber, win::ULONGLONG position) = 0;
  // Before a block's data is written: the cancel question again; false ends the run.
  virtual bool BeforeWrite() = 0;
  // One device command under the error prompt, with the step's string: false when the user
  // chose Abort.
  virtual bool Step(win::UINT promptString, const std::function<bool()>& command) = 0;
};

enum class RunEnd {
  kCompleted,
  kStopped,  // a hook ended the run
  kTruncatedImage,  // the image ended before the card did
  kWriteFailed,  // a write that takes no prompt failed
};

// How an image lays its flash blocks out: a backup image or temporary file holds a block's data
// only where the backup found some; a memory image holds every block in full.
enum class FlashImageLayout { kDataWhereUsed, kEveryBlockInFull };

RunEnd WriteMemoryStickImage(ImageSource& image, FlashImageLayout layout, const FlashCard& card, win::DWORD blockCount,
                             RunHooks& hooks);
RunEnd WriteSmartMediaImage(ImageSource& image, FlashImageLayout layout, const FlashCard& card, win::DWORD blockCount,
                            RunHooks& hooks);

// Whether a backup image's raw flash body holds exactly blockCount block records, each with
// its data where the block was in use: walked without writing, before the card is touched.
enum class FlashBodyFit { kExact, kShort, kLong };
FlashBodyFit CheckFlashBody(ImageSource& image, bool memoryStick, win::DWORD blockCount, win::DWORD pagesPerBlock,
                            win::DWORD mediaSizeCode);

// Plain sectors 0 up to totalSectors, sectorsPerBlock at a time. Each chunk is written under the
// prompt, except on floppy drives, where a failed write ends the run (kWriteFailed).
RunEnd WritePlainImage(ImageSource& image, win::HANDLE handle, const DeviceEntry& entry, win::DWORD totalSectors,
                       win::DWORD sectorsPerBlock, win::DWORD bytesPerSector, RunHooks& hooks);

}  // namespace tarnlok
