// What the Restore and Duplicate pages' refresh routines share: captions from the string
// table, Cancel relabelled and hidden, the progress controls idle, the card queried through the
// current device (which rewrites its entry) and its name and capacity shown.
#pragma once

#include "controls/dialog_texts.h"

#include <initializer_list>
#include <span>

namespace tarnlok {

struct OperationPageIds {
  int cancelButton;
  std::initializer_list<int> hidden;
  std::initializer_list<int> disabled;
  int capacityValue;
  int deviceValue;
};

// Writes into the controls of ActivePageHwnd; stops after the message when the device cannot
// be opened.
void RefreshOperationPage(std::span<const ControlText> texts, const OperationPageIds& ids);

}  // namespace tarnlok
