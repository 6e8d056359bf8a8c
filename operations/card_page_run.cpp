#include "operations/card_page_run.h"

#include "device/device_list.h"
#include "device/device_messages.h"
#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/base_page.h"
#include "platform/ui/dialogs/message_box.h"

namespace tarnlok {

CardPageRun::CardPageRun(ui::CWnd& page, CBasePage* sheet, ui::CWnd& cancelButton, int blockValueId, int percentId,
                         ui::CProgressCtrl& bar)
    : progress_(page, blockValueId, percentId, bar), sheet_(sheet), cancelButton_(cancelButton) {}

DeviceEntry* CardPageRun::EntryOfRow(int row) {
  for (DeviceEntry* entry = DeviceListHead; row >= 0 && entry != nullptr; entry = entry->next) {
    if (entry->index == row) return entry;
  }
  return nullptr;
}

bool CardPageRun::BeforeBlock(win::DWORD blockNumber, win::ULONGLONG position) {
  if (CancelConfirmed()) return false;
  if (poll_.Due()) {
    if (!card_.StillThere()) {
      ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
      return false;
    }
    PumpSheetMessages(*sheet_, &cancelButton_);
  }
  progress_.Show(blockNumber, phaseStart_ + position);
  return true;
}

bool CardPageRun::BeforeWrite() {
  if (CancelConfirmed()) return false;
  if (poll_.Due()) PumpSheetMessages(*sheet_, &cancelButton_);
  return true;
}

bool CardPageRun::Step(win::UINT promptString, const std::function<bool()>& command) {
  const StepResult result = RunPromptedCommand(prompt_, promptString, command, [this] { return card_.StillThere(); });
  if (result == StepResult::CardGone) ShowStringMessage(kStringNoMedia, ui::MB_ICONERROR);
  return result == StepResult::Done;
}

int ShowMessageText(const std::string& text, win::UINT type) {
  MessageText = text;
  return ShowDeviceMessage(text, type);
}

}  // namespace tarnlok
