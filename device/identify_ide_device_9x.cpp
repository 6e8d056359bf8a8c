#include "device/card_driver.h"
#include "device/device_entry.h"
#include "device/drive_handle.h"
#include "device/enum_devices_9x.h"
#include "device/identify_fields.h"
#include "platform/win/layouts/card_driver_layout.h"
#include "platform/win/files/files.h"

#include <array>
#include <cstring>

namespace tarnlok {
namespace {

namespace layout = win::card_driver_layout;

constexpr std::size_t kModelTextSize = 45;
constexpr std::size_t kCardTypeTextSize = 17;

bool Qualifies(const DriverNode& node) {
  const bool portDevice =
      (node.SecondFlags() & layout::kSecondFlagsPortDevice) != 0 && (node.Flags() & layout::kNodeNoPortAccess) == 0;
  return (node.DriverStatus() & layout::kDriverStatusIde) != 0 || (node.Flags() & layout::kNodeIdeChannel) != 0 ||
         portDevice;
}

bool IdentifyAt(win::HANDLE driver, const DriverNode& node, win::BYTE driveSelect, std::array<win::BYTE, 512>& data) {
  const bool portDevice =
      (node.SecondFlags() & layout::kSecondFlagsPortDevice) != 0 && (node.Flags() & layout::kNodeNoPortAccess) == 0;
  if (portDevice) return SendPortIdentifyRequest(driver, driveSelect, data);
  const TaskFile taskFile{0, 1, 0, 0, 0, driveSelect, kAtaIdentify};
  const DriverAnswer answer = SendDriverAtaRequest(driver, node.Address(), taskFile, data.data(), 512, 0x200000);
  return answer.delivered && (answer.status & kAtaStatusError) == 0;
}

}  // namespace

int IdentifyIdeDevice9x(const DriverNode& node, win::BYTE* deviceKind, win::BYTE* readerKind, char* modelText,
                        char* cardTypeText, win::BYTE* driveSelect) {
  const DriveHandle driver(win::CreateFileA(kCardDriverName, win::GENERIC_READ | win::GENERIC_WRITE,
                                            win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr, win::OPEN_EXISTING,
                                            win::FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!Qualifies(node)) return 0;
  std::array<win::BYTE, 512> data{};
  win::BYTE select = kAtaMaster;
  if (!IdentifyAt(driver.get(), node, select, data)) {
    select = kAtaSlave;
    if (!IdentifyAt(driver.get(), node, select, data)) {
      select = kAtaMaster;
      data.fill(0);
    }
  }
  if (driveSelect != nullptr) *driveSelect = select;
  if (modelText != nullptr) {
    const std::string model = IdentifyModel(data);
    std::memset(modelText, 0, kModelTextSize);
    std::memcpy(modelText, model.data(), model.size());
  }
  if (!IdentifyModelValid(data)) return 0;
  if (const auto card = CardTypeFromFlags(CardFlags(data))) {
    if (deviceKind != nullptr) *deviceKind = card->deviceKind;
    if (readerKind != nullptr && card->readerKind) *readerKind = *card->readerKind;
    if (cardTypeText != nullptr) {
      std::strncpy(cardTypeText, card->text, kCardTypeTextSize - 1);
      cardTypeText[kCardTypeTextSize - 1] = '\0';
    }
  }
  return 1;
}

}  // namespace tarnlok
