// A stand-in ASPI manager for the Windows 9x tests: devices at host, target and LUN answer
// INQUIRY, TEST UNIT READY, READ CAPACITY, MODE SENSE and the vendor status command; it fills
// the built-in WNASPI32.DLL's two entry points while it lives.
#pragma once

#include "platform/win/system/types.h"

#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace tarnlok::test_support {

struct AspiDevice {
  std::string vendor = "Kestro  ";
  std::string product = "USB Reader      ";
  std::string revision = "1.00";
  win::DWORD inquiryStatus = 0;
  bool vendorCommands = false;  // the maker's command-first form
  win::DWORD statusWord = 0;
  win::DWORD sectors = 0;  // 0: no card
};

class StandInAspi {
 public:
  StandInAspi();
  ~StandInAspi();
  StandInAspi(const StandInAspi&) = delete;
  StandInAspi& operator=(const StandInAspi&) = delete;

  void Add(win::BYTE host, win::BYTE target, win::BYTE lun, AspiDevice device);
  std::vector<std::string> adapterNames{"KSXHOST0"};  // one per host adapter
  bool postRoutineCalls = true;  // false: requests complete without posting
  bool refuseAtOnce = false;  // every request gets an error status at once
  int requests = 0;
  std::vector<win::BYTE> flags;  // the direction and posting flags of each executed request
  std::vector<win::DWORD> bufferLengths;

  // The request block handler behind SendASPI32Command.
  win::DWORD Send(win::BYTE* block);

 private:
  void Execute(win::BYTE* block);
  std::map<std::tuple<win::BYTE, win::BYTE, win::BYTE>, AspiDevice> devices_;
};

}  // namespace tarnlok::test_support
