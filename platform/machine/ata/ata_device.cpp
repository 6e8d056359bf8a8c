#include "platform/machine/ata/ata_device.h"

#include "platform/machine/ata/ata_vendor_registers.h"
#include "platform/machine/reader/identify_block.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"
#include "platform/win/layouts/scsi_commands.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

constexpr std::uint8_t kLbaMode = 0x40;
constexpr std::size_t kAtaInScsiShort = 8;
constexpr std::size_t kAtaInScsiLong = 10;
constexpr Sense kNoDeviceAnswered{0x0B, 0x00, 0x00};  // ABORTED COMMAND
constexpr std::uint16_t kPacketDevice = 0x8080;  // ATAPI, direct access, removable medium

// The error register that stands for a SCSI failure of the command run underneath.
struct SenseError {
  Sense sense;
  std::uint8_t error;
};

constexpr std::array kSenseErrors{
    SenseError{sense::kMediumNotPresent, kAtaErrorNoMedia},
    SenseError{sense::kWriteProtected, kAtaErrorWriteProtected},
    SenseError{sense::kUnrecoveredReadError, kAtaErrorUncorrectable},
    SenseError{sense::kLbaOutOfRange, kAtaErrorIdNotFound},
};

bool SameSense(const Sense& a, const Sense& b) { return a.key == b.key && a.asc == b.asc && a.ascq == b.ascq; }

Sense SenseOf(const ScsiRequest& request) {
  const auto& data = request.SenseData();
  return {static_cast<std::uint8_t>(data[2] & 0x0F), data[12], data[13]};
}

AtaResult Done(std::uint32_t transferred) { return {true, kAtaStatusReady, 0, transferred, {0, 0, 0}}; }

AtaResult Failure(std::uint8_t error, Sense sense, std::uint32_t transferred = 0) {
  return {true, kAtaStatusReady | kAtaStatusError, error, transferred, sense};
}

AtaResult Aborted() { return Failure(kAtaErrorAborted, sense::kInvalidFieldInCdb); }

// The ATA form of a finished SCSI request.
AtaResult FromScsi(const ScsiRequest& request) {
  if (request.Status() == kStatusGood) return Done(request.Transferred());
  const Sense sense = SenseOf(request);
  const auto* found = std::find_if(kSenseErrors.begin(), kSenseErrors.end(),
                                   [&sense](const SenseError& entry) { return SameSense(entry.sense, sense); });
  return Failure(found == kSenseErrors.end() ? kAtaErrorAborted : found->error, sense, request.Transferred());
}

// Sector count 0 asks for 256 sectors.
std::uint32_t SectorsAsked(const AtaTaskFile& file) { return file.sectorCount == 0 ? 256U : file.sectorCount; }

bool IsAtapi(const ReaderDescription& reader) { return reader.bus == Bus::Ls120; }

AtaResult Identify(const AtaDevice& device, std::span<std::uint8_t> in) {
  if (IsAtapi(device.description) || in.size() < win::identify_layout::kSize) return Aborted();
  const auto data = ReaderIdentifyData(device.description, device.card);
  std::copy(data.begin(), data.end(), in.begin());
  return Done(win::identify_layout::kSize);
}

AtaResult IdentifyPacket(const AtaDevice& device, std::span<std::uint8_t> in) {
  if (!IsAtapi(device.description) || in.size() < win::identify_layout::kSize) return Aborted();
  auto data = ReaderIdentifyData(device.description, nullptr);
  namespace layout = win::identify_layout;
  layout::WriteWord(data, layout::kGeneralConfiguration, kPacketDevice);
  // A packet device has no card flags and no reader marks of the maker's IDE readers.
  layout::WriteWord(data, layout::kFirstReaderMark, 0);
  layout::WriteWord(data, layout::kSecondReaderMark, 0);
  layout::WriteDoubleWord(data, layout::kCardFlags, 0);
  std::copy(data.begin(), data.end(), in.begin());
  return Done(win::identify_layout::kSize);
}

// READ SECTORS and WRITE SECTORS run as READ(10) and WRITE(10) on the firmware.
AtaResult Transfer(const AtaDevice& device, const AtaTaskFile& file, std::span<std::uint8_t> in,
                   std::span<const std::uint8_t> out) {
  const bool write = file.command == kAtaWriteSectors;
  const std::size_t bytes = std::size_t{SectorsAsked(file)} * kAtaSectorSize;
  if ((file.deviceHead & kLbaMode) == 0 || bytes > (write ? out.size() : in.size())) return Aborted();
  std::array<std::uint8_t, 10> cdb{write ? win::kScsiWrite10 : win::kScsiRead10};
  win::WriteBe32(cdb, 2, Lba28(file));
  win::WriteBe16(cdb, 7, static_cast<std::uint16_t>(SectorsAsked(file)));
  ScsiRequest request(cdb, write ? DataDirection::Out : DataDirection::In,
                      write ? std::span<std::uint8_t>() : in.first(bytes),
                      write ? out.first(bytes) : std::span<const std::uint8_t>());
  device.firmware.Execute(request);
  return FromScsi(request);
}

// GET MEDIA STATUS: no card, or a write-protected one, shows in the error register.
AtaResult MediaStatus(const AtaDevice& device) {
  if (IsAtapi(device.description)) return Aborted();
  if (device.card == nullptr) return Failure(kAtaErrorNoMedia, sense::kMediumNotPresent);
  if (device.card->WriteProtected()) return Failure(kAtaErrorWriteProtected, sense::kWriteProtected);
  return Done(0);
}

// The vendor commands move no data out on the ATA roads: a write is announced here and its data
// follow in a WRITE SECTORS or WRITE(10).
AtaResult Vendor(const AtaDevice& device, const AtaTaskFile& file, std::span<std::uint8_t> in) {
  // The reply of a vendor command fills the start of a whole sector; the rest reads as zeros.
  std::fill(in.begin(), in.end(), std::uint8_t{0});
  ScsiRequest request({}, DataDirection::In, in, {});
  device.firmware.ExecuteVendor(VendorFromTaskFile(file, device.card), request);
  AtaResult result = FromScsi(request);
  if (!result.Failed()) result.transferred = static_cast<std::uint32_t>(in.size());
  return result;
}

bool IsVendorCommand(std::uint8_t command) {
  return command >= win::kVendorFirstSubCommand && command <= win::kVendorLastAtaCommand;
}

}  // namespace

std::uint32_t Lba28(const AtaTaskFile& file) {
  return file.sectorNumber | (file.cylinderLow << 8) | (file.cylinderHigh << 16) |
         (static_cast<std::uint32_t>(file.deviceHead & 0x0F) << 24);
}

AtaTaskFile AtaTaskFileAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3], bytes[at + 4], bytes[at + 5], bytes[at + 6]};
}

bool AtaCommandWrites(std::uint8_t command) { return command == kAtaWriteSectors; }

AtaResult RunAtaCommand(const AtaDevice& device, const AtaTaskFile& taskFile, std::span<std::uint8_t> in,
                        std::span<const std::uint8_t> out) {
  if ((taskFile.deviceHead & kAtaSlaveBit) != 0) return {};
  switch (taskFile.command) {
    case kAtaIdentify: return Identify(device, in);
    case kAtaIdentifyPacket: return IdentifyPacket(device, in);
    case kAtaReadSectors:
    case kAtaWriteSectors: return IsAtapi(device.description) ? Aborted() : Transfer(device, taskFile, in, out);
    case kAtaGetMediaStatus: return MediaStatus(device);
    default: break;
  }
  if (IsVendorCommand(taskFile.command) && !IsAtapi(device.description)) return Vendor(device, taskFile, in);
  return Aborted();
}

std::optional<AtaTaskFile> DecodeAtaInScsi(std::span<const std::uint8_t> cdb) {
  if ((cdb.size() != kAtaInScsiShort && cdb.size() != kAtaInScsiLong) || cdb[0] != win::kScsiVendorCommand)
    return std::nullopt;
  return AtaTaskFile{cdb[6], cdb[2], cdb[3], cdb[4], cdb[5], cdb[7], cdb[1]};
}

void AtaInScsiTarget::Execute(ScsiRequest& request) {
  const auto taskFile = DecodeAtaInScsi(request.Cdb());
  if (!taskFile) {
    device_.firmware.Execute(request);
    return;
  }
  const AtaResult result = RunAtaCommand(device_, *taskFile, request.In(), request.Out());
  if (!result.answered) {
    request.Fail(kNoDeviceAnswered);
  } else if (result.Failed()) {
    request.Fail(result.sense, result.transferred);
  } else {
    request.Complete(result.transferred);
  }
}

}  // namespace machine
