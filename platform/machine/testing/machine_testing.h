// Helpers of the machine's tests: card images with numbered sectors, machines built from a
// JSON text in the test's data folder, and SCSI commands sent the way the system sends them
// (CreateFileA on the device, IOCTL_SCSI_PASS_THROUGH with the request block).
#pragma once

#include "platform/machine/machine.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/layouts/fat_boot_sector_layout.h"
#include "platform/win/devices/device_io.h"
#include "platform/win/files/files.h"
#include "platform/win/layouts/address_tokens.h"
#include "platform/win/layouts/aspi_layout.h"
#include "platform/win/system/last_error.h"
#include "platform/win/modules/modules.h"
#include "platform/win/layouts/pass_through_layout.h"
#include "tests/support/test_data_folder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace machine::test_support {

// An image whose sector n begins with n as a little-endian u32, the rest zero.
inline std::filesystem::path WriteNumberedImage(const std::string& name, std::uint64_t sectors) {
  const auto path = tarnlok::test_support::TestDataHome() / name;
  std::vector<std::uint8_t> bytes(sectors * kSectorSize, 0);
  for (std::uint64_t n = 0; n < sectors; ++n) win::WriteLe32(bytes, n * kSectorSize, static_cast<win::DWORD>(n));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Puts a master boot record with one partition entry into sector 0 of an image.
inline void WriteMbr(const std::filesystem::path& image, std::uint32_t start, std::uint32_t count,
                     std::uint8_t type = 0x06) {
  std::vector<std::uint8_t> sector(kSectorSize, 0);
  namespace table = win::partition_table;
  sector[table::kFirstEntry + table::kStatus] = 0x80;
  sector[table::kFirstEntry + table::kType] = type;
  win::WriteLe32(sector, table::kFirstEntry + table::kFirstSector, start);
  win::WriteLe32(sector, table::kFirstEntry + table::kSectorCount, count);
  win::WriteLe16(sector, win::bpb::kSignatureAt, win::bpb::kSignature);
  std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
  file.write(reinterpret_cast<const char*>(sector.data()), static_cast<std::streamsize>(sector.size()));
}

inline MachineDescription Describe(const std::string& json) {
  return ParseMachineDescription(json, tarnlok::test_support::TestDataHome());
}

// The sector number a numbered image wrote at the start of a buffer.
inline std::uint32_t SectorMark(const std::vector<std::uint8_t>& data, std::size_t offset = 0) {
  return win::ReadLe32(data, offset);
}

inline win::HANDLE OpenDevice(const std::string& name, win::DWORD access = win::GENERIC_READ | win::GENERIC_WRITE,
                              win::DWORD share = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE) {
  return win::CreateFileA(("\\\\.\\" + name).c_str(), access, share, nullptr, win::OPEN_EXISTING, 0, nullptr);
}

// What came back of one pass-through command.
struct ScsiAnswer {
  win::BOOL delivered = win::FALSE;
  win::DWORD error = 0;  // the last error when not delivered
  std::uint8_t status = 0;
  std::uint32_t transferred = 0;
  std::uint8_t senseLength = 0;
  std::vector<std::uint8_t> sense;
  std::vector<std::uint8_t> data;

  std::uint8_t SenseKey() const { return sense.size() > 2 ? sense[2] : 0; }
  std::uint8_t Asc() const { return sense.size() > 12 ? sense[12] : 0; }
};

constexpr std::size_t kSenseOffset = 44;
constexpr std::size_t kDataOffset = 62;

// Sends one command as the system does: a 62-byte head (sense at 44, data at 62), data in
// (direction 1), out (0) or none (2), 20-second time-out.
inline ScsiAnswer SendScsi(win::HANDLE device, const std::vector<std::uint8_t>& cdb, std::uint32_t dataLength,
                           win::BYTE direction = win::SCSI_IOCTL_DATA_IN,
                           const std::vector<std::uint8_t>& dataOut = {}) {
  namespace spt = win::scsi_pass_through;
  std::vector<std::uint8_t> block(kDataOffset + dataLength, 0);
  win::WriteLe16(block, spt::kLength, spt::kHeaderSize);
  win::WriteU8(block, spt::kCdbLength, static_cast<win::BYTE>(cdb.size()));
  win::WriteU8(block, spt::kSenseInfoLength, 18);
  win::WriteU8(block, spt::kDataIn, direction);
  win::WriteLe32(block, spt::kDataTransferLength, dataLength);
  win::WriteLe32(block, spt::kTimeOutValue, 20);
  win::WriteLe32(block, spt::kDataBufferOffset, kDataOffset);
  win::WriteLe32(block, spt::kSenseInfoOffset, kSenseOffset);
  std::copy(cdb.begin(), cdb.end(), block.begin() + spt::kCdb);
  std::copy(dataOut.begin(), dataOut.end(), block.begin() + kDataOffset);
  win::DWORD returned = 0;
  ScsiAnswer answer;
  const auto size = static_cast<win::DWORD>(block.size());
  answer.delivered = win::DeviceIoControl(device, win::IOCTL_SCSI_PASS_THROUGH, block.data(), size, block.data(), size,
                                          &returned, nullptr);
  answer.error = answer.delivered ? 0 : win::GetLastError();
  answer.status = block[spt::kScsiStatus];
  answer.transferred = win::ReadLe32(block, spt::kDataTransferLength);
  answer.senseLength = block[spt::kSenseInfoLength];
  answer.sense.assign(block.begin() + kSenseOffset, block.begin() + kDataOffset);
  answer.data.assign(block.begin() + kDataOffset, block.end());
  return answer;
}

// What came back of one ATA command (IDE pass-through or the card driver's request 10).
struct AtaAnswer {
  win::BOOL delivered = win::FALSE;
  win::DWORD error = 0;  // the last error when not delivered
  win::DWORD returned = 0;
  std::uint8_t status = 0;
  std::uint8_t errorRegister = 0;
  std::vector<std::uint8_t> data;
};

struct TaskFileBytes {
  std::uint8_t features = 0, count = 0, number = 0, cylinderLow = 0, cylinderHigh = 0, head = 0xA0, command = 0;
};

// IOCTL_IDE_PASS_THROUGH with a data area of dataSize bytes (dataOut copied into it).
inline AtaAnswer SendIde(win::HANDLE device, const TaskFileBytes& file, std::uint32_t dataSize,
                         const std::vector<std::uint8_t>& dataOut = {}) {
  std::vector<std::uint8_t> record(12 + std::max<std::size_t>(dataSize, dataOut.size()), 0);
  const std::uint8_t registers[] = {file.features,     file.count, file.number, file.cylinderLow,
                                    file.cylinderHigh, file.head,  file.command};
  for (std::size_t i = 0; i < std::size(registers); ++i) record[i] = registers[i];
  win::WriteLe32(record, 8, dataSize);
  // Index by index: the compiler's bounds analysis misreads a copy into the data area.
  for (std::size_t i = 0; i < dataOut.size(); ++i) record[12 + i] = dataOut[i];
  AtaAnswer answer;
  const auto size = static_cast<win::DWORD>(record.size());
  answer.delivered = win::DeviceIoControl(device, win::IOCTL_IDE_PASS_THROUGH, record.data(), size, record.data(), size,
                                          &answer.returned, nullptr);
  answer.error = answer.delivered ? 0 : win::GetLastError();
  answer.status = record[6];
  answer.errorRegister = record[0];
  answer.data.assign(record.begin() + 12, record.end());
  return answer;
}

// The card driver's request 10 on the node at nodeAddress, with a buffer of byteCount bytes
// (dataOut copied into it) named by an address token.
inline AtaAnswer SendDriverAta(win::HANDLE driver, win::DWORD nodeAddress, const TaskFileBytes& file,
                               std::uint32_t byteCount, win::DWORD transfer,
                               const std::vector<std::uint8_t>& dataOut = {}) {
  std::vector<std::uint8_t> buffer(byteCount, 0);
  std::copy_n(dataOut.begin(), std::min(dataOut.size(), buffer.size()), buffer.begin());
  const win::AddressRegistration registration(buffer.data(), buffer.size());
  std::vector<std::uint8_t> request(26, 0);
  win::WriteLe32(request, 0, nodeAddress);
  const std::uint8_t registers[] = {file.features,     file.count, file.number, file.cylinderLow,
                                    file.cylinderHigh, file.head,  file.command};
  std::copy(std::begin(registers), std::end(registers), request.begin() + 4);
  win::WriteLe32(request, 11, byteCount == 0 ? 0 : registration.token());
  win::WriteLe32(request, 15, byteCount);
  win::WriteLe32(request, 19, transfer);
  AtaAnswer answer;
  answer.delivered =
      win::DeviceIoControl(driver, 10, request.data(), 26, request.data(), 26, &answer.returned, nullptr);
  answer.error = answer.delivered ? 0 : win::GetLastError();
  answer.status = request[10];
  answer.errorRegister = request[4];
  answer.data = buffer;
  return answer;
}

// One SCSI command through WNASPI32.DLL (SRB_ExecSCSICmd) at host, target 0, LUN 0, answered in
// the pass-through's terms: status is the target status, the sense comes from the request's
// sense area; transferred is not reported by ASPI and stays 0. aspiStatus keeps SRB_Status.
inline ScsiAnswer SendAspi(std::uint8_t host, const std::vector<std::uint8_t>& cdb, std::uint32_t dataLength,
                           win::BYTE direction = win::SCSI_IOCTL_DATA_IN, const std::vector<std::uint8_t>& dataOut = {},
                           std::uint8_t* aspiStatus = nullptr) {
  using Send = win::DWORD (*)(void*);
  const win::HMODULE module = win::LoadLibraryA("WNASPI32.DLL");
  const auto send = reinterpret_cast<Send>(win::GetProcAddress(module, "SendASPI32Command"));
  ScsiAnswer answer;
  if (send == nullptr) return answer;
  std::vector<std::uint8_t> data(dataLength, 0);
  std::copy_n(dataOut.begin(), std::min(dataOut.size(), data.size()), data.begin());
  const win::AddressRegistration registration(data.data(), data.size());
  namespace aspi = win::aspi;
  constexpr std::uint8_t kSenseBytes = 14;
  std::vector<std::uint8_t> block(aspi::kExecSize, 0);
  const std::uint8_t flags = direction == win::SCSI_IOCTL_DATA_IN    ? aspi::kDataIn
                             : direction == win::SCSI_IOCTL_DATA_OUT ? aspi::kDataOut
                                                                     : aspi::kNoData;
  block[aspi::kCommand] = aspi::kExecuteScsi;
  block[aspi::kStatus] = 0xFF;
  block[aspi::kHost] = host;
  block[aspi::kFlags] = flags;
  win::WriteLe32(block, aspi::kBufferLength, dataLength);
  win::WriteLe32(block, aspi::kBufferPointer, registration.token());
  block[aspi::kSenseLength] = kSenseBytes;
  block[aspi::kCdbLength] = static_cast<std::uint8_t>(cdb.size());
  std::copy(cdb.begin(), cdb.end(), block.begin() + aspi::kCdb);
  send(block.data());
  win::FreeLibrary(module);
  const std::uint8_t status = block[aspi::kStatus];
  if (aspiStatus != nullptr) *aspiStatus = status;
  answer.delivered = status == aspi::kStatusDone || status == aspi::kStatusError ? win::TRUE : win::FALSE;
  answer.status = block[aspi::kTargetStatus];
  answer.sense.assign(block.begin() + aspi::kSenseArea, block.end());
  answer.senseLength = status == aspi::kStatusError ? kSenseBytes : 0;
  answer.data = data;
  return answer;
}

// The addresses of the card driver's device nodes in chain order, from a fresh request 1.
inline std::vector<win::DWORD> DriverNodes(win::HANDLE driver) {
  namespace layout = win::card_driver_layout;
  win::DWORD anchor = 0;
  win::DWORD returned = 0;
  std::vector<win::DWORD> nodes;
  if (!win::DeviceIoControl(driver, 1, nullptr, 0, &anchor, 4, &returned, nullptr)) return nodes;
  const auto* first = static_cast<const std::uint8_t*>(win::ResolveAddressToken(anchor, layout::kAnchorSize));
  win::DWORD next =
      first == nullptr ? 0 : win::ReadLe32(std::span(first, layout::kAnchorSize), layout::kAnchorFirstNode);
  while (next != 0 && nodes.size() < 26) {
    nodes.push_back(next);
    const auto* node = static_cast<const std::uint8_t*>(win::ResolveAddressToken(next, layout::kNodeSize));
    next = node == nullptr ? 0 : win::ReadLe32(std::span(node, layout::kNodeSize), layout::kNodeNext);
  }
  return nodes;
}

}  // namespace machine::test_support
