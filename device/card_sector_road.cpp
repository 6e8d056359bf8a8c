#include "device/card_sector_road.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/scsi_transport.h"
#include "device/sector_io.h"
#include "platform/win/layouts/ata_registers.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

// The absolute services take a 16-bit count on Windows 9x; 128 sectors keep a piece at 64 KB.
constexpr win::DWORD kAbsolutePieceSectors = 128;

// The commands and flags of one direction on every road.
struct Direction {
  win::BYTE ataCommand;
  win::DWORD ataTransfer;
  win::BYTE scsiCommand;
  win::BYTE scsiTransfer;
  win::BYTE sectorOperation;
};

constexpr Direction kRead{win::kAtaReadSectors, kAtaDataIn, win::kScsiRead10, kScsiDataIn, kSectorRead};
constexpr Direction kWrite{win::kAtaWriteSectors, kAtaDataOut, win::kScsiWrite10, kScsiDataOut, kSectorWrite};

bool AbsoluteRoad(SectorRoad road) { return road == SectorRoad::kDriveLetter || road == SectorRoad::kAbsolute; }

// The absolute services' sectors are always 512 bytes; the commands move the card's own.
win::DWORD StrideBytes(SectorRoad road, win::DWORD bytesPerSector) {
  return AbsoluteRoad(road) ? kCardSectorBytes : bytesPerSector;
}

// Sectors one command of the road carries.
win::DWORD PieceSectors(SectorRoad road, win::DWORD bytesPerSector) {
  switch (road) {
    case SectorRoad::kAta: return kIdeDataCapacity / bytesPerSector;
    case SectorRoad::kScsi: return kMaxScsiTransfer / bytesPerSector;
    default: return kAbsolutePieceSectors;
  }
}

// Windows NT4 has no vwin32: the whole NT family moves plain sectors through the card handle.
win::HANDLE AbsoluteHandle(SectorRoad road, win::HANDLE handle) {
  return road == SectorRoad::kDriveLetter || OsKindIsNt() ? handle : Vwin32Handle;
}

bool MovePiece(SectorRoad road, const Direction& direction, win::HANDLE handle, const DeviceEntry& entry,
               win::DWORD sector, win::DWORD sectors, win::DWORD bytes, win::BYTE* buffer) {
  switch (road) {
    case SectorRoad::kAta:
      return ExecAtaCommand(handle, &entry, direction.ataCommand, sector, buffer, bytes, direction.ataTransfer, 0, 0);
    case SectorRoad::kScsi: {
      std::array<win::BYTE, 10> cdb{direction.scsiCommand};
      win::WriteBe32(cdb, win::scsi_cdb::kLogicalBlock10, sector);
      win::WriteBe16(cdb, win::scsi_cdb::kTransferLength10, static_cast<win::WORD>(sectors));
      return ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, cdb.data(), cdb.size(), buffer, bytes,
                             direction.scsiTransfer);
    }
    default:
      return AbsoluteSectorIo({AbsoluteHandle(road, handle), sector, sectors, buffer, direction.sectorOperation}) == 0;
  }
}

bool MoveCardSectors(const Direction& direction, win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                     win::DWORD count, win::DWORD bytesPerSector, win::BYTE* buffer) {
  if (bytesPerSector == 0) return false;
  const SectorRoad road = SectorRoadFor(entry);
  const win::DWORD stride = StrideBytes(road, bytesPerSector);
  // The buffer holds count x bytesPerSector bytes: sectors smaller than the road's would overrun it.
  if (stride > bytesPerSector) return false;
  const win::DWORD piece = PieceSectors(road, bytesPerSector);
  if (piece == 0) return false;
  for (win::DWORD done = 0; done < count;) {
    const win::DWORD sectors = std::min(piece, count - done);
    if (!MovePiece(road, direction, handle, entry, firstSector + done, sectors, sectors * stride,
                   buffer + std::size_t{done} * stride)) {
      return false;
    }
    done += sectors;
  }
  return true;
}

}  // namespace

SectorRoad SectorRoadFor(const DeviceEntry& entry) {
  const bool ataBus = CardOnIdeBus != 0 || CardOnPcmciaBus != 0;
  if (ataBus && UseDriveLetterIo != 0) return SectorRoad::kDriveLetter;
  if (ataBus && !OsKindHasVendorPassThrough()) return SectorRoad::kAta;
  if (entry.busKind == kBusFloppy || UsePlainSectorIo != 0) return SectorRoad::kAbsolute;
  return SectorRoad::kScsi;
}

bool ReadCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD lba, win::DWORD count,
                     win::DWORD bytesPerSector, win::BYTE* buffer) {
  return MoveCardSectors(kRead, handle, entry, lba, count, bytesPerSector, buffer);
}

// The transports take one buffer for both directions; a write only reads from it.
bool WriteCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                      std::span<const win::BYTE> data) {
  if (data.size() % kCardSectorBytes != 0) return false;
  return MoveCardSectors(kWrite, handle, entry, firstSector, static_cast<win::DWORD>(data.size() / kCardSectorBytes),
                         kCardSectorBytes, const_cast<win::BYTE*>(data.data()));
}

}  // namespace tarnlok
