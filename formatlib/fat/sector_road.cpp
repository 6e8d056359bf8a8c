#include "formatlib/fat/sector_road.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/library_messages.h"
#include "formatlib/command/scsi_command.h"
#include "formatlib/fat/sector_transfer.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <array>
#include <cstdio>

namespace pradvik {
namespace {

std::array<std::uint8_t, 10> ReadWriteCdb(std::uint8_t opcode, std::uint32_t lba, std::uint32_t count) {
  std::array<std::uint8_t, 10> cdb{};
  cdb[0] = opcode;
  win::WriteBe32(cdb, win::scsi_cdb::kLogicalBlock10, lba);
  win::WriteBe16(cdb, win::scsi_cdb::kTransferLength10, static_cast<std::uint16_t>(count));
  return cdb;
}

}  // namespace

void PrepareSectorErrorText(win::UINT messageId, std::uint32_t lba) {
  FormatLibraryState& state = LibraryState();
  state.messageBody = LibraryText(messageId);
  std::array<char, 512> text{};
  std::snprintf(text.data(), text.size(), "%s%lu (0x%X)", state.messageBody.c_str(), static_cast<unsigned long>(lba),
                lba);
  state.preparedErrorText = text.data();
}

bool SectorRoad::Read(std::uint32_t lba, Sector& sector) const {
  ClearErrorText();
  if (kind_ == Kind::Transfer) {
    return TransferSectors({handle_, lba, 1, sector.data(), kTransferRead}) == 0;
  }
  return SendScsiCommand(handle_, ReadWriteCdb(win::kScsiRead10, lba, 1), sector.data(), kSectorBytes, kDataIn) != 0;
}

SectorRoad::Written SectorRoad::WriteSector(std::uint32_t lba, const std::uint8_t* data, win::UINT errorTextId) const {
  PrepareSectorErrorText(errorTextId, lba);
  if (kind_ == Kind::Transfer) {
    const bool done = TransferSectors({handle_, lba, 1, const_cast<std::uint8_t*>(data), kTransferWrite}) == 0;
    return done ? Written::Yes : Written::No;
  }
  switch (SendScsiCommand(handle_, ReadWriteCdb(win::kScsiWrite10, lba, 1), const_cast<std::uint8_t*>(data),
                          kSectorBytes, kDataOut)) {
    case 1: return Written::Yes;
    case kAnswerIgnore:
    case kAnswerIgnoreAll: return Written::Ignored;
    default: return Written::No;
  }
}

bool SectorRoad::WriteRun(std::uint32_t lba, std::uint32_t count, const std::uint8_t* data) const {
  if (kind_ == Kind::Transfer) {
    return TransferSectors({handle_, lba, count, const_cast<std::uint8_t*>(data), kTransferWrite}) == 0;
  }
  return SendScsiCommandNoPrompt(handle_, ReadWriteCdb(win::kScsiWrite10, lba, count), const_cast<std::uint8_t*>(data),
                                 count * kSectorBytes, kDataOut) != 0;
}

}  // namespace pradvik
