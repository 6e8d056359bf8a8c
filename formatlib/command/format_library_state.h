// The format library's one state block per process: the device it works on, the prepared error
// text of the next prompting command, the user's last prompt answer, the progress counters, the
// windows whose messages are pumped and the raw-flash bad-block lists. Zero at load.
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pradvik {

// Answers of the failure prompts, also the results of the prompting commands.
enum PromptAnswer : std::uint8_t {
  kAnswerNone = 0,
  kAnswerAbort = 1,
  kAnswerRetry = 2,
  kAnswerIgnore = 3,
  kAnswerIgnoreAll = 4
};

// The library's own operating-system kind.
enum OsClass : std::uint8_t {
  kOsOther = 0,
  kOsWindows95 = 1,
  kOsWindows95Osr2 = 2,
  kOsWindows98 = 3,
  kOsWindowsMe = 4,
  kOsWindowsNt4 = 5,
  kOsWindows2000 = 6
};

constexpr std::size_t kBadBlockCapacity = 2560;
constexpr std::size_t kDisabledBlockCapacity = 256;
constexpr std::size_t kBootBlockBufferSize = 32768;
constexpr std::uint32_t kFreeBadBlockEntry = 0xFFFFFFFF;
constexpr std::uint16_t kDisabledListEnd = 0xFFFF;

struct FormatLibraryState {
  std::string preparedErrorText;
  std::string messageBody;
  std::string blockLabel;
  std::string pageLabel;
  std::int32_t inUse = 0;
  std::int32_t firstBootBlockFound = 0;
  std::int32_t secondBootBlockFound = 0;
  std::int32_t bootBlockSaved = 0;
  std::uint8_t deviceKind = 0;
  std::uint8_t driveIndex = 0;
  std::uint8_t bootBlockCounter = 0;
  std::uint8_t osKind = 0;
  std::uint8_t promptAnswer = kAnswerNone;
  std::array<char, 256> myComputerName{};
  std::array<std::uint8_t, kBootBlockBufferSize> bootBlockBuffer{};
  std::array<std::uint16_t, kDisabledBlockCapacity> disabledBlocks{};
  win::HWND pumpWindows[3] = {nullptr, nullptr, nullptr};
  std::uint32_t deviceId = 0;
  std::uint32_t volumeStartPage = 0;
  std::uint32_t progressPosition = 0;
  std::uint32_t progressRange = 0;
  std::array<std::uint32_t, kBadBlockCapacity> badBlocks{};
  std::uint32_t badBlockCount = 0;
  // Windows 9x: the ASPI host adapter of the device, once an export has looked it up.
  std::optional<std::uint8_t> aspiHost;
  // The reader's road as the running format export was told it (transport kind and ATA drive
  // select): on Windows 9x the ATA roads go through the card driver.
  std::uint8_t transportKind = 0;
  std::uint8_t ataDriveSelect = 0;
};

FormatLibraryState& LibraryState();

// The module whose resources hold the library's strings and dialogs (null: the program's, as in
// tests that link the library's code directly).
win::HINSTANCE LibraryInstance();
void SetLibraryInstance(win::HINSTANCE instance);

// Export prologue: keeps the drive index and device id (forgetting the ASPI adapter and the
// prompt answer of the last one) and decides the OS kind.
std::uint8_t RunExportPrologue(std::uint32_t deviceId, std::uint8_t driveIndex);
bool IsNtClass(std::uint8_t osKind);
// Windows 95, 95 OSR2, 98 and Me.
bool IsWindows9xClass(std::uint8_t osKind);

// The bad-block list: empties it (every entry free); appends a block unless the list is full.
void ResetBadBlocks();
void AppendBadBlock(std::uint32_t block);
void ResetDisabledBlocks();
bool IsDisabledBlock(std::uint32_t block);

}  // namespace pradvik
