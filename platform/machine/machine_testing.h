// Helpers of the machine's tests: card images with numbered sectors, machines built from a
// JSON text in the test's data folder, and SCSI commands sent the way the system sends them
// (CreateFileA on the device, IOCTL_SCSI_PASS_THROUGH with the request block).
#pragma once

#include "platform/machine/machine.h"

#include "platform/win/byte_order.h"
#include "platform/win/device_io.h"
#include "platform/win/files.h"
#include "platform/win/last_error.h"
#include "platform/win/pass_through_layout.h"
#include "tests/support/test_data_folder.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace machine::testing {

// An image whose sector n begins with n as a little-endian u32, the rest zero.
inline std::filesystem::path WriteNumberedImage(const std::string& name, std::uint64_t sectors) {
  const auto path = tarnlok::testing::TestDataHome() / name;
  std::vector<std::uint8_t> bytes(sectors * kSectorSize, 0);
  for (std::uint64_t n = 0; n < sectors; ++n) win::WriteLe32(bytes, n * kSectorSize, static_cast<win::DWORD>(n));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  return path;
}

// Puts a master boot record with one partition entry into sector 0 of an image.
inline void WriteMbr(const std::filesystem::path& image, std::uint32_t start, std::uint32_t count,
                     std::uint8_t type = 0x06) {
  std::vector<std::uint8_t> sector(kSectorSize, 0);
  sector[446] = 0x80;
  sector[446 + 4] = type;
  win::WriteLe32(sector, 446 + 8, start);
  win::WriteLe32(sector, 446 + 12, count);
  win::WriteLe16(sector, 510, 0xAA55);
  std::fstream file(image, std::ios::binary | std::ios::in | std::ios::out);
  file.write(reinterpret_cast<const char*>(sector.data()), static_cast<std::streamsize>(sector.size()));
}

inline MachineDescription Describe(const std::string& json) {
  return ParseMachineDescription(json, tarnlok::testing::TestDataHome());
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

}  // namespace machine::testing
