#include "formatlib/fat/medium_probe.h"

#include "formatlib/command/library_messages.h"
#include "formatlib/command/mode_descriptor.h"
#include "formatlib/command/scsi_command.h"

#include "platform/ui/dialogs/message_box.h"
#include "platform/ui/windows/message_queue.h"
#include "platform/ui/windows/messages.h"
#include "platform/win/layouts/byte_order.h"
#include "platform/win/layouts/scsi_commands.h"
#include "platform/win/layouts/scsi_layout.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace pradvik {
namespace {

constexpr int kCapacityTries = 10;
constexpr std::size_t kFirstPartitionLba = 454;

namespace mode6 = win::mode_sense6;
namespace read_capacity = win::read_capacity;
using CapacityRecord = std::array<std::uint8_t, read_capacity::kSize>;

CardCapacity FromRecord(const CapacityRecord& record) {
  return {win::ReadBe32(record, read_capacity::kLastBlock), win::ReadBe32(record, read_capacity::kBlockLength)};
}

bool AllZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool ReadCapacityRecord(win::HANDLE handle, CapacityRecord& record) {
  constexpr std::array<std::uint8_t, 10> kReadCapacity{win::kScsiReadCapacity};
  ClearErrorText();
  for (int attempt = 0; attempt < kCapacityTries; ++attempt) {
    if (SendScsiCommandNoPrompt(handle, kReadCapacity, record.data(), record.size(), kDataIn) == 1) return true;
  }
  return false;
}

}  // namespace

std::optional<CardCapacity> ProbeCardCapacity(win::HANDLE volume) {
  constexpr std::uint8_t kModeLength = mode6::kHeaderSize + mode6::kBlockDescriptorSize;
  constexpr std::array<std::uint8_t, 6> kModeSense{win::kScsiModeSense6, 0, 0, 0, kModeLength, 0};
  std::array<std::uint8_t, kModeLength> mode{};
  ClearErrorText();
  for (int attempt = 0; attempt < kCapacityTries; ++attempt) {
    if (SendScsiCommandNoPrompt(volume, kModeSense, mode.data(), mode.size(), kDataIn) == 1) break;
  }
  if ((mode[mode6::kDeviceSpecific] & mode6::kWriteProtected) != 0) {
    ShowLibraryMessage(kStrWriteProtected, ui::MB_ICONSTOP);
    return std::nullopt;
  }
  CapacityRecord record{};
  if (!ReadCapacityRecord(volume, record) || AllZero(record)) CapacityFromDescriptor(mode, record);
  const CardCapacity capacity = FromRecord(record);
  if (capacity.lastLba == 0 || capacity.blockLength == 0) {
    ShowLibraryMessage(kStrNoMediaPresent, ui::MB_ICONSTOP);
    return std::nullopt;
  }
  return capacity;
}

CardCapacity ReadCardCapacity(win::HANDLE handle) {
  CapacityRecord record{};
  if (!ReadCapacityRecord(handle, record)) return {};
  return FromRecord(record);
}

void ShowCapacityText(win::HWND capacityWindow, const CardCapacity& capacity, std::uint32_t decimalLimit) {
  if (capacityWindow == nullptr) return;
  const std::uint32_t decimal = capacity.DecimalMb();
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), " %d MB",
                static_cast<int>(decimal <= decimalLimit ? decimal : capacity.BinaryMib()));
  ui::SendMessage(capacityWindow, ui::WM_SETTEXT, 0, reinterpret_cast<ui::LPARAM>(text.data()));
}

OldLayout ReadOldLayout(const SectorRoad& road, win::HWND stepWindow, BootAtSectorZero atZero,
                        std::size_t fatTextOffset) {
  OldLayout old;
  SetStepText(stepWindow, kStrStepReadMbr);
  if (!road.Read(0, old.mbr) || !EndsWithSignature(old.mbr)) {
    old.mbr.fill(0);
    return old;
  }
  const bool bootAtZero = (atZero == BootAtSectorZero::Kept && HasFatText(old.mbr, kFat16TypeNameOffset)) ||
                          (atZero == BootAtSectorZero::Recognised &&
                           (HasFatText(old.mbr, kFat16TypeNameOffset) || HasFatText(old.mbr, kFat32TypeNameOffset)));
  if (bootAtZero) {
    if (atZero == BootAtSectorZero::Kept) old.boot = old.mbr;
    old.bootFound = true;
    old.mbr.fill(0);
    return old;
  }
  const std::uint32_t partition = win::ReadLe32(old.mbr, kFirstPartitionLba);
  ClearPartitionTable(old.mbr);
  old.mbrKept = true;
  SetStepText(stepWindow, kStrStepReadDbr);
  old.bootFound = road.Read(partition, old.boot) && EndsWithSignature(old.boot) && HasFatText(old.boot, fatTextOffset);
  if (!old.bootFound) old.boot.fill(0);
  return old;
}

Sector NewMasterBootRecord(const OldLayout& old, bool enableBooting) {
  return enableBooting || !old.mbrKept ? MbrTemplate() : old.mbr;
}

Sector NewFat16BootRecord(const OldLayout& old, bool enableBooting, bool fat16Template) {
  Sector boot = enableBooting ? FreeDosTemplate(fat16Template) : old.bootFound ? old.boot : Sector{};
  if (!enableBooting) SetPlainJump(boot);
  WriteVolumeId(boot, kFat16SignatureOffset);
  return boot;
}

Sector NewFat32BootRecord(bool enableBooting) {
  Sector boot = Fat32Template();
  if (!enableBooting) SetPlainJump(boot);
  WriteVolumeId(boot, kFat32SignatureOffset);
  return boot;
}

}  // namespace pradvik
