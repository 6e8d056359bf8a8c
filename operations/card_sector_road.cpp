#include "operations/card_sector_road.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/scsi_transport.h"
#include "device/sector_io.h"
#include "platform/win/byte_order.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorBytes = 512;
constexpr win::BYTE kScsiRead10 = 0x28;
constexpr win::BYTE kScsiWrite10 = 0x2A;

enum class Road { kAta, kAbsolute, kScsi };

Road RoadFor(const DeviceEntry& entry) {
  const bool ataBus = CardOnIdeBus != 0 || CardOnPcmciaBus != 0;
  if (ataBus && UseDriveLetterIo != 0) return Road::kAbsolute;
  if (ataBus && !OsKindHasVendorPassThrough()) return Road::kAta;
  if (entry.busKind == kBusFloppy || UsePlainSectorIo != 0) return Road::kAbsolute;
  return Road::kScsi;
}

// Sectors one command of the road carries.
win::DWORD PieceSectors(Road road) {
  switch (road) {
    case Road::kAta: return kIdeDataCapacity / kSectorBytes;
    case Road::kScsi: return kMaxScsiTransfer / kSectorBytes;
    default: return 128;
  }
}

bool Transfer(Road road, win::HANDLE handle, const DeviceEntry& entry, win::DWORD sector, win::BYTE* data,
              win::DWORD sectors, bool writing) {
  const win::DWORD bytes = sectors * kSectorBytes;
  switch (road) {
    case Road::kAta:
      return ExecAtaCommand(handle, &entry, writing ? kAtaWriteSectors : kAtaReadSectors, sector, data, bytes,
                            writing ? kAtaDataOut : kAtaDataIn, 0, 0);
    case Road::kAbsolute: {
      SectorIoRequest request;
      request.handle = OsKindIsNt() ? handle : Vwin32Handle;
      request.firstSector = sector;
      request.sectorCount = sectors;
      request.buffer = data;
      request.operation = writing ? kSectorWrite : kSectorRead;
      return AbsoluteSectorIo(request) == 0;
    }
    case Road::kScsi: {
      std::array<win::BYTE, 10> cdb{writing ? kScsiWrite10 : kScsiRead10};
      win::WriteBe32(cdb, 2, sector);
      win::WriteBe16(cdb, 7, static_cast<win::WORD>(sectors));
      return ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, cdb.data(), 10, data, bytes,
                             writing ? kScsiDataOut : kScsiDataIn);
    }
  }
  return false;
}

bool MoveSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector, win::BYTE* data,
                 std::size_t bytes, bool writing) {
  if (bytes % kSectorBytes != 0) return false;
  const Road road = RoadFor(entry);
  const win::DWORD total = static_cast<win::DWORD>(bytes / kSectorBytes);
  const win::DWORD piece = PieceSectors(road);
  for (win::DWORD done = 0; done < total;) {
    const win::DWORD sectors = std::min(piece, total - done);
    if (!Transfer(road, handle, entry, firstSector + done, data + std::size_t{done} * kSectorBytes, sectors, writing))
      return false;
    done += sectors;
  }
  return true;
}

}  // namespace

bool WriteCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                      std::span<const win::BYTE> data) {
  // The transports take one buffer for both directions; a write only reads from it.
  return MoveSectors(handle, entry, firstSector, const_cast<win::BYTE*>(data.data()), data.size(), true);
}

bool ReadCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector, std::span<win::BYTE> data) {
  return MoveSectors(handle, entry, firstSector, data.data(), data.size(), false);
}

}  // namespace tarnlok
