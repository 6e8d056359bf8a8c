// The library's message table and the texts built from it: message boxes, step texts, the
// prepared error text of the next prompting command, and the progress step that every
// raw-flash write takes.
#pragma once

#include "platform/win/system/types.h"

#include <cstdint>
#include <string>

namespace pradvik {

// Message ids of the library's string table.
enum LibraryString : win::UINT {
  kStrUnknownMedia = 3,
  kStrEraseFailed = 5,
  kStrNoMemory = 6,
  kStrMbrWriteFailed = 7,
  kStrDbrWriteFailed = 8,
  kStrFat1WriteFailed = 9,
  kStrRootWriteFailed = 10,
  kStrStepReadCis = 12,
  kStrStepErase = 13,
  kStrStepWriteCis = 14,
  kStrStepMbr = 15,
  kStrStepDbr = 16,
  kStrStepFat1 = 17,
  kStrStepRoot = 18,
  kStrWriteProtected = 20,
  kStrCisWriteFailed = 23,
  kStrRedundantReadFailed = 24,
  kStrMediaWriteFailed = 25,
  kStrExtraReadFailed = 27,
  kStrBlockLabel = 28,
  kStrPageLabel = 29,
  kStrFat2WriteFailed = 30,
  kStrMarkBadFailed = 31,
  kStrNoMediaPresent = 32,
  kStrStepFat2 = 33,
  kStrStepPreparing = 34,
  kStrTooManyQuick = 35,
  kStrTooManyFull = 36,
  kStrStepReadMbr = 37,
  kStrStepReadDbr = 38,
  kStrEraseSector = 39,
  kStrMbrSectorFailed = 40,
  kStrDbrSectorFailed = 41,
  kStrFat1SectorFailed = 42,
  kStrFat2SectorFailed = 43,
  kStrNoMediaInDrive = 47,
  kStrButtonAbort = 48,
  kStrButtonRetry = 49,
  kStrButtonIgnore = 50,
  kStrButtonIgnoreAll = 51,
  kStrInUse9x = 52,
  kStrInUseNt = 53,
  kStrVolumeBusy = 55,
  kStrFormatCaption = 57344,
  kStrNotFormatted = 57345,
};

std::string LibraryText(win::UINT id);
// A message box owned by the caller's window (pump window 1) with the library's caption.
int ShowLibraryMessage(win::UINT id, win::UINT iconType);
int ShowLibraryText(const std::string& text, win::UINT iconType);
// Sends a step text to the step window when it is given.
void SetStepText(win::HWND stepWindow, win::UINT id);

// The prepared error text: "<message>\nBlock : b (0xb)   Page : p (0xp)", or empty (no prompt).
void PrepareBlockErrorText(win::UINT messageId, std::uint32_t block, std::uint32_t pageInBlock);
void ClearErrorText();

// One progress step: the position grows (held at the range), the bar steps while below the
// range, and the percent window shows "%d %%".
void StepProgress(win::HWND progressWindow, win::HWND percentWindow);

}  // namespace pradvik
