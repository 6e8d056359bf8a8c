// How a FAT formatter reaches the card's sectors: READ(10) and WRITE(10) through SCSI
// pass-through on the volume (the maker's readers; a failing write opens the library's prompt
// with the prepared error text), or plain sector transfers on a volume or physical-drive handle
// (no prompt: a failure is the answer).
#pragma once

#include "formatlib/fat/boot_sector.h"

#include "platform/win/system/types.h"

#include <cstdint>

namespace pradvik {

class SectorRoad {
 public:
  enum class Kind { Scsi, Transfer };
  SectorRoad(win::HANDLE handle, Kind kind) : handle_(handle), kind_(kind) {}

  win::HANDLE Handle() const { return handle_; }
  // One sector, the prepared error text cleared.
  bool Read(std::uint32_t lba, Sector& sector) const;
  // One sector, with the prepared error text "<message><lba> (0x<lba>)". Ignored: the write
  // failed and the person answered Ignore or Ignore All, so the sector holds what it held.
  enum class Written { Yes, Ignored, No };
  Written WriteSector(std::uint32_t lba, const std::uint8_t* data, win::UINT errorTextId) const;
  // Sectors from a 512-byte-per-sector buffer, never prompting.
  bool WriteRun(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data) const;

 private:
  win::HANDLE handle_;
  Kind kind_;
};

// The prepared error text of the FAT formatters: the message and the sector.
void PrepareSectorErrorText(win::UINT messageId, std::uint32_t lba);

}  // namespace pradvik
