#include "formatlib/command/vendor_block.h"

#include "formatlib/command/format_library_state.h"
#include "formatlib/command/scsi_command.h"

#include "platform/win/layouts/scsi_commands.h"

#include <pradvik_exports.h>

namespace pradvik {

bool IsNewerKind(std::uint8_t deviceKind) {
  return deviceKind == kKindNewerSmartMedia || deviceKind == kKindNewerMemoryStick || deviceKind == kKindMemoryStickPro;
}

VendorBlock SimpleVendorBlock(std::uint8_t deviceKind, std::uint8_t command, std::uint8_t olderByte0) {
  if (IsNewerKind(deviceKind)) return {win::kScsiVendorCommand, command, 0, 0, 0, 0, 0, 0};
  return OlderReaderBlock({olderByte0, 0, 0, 0, 0, 0xB0, 0, command});
}

VendorBlock OlderReaderBlock(const VendorBlock& commandLast) {
  if (!IsWindows9xClass(LibraryState().osKind)) return commandLast;
  return {win::kScsiVendorCommand, commandLast[7], commandLast[1], commandLast[2],
          commandLast[3],          commandLast[4], commandLast[6], commandLast[0]};
}

std::uint8_t SendVendorBlock(win::HANDLE handle, std::uint8_t transportKind, const VendorBlock& block,
                             std::uint8_t* data, std::uint32_t length, std::uint8_t direction, bool prompt,
                             std::uint8_t twelveByteLength) {
  const auto send = prompt ? SendScsiCommand : SendScsiCommandNoPrompt;
  if (transportKind != kTransportTwelveByte) return send(handle, block, data, length, direction);
  std::array<std::uint8_t, 12> extended{};
  extended[8] = twelveByteLength;
  ToExtendedCdb(extended, block);
  return send(handle, extended, data, length, direction);
}

std::uint32_t ReplyLength(std::uint8_t transportKind, int wideStatus, std::uint32_t usual) {
  return transportKind == kTransportTwelveByte && wideStatus != 0 ? 6 : usual;
}

bool IsScsiTransport(std::uint8_t transportKind) {
  return transportKind == kTransportEightByte || transportKind == kTransportTwelveByte;
}

}  // namespace pradvik
