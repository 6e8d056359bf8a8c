// ATA commands to the device of an IDE or PCMCIA reader (and the IDENTIFY PACKET of an LS-120
// drive), whichever road they came by: IDE pass-through, SMART, ATA inside SCSI blocks (NT4)
// or the Windows 9x card driver. The device is a translator in front of the reader's firmware:
// READ SECTORS and WRITE SECTORS run as READ(10) and WRITE(10), the vendor sub-commands run in
// ATA register form through the same vendor command table as on the SCSI roads, so every road
// sees one reader. Each reader is the master of its own channel; the slave answers nothing.
// Not provided: CHS addressing, READ/WRITE MULTIPLE, DMA, the ATA SMART feature set.
#pragma once

#include "platform/machine/reader/reader_firmware.h"

#include "platform/win/layouts/ata_registers.h"

#include <cstdint>
#include <optional>
#include <span>

namespace machine {

using win::kAtaErrorAborted;
using win::kAtaErrorIdNotFound;
using win::kAtaErrorNoMedia;
using win::kAtaErrorUncorrectable;
using win::kAtaErrorWriteProtected;
using win::kAtaGetMediaStatus;
using win::kAtaIdentify;
using win::kAtaIdentifyPacket;
using win::kAtaReadSectors;
using win::kAtaSectorSize;
using win::kAtaSlaveBit;
using win::kAtaStatusError;
using win::kAtaStatusReady;
using win::kAtaWriteSectors;

struct AtaTaskFile {
  std::uint8_t features = 0;
  std::uint8_t sectorCount = 0;
  std::uint8_t sectorNumber = 0;
  std::uint8_t cylinderLow = 0;
  std::uint8_t cylinderHigh = 0;
  std::uint8_t deviceHead = 0;
  std::uint8_t command = 0;
};

struct AtaResult {
  bool answered = false;  // false: no device at that drive select (the request times out)
  std::uint8_t status = 0;
  std::uint8_t error = 0;
  std::uint32_t transferred = 0;  // bytes moved in or out
  Sense sense{0, 0, 0};  // the SCSI form of a failure, for ATA inside SCSI blocks

  bool Failed() const { return (status & kAtaStatusError) != 0; }
};

// The seven task-file registers as they stand in a request from byte at on (features first).
AtaTaskFile AtaTaskFileAt(std::span<const std::uint8_t> bytes, std::size_t at);

// The 28-bit sector (or page) number: sector number, cylinder low, cylinder high, head bits 0-3.
std::uint32_t Lba28(const AtaTaskFile& file);

// Whether data of this command travel from the caller to the device.
bool AtaCommandWrites(std::uint8_t command);

// What the device answers a command with: the reader's firmware, its description and the card
// that commands reach (null when there is none).
struct AtaDevice {
  const ReaderDescription& description;
  ReaderFirmware& firmware;
  const CardMedia* card;
};

// Runs one command; in receives data-in, out holds data-out (each as large as the road's data
// area). A transfer larger than its area is aborted, never overrun.
AtaResult RunAtaCommand(const AtaDevice& device, const AtaTaskFile& taskFile, std::span<std::uint8_t> in,
                        std::span<const std::uint8_t> out);

// The NT4 road of an IDE or PCMCIA reader: a SCSI block that carries an ATA command runs as that
// command, any other block goes to the firmware as it is.
class AtaInScsiTarget final : public ScsiTarget {
 public:
  explicit AtaInScsiTarget(const AtaDevice& device) : device_(device) {}
  void Execute(ScsiRequest& request) override;

 private:
  const AtaDevice& device_;
};

// The task file of an ATA command inside an 8- or 10-byte SCSI block (20 command count number
// cylLow cylHigh features head [0 0]); none for any other block.
std::optional<AtaTaskFile> DecodeAtaInScsi(std::span<const std::uint8_t> cdb);

}  // namespace machine
