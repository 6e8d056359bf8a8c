#include "shell/device_rows.h"

#include <array>
#include <cstring>
#include <utility>

namespace tarnlok {
namespace {

constexpr int kOtherImage = 4;
constexpr int kBusCardImage = 5;

constexpr std::array<std::pair<win::BYTE, int>, 6> kImageOfKind = {{
    {kMmcSd, 0},
    {kSmartMedia, 1},
    {kSmartMediaReader, 1},
    {kCompactFlash, 2},
    {kMemoryStick, 3},
    {kMemoryStickReader, 3},
}};

std::string FieldText(const char* field, std::size_t size) {
  std::size_t length = 0;
  while (length < size && field[length] != '\0') ++length;
  return std::string(field, length);
}

}  // namespace

int DeviceImageIndex(const DeviceEntry& entry) {
  int image = kOtherImage;
  for (const auto& [kind, index] : kImageOfKind) {
    if (entry.deviceKind == kind) image = index;
  }
  if (entry.otherMakerFlag != 0) image = kOtherImage;
  const bool busReader = entry.busKind == kBusIde || entry.busKind == kBusPcmcia;
  if (busReader && (entry.deviceKind == kMmcSd || entry.deviceKind == kCompactFlash)) image = kBusCardImage;
  return image;
}

void RenameBusVendor(DeviceEntry& entry) {
  if (entry.otherMakerFlag != 0) return;
  static_assert(sizeof(entry.vendor) >= sizeof("PCMCIA "));
  if (entry.busKind == kBusIde) std::memcpy(entry.vendor, "IDE ", sizeof("IDE "));
  if (entry.busKind == kBusPcmcia) std::memcpy(entry.vendor, "PCMCIA ", sizeof("PCMCIA "));
}

std::string DeviceRowText(const DeviceEntry& entry) {
  return "(" + std::string(1, entry.driveLetter) + ":) " + FieldText(entry.vendor, sizeof(entry.vendor)) + " " +
         FieldText(entry.product, sizeof(entry.product));
}

}  // namespace tarnlok
