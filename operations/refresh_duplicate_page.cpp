#include "operations/refresh_duplicate_page.h"

#include "device/device_state.h"
#include "device/string_ids.h"
#include "operations/dup_page.h"
#include "operations/operation_refresh.h"
#include "operations/operation_state.h"
#include "controls/control_ids.h"
#include "controls/page_codes.h"
#include "controls/shell_state.h"

namespace tarnlok {
namespace {

namespace controls = duplicate_page;

constexpr ControlText kTexts[] = {{kFirstGroupCaption, kStringDeviceInfoCaption},
                                  {controls::kDeviceLabel, kStringOperationDeviceLabel},
                                  {controls::kCapacityLabel, kStringOperationCapacityLabel},
                                  {controls::kTotalBlocksLabel, kStringTotalBlocks},
                                  {controls::kCurrentBlockLabel, kStringCurrentBlock},
                                  {controls::kPhaseText, kStringReadingSource},
                                  {controls::kHelpButton, kStringHelp},
                                  {controls::kDuplicateButton, kStringDuplicateTool},
                                  {kSecondGroupCaption, kStringProgressInfoCaption}};

}  // namespace

void RefreshDuplicatePage() {
  if (CurrentDevice == nullptr || ActivePageHwnd == nullptr) return;
  CancelRequested = 0;
  CurrentPageCode = kDuplicatePageCode;
  RefreshOperationPage(kTexts,
                       OperationPageIds{controls::kCancelButton,
                                        {controls::kPhaseText},
                                        {controls::kPercentText, controls::kProgressBar, controls::kTotalBlocksValue,
                                         controls::kCurrentBlockValue, controls::kProgressFrame},
                                        controls::kCapacityValue,
                                        controls::kDeviceValue});
}

}  // namespace tarnlok
