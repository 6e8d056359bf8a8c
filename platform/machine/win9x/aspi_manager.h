// The ASPI manager WNASPI32.DLL of a Windows 9x machine: the readers that ASPI reaches (USB
// readers and LS-120 drives), each on a host adapter of its own at target 0, LUN 0, in
// description order. GetASPI32SupportInfo answers the host count with status 1 (0xE8 and no
// hosts when there are none). SendASPI32Command takes:
//   SC_HA_INQUIRY (0)     the host adapter count at 8, the manager "ASPI for WIN32" at 10 and
//                         the adapter's identifier (card_driver_chain.h AspiAdapterName) at 26
//   SC_GET_DEV_TYPE (1)   peripheral type 0 at 10 for the device at target 0, LUN 0
//   SC_EXEC_SCSI_CMD (2)  one SCSI command on the reader's firmware, with the buffer named by
//                         a 32-bit address token; it completes before the call returns, and
//                         with SRB_POSTING the post routine (a token naming a pointer to it) is
//                         called. A CHECK CONDITION gives status 4 with target status 2 and the
//                         sense in the request's sense area.
// Status values: 1 done, 4 error (host status 0x11 when no device answers the address),
// 0x81 unknown host adapter, 0x82 no device, 0xE0 a request that does not add up.
// Not provided: SC_ABORT_SRB, SC_RESET_DEV, event notification.
#pragma once

#include "platform/machine/reader.h"

#include "platform/win/types.h"

#include <memory>
#include <vector>

namespace machine {

class AspiManager {
 public:
  explicit AspiManager(const std::vector<std::shared_ptr<Reader>>& readers);
  ~AspiManager();
  AspiManager(const AspiManager&) = delete;
  AspiManager& operator=(const AspiManager&) = delete;

  // Fills WNASPI32.DLL's entry points with this manager, or empties them again.
  void Install();
  void Uninstall();

  win::DWORD SupportInfo() const;
  win::DWORD Send(win::BYTE* request);

 private:
  win::DWORD HostAdapterInquiry(win::BYTE* request) const;
  win::DWORD DeviceType(win::BYTE* request) const;
  win::DWORD ExecuteScsi(win::BYTE* request);
  std::shared_ptr<Reader> DeviceAt(win::BYTE host, win::BYTE target, win::BYTE lun) const;

  std::vector<std::shared_ptr<Reader>> hosts_;
};

}  // namespace machine
