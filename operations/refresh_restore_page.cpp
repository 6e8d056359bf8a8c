#include "operations/refresh_restore_page.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/operation_refresh.h"
#include "operations/operation_state.h"
#include "operations/rest_page.h"
#include "controls/control_ids.h"
#include "controls/shell_state.h"

namespace tarnlok {
namespace {

namespace controls = restore_page;

constexpr ControlText kTexts[] = {{kFirstGroupCaption, kStringDeviceInfoCaption},
                                  {controls::kDeviceLabel, kStringOperationDeviceLabel},
                                  {controls::kCapacityLabel, kStringOperationCapacityLabel},
                                  {controls::kFileNameLabel, kStringRestoreFileNameLabel},
                                  {controls::kTotalBlocksLabel, kStringTotalBlocks},
                                  {controls::kCurrentBlockLabel, kStringCurrentBlock},
                                  {controls::kActivityText, kStringRestoringToMedia},
                                  {controls::kHelpButton, kStringHelp},
                                  {controls::kRestoreButton, kStringRestoreTool},
                                  {kSecondGroupCaption, kStringProgressInfoCaption},
                                  {controls::kCancelButton, kStringCloseButton}};

}  // namespace

void RefreshRestorePage() {
  if (CurrentDevice == nullptr || ActivePageHwnd == nullptr) return;
  CancelRequested = 0;
  RefreshOperationPage(kTexts, OperationPageIds{controls::kCancelButton,
                                                {controls::kActivityText, controls::kPercentText},
                                                {controls::kProgressBar, controls::kTotalBlocksValue,
                                                 controls::kCurrentBlockValue, controls::kProgressFrame},
                                                controls::kCapacityValue,
                                                controls::kDeviceValue});
}

}  // namespace tarnlok
