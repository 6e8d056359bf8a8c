#include "device/card_sector_road.h"

#include "device/ata_transport.h"
#include "device/device_state.h"
#include "device/scsi_transport.h"
#include "device/sector_io.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"

#include <algorithm>
#include <array>

namespace tarnlok {
namespace {

constexpr win::DWORD kSectorBytes = 512;
constexpr win::DWORD kAbsolutePieceSectors = 128;

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
    default: return kAbsolutePieceSectors;
  }
}

// The transports take one buffer for both directions; a write only reads from it.
bool WritePiece(Road road, win::HANDLE handle, const DeviceEntry& entry, win::DWORD sector, const win::BYTE* data,
                win::DWORD sectors) {
  auto* bytes = const_cast<win::BYTE*>(data);
  const win::DWORD length = sectors * kSectorBytes;
  switch (road) {
    case Road::kAta: return ExecAtaCommand(handle, &entry, kAtaWriteSectors, sector, bytes, length, kAtaDataOut, 0, 0);
    case Road::kAbsolute:
      return AbsoluteSectorIo({OsKindIsNt() ? handle : Vwin32Handle, sector, sectors, bytes, kSectorWrite}) == 0;
    case Road::kScsi: {
      std::array<win::BYTE, 10> cdb{win::kScsiWrite10};
      win::WriteBe32(cdb, 2, sector);
      win::WriteBe16(cdb, 7, static_cast<win::WORD>(sectors));
      return ExecScsiCommand(handle, entry.hostAdapter, entry.target, entry.lun, cdb.data(), 10, bytes, length,
                             kScsiDataOut);
    }
  }
  return false;
}

}  // namespace

bool WriteCardSectors(win::HANDLE handle, const DeviceEntry& entry, win::DWORD firstSector,
                      std::span<const win::BYTE> data) {
  if (data.size() % kSectorBytes != 0) return false;
  const Road road = RoadFor(entry);
  const auto total = static_cast<win::DWORD>(data.size() / kSectorBytes);
  const win::DWORD piece = PieceSectors(road);
  for (win::DWORD done = 0; done < total;) {
    const win::DWORD sectors = std::min(piece, total - done);
    if (!WritePiece(road, handle, entry, firstSector + done, data.data() + std::size_t{done} * kSectorBytes, sectors))
      return false;
    done += sectors;
  }
  return true;
}

}  // namespace tarnlok
