// The roads a test sends commands by, as the machine's Windows version offers them: SCSI blocks
// through pass-through (NT family) or ASPI (Windows 9x); ATA task files through IDE
// pass-through (2000, XP), inside SCSI blocks (NT4) or by the card driver's request 10
// (Windows 9x). Answers come back in the terms every road shares.
#pragma once

#include "platform/machine/testing/machine_testing.h"

#include <optional>
#include <string>
#include <vector>

namespace machine::test_support {

struct RoadAnswer {
  bool delivered = false;
  bool failed = false;
  std::optional<std::uint8_t> errorRegister;  // none on the SCSI roads
  std::vector<std::uint8_t> data;
};

class MachineRoads {
 public:
  // Call once the machine is installed.
  explicit MachineRoads(std::string windows) : windows_(std::move(windows)) {
    if (!Win9x()) return;
    driver_ = OpenDevice("TARNLOK.VXD");
    nodes_ = DriverNodes(driver_);
  }
  ~MachineRoads() {
    if (driver_ != win::INVALID_HANDLE_VALUE) win::CloseHandle(driver_);
  }
  MachineRoads(const MachineRoads&) = delete;
  MachineRoads& operator=(const MachineRoads&) = delete;

  bool Win9x() const { return windows_ == "98" || windows_ == "95" || windows_ == "95osr2" || windows_ == "me"; }

  // An ATA command to the reader on letter, the node-th of the card driver's chain on 9x.
  RoadAnswer Ata(char letter, std::size_t node, const TaskFileBytes& file, std::uint32_t size, bool writes,
                 const std::vector<std::uint8_t>& out = {}) const {
    std::vector<std::uint8_t> data(out);
    data.resize(writes ? size : 0, 0x5A);
    if (Win9x()) {
      const auto answer = SendDriverAta(driver_, nodes_.at(node), file, size,
                                        size == 0 ? 0
                                        : writes  ? 0x400000
                                                  : 0x200000,
                                        data);
      return {answer.delivered != 0, (answer.status & 1) != 0, answer.errorRegister, answer.data};
    }
    const auto handle = OpenDevice(std::string(1, letter) + ":");
    RoadAnswer result;
    if (windows_ == "nt4") {
      const auto direction = writes      ? win::SCSI_IOCTL_DATA_OUT
                             : size == 0 ? win::SCSI_IOCTL_DATA_UNSPECIFIED
                                         : win::SCSI_IOCTL_DATA_IN;
      const auto answer = SendScsi(
          handle,
          {0x20, file.command, file.count, file.number, file.cylinderLow, file.cylinderHigh, file.features, file.head},
          size, direction, data);
      result = {answer.delivered != 0, answer.status != 0, std::nullopt, answer.data};
    } else {
      const auto answer = SendIde(handle, file, size, data);
      result = {answer.delivered != 0, (answer.status & 1) != 0, answer.errorRegister, answer.data};
    }
    win::CloseHandle(handle);
    return result;
  }

  // A SCSI block to the reader on letter, ASPI's host adapter host on 9x.
  ScsiAnswer Scsi(char letter, std::uint8_t host, const std::vector<std::uint8_t>& cdb, std::uint32_t length,
                  win::BYTE direction = win::SCSI_IOCTL_DATA_IN, const std::vector<std::uint8_t>& out = {}) const {
    if (Win9x()) return SendAspi(host, cdb, length, direction, out);
    const auto handle = OpenDevice(std::string(1, letter) + ":");
    auto answer = SendScsi(handle, cdb, length, direction, out);
    win::CloseHandle(handle);
    return answer;
  }

 private:
  std::string windows_;
  win::HANDLE driver_ = win::INVALID_HANDLE_VALUE;
  std::vector<win::DWORD> nodes_;
};

}  // namespace machine::test_support
