#include "platform/machine/reader/vendor_command_form.h"

#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/reader_vendor_commands.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

struct GenerationForms {
  Firmware firmware;
  VendorForm nt;
  VendorForm win9x;
};

// The older readers' NT driver turned the block round; on Windows 9x every generation but the
// wide one takes the command-first form.
constexpr std::array kGenerationForms{
    GenerationForms{Firmware::Older, VendorForm::CommandLast, VendorForm::CommandFirst},
    GenerationForms{Firmware::Newer, VendorForm::CommandFirst, VendorForm::CommandFirst},
    GenerationForms{Firmware::Wide, VendorForm::Wide, VendorForm::Wide},
};

constexpr std::size_t kShortBlock = 8;
constexpr std::size_t kTenByteBlock = 10;
constexpr std::size_t kWideBlock = 12;

bool IsSubCommand(std::uint8_t value) { return value >= win::kVendorFirstSubCommand; }

std::optional<VendorCommand> CommandFirst(std::span<const std::uint8_t> cdb) {
  const bool length = cdb.size() == kShortBlock || cdb.size() == kTenByteBlock;
  if (!length || cdb[0] != win::kScsiVendorCommand || !IsSubCommand(cdb[1])) return std::nullopt;
  return VendorCommand{VendorForm::CommandFirst, cdb[1], win::ReadBe32(cdb, 2), win::ReadBe16(cdb, 6), 0};
}

std::optional<VendorCommand> CommandLast(std::span<const std::uint8_t> cdb) {
  if (cdb.size() != kShortBlock || !IsSubCommand(cdb[7])) return std::nullopt;
  const auto length = static_cast<std::uint16_t>((cdb[6] << 8) | cdb[0]);
  return VendorCommand{VendorForm::CommandLast, cdb[7], win::ReadBe32(cdb, 1), length, 0};
}

std::optional<VendorCommand> Wide(std::span<const std::uint8_t> cdb) {
  if (cdb.size() != kWideBlock || cdb[0] != win::kScsiVendorCommand || cdb[1] != 0 || !IsSubCommand(cdb[9])) {
    return std::nullopt;
  }
  return VendorCommand{VendorForm::Wide, cdb[9], win::ReadBe32(cdb, 2), win::ReadBe16(cdb, 6), cdb[8]};
}

}  // namespace

std::optional<VendorForm> AcceptedForm(Firmware firmware, Road road) {
  const auto* found = std::find_if(kGenerationForms.begin(), kGenerationForms.end(),
                                   [firmware](const GenerationForms& entry) { return entry.firmware == firmware; });
  if (found == kGenerationForms.end()) return std::nullopt;
  return road == Road::Nt ? found->nt : found->win9x;
}

bool IsVendorBlock(std::span<const std::uint8_t> cdb) {
  if (cdb.size() == kTenByteBlock) return cdb[0] == win::kScsiVendorCommand;
  return cdb.size() == kShortBlock || cdb.size() == kWideBlock;
}

std::optional<VendorCommand> DecodeVendorCommand(std::span<const std::uint8_t> cdb, VendorForm form) {
  switch (form) {
    case VendorForm::CommandFirst: return CommandFirst(cdb);
    case VendorForm::CommandLast: return CommandLast(cdb);
    case VendorForm::Wide: return Wide(cdb);
    case VendorForm::AtaRegisters: return std::nullopt;  // never carried in a SCSI block of its own
  }
  return std::nullopt;
}

}  // namespace machine
