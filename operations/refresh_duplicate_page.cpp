#include "operations/refresh_duplicate_page.h"

#include "device/device_state.h"
#include "operations/dup_page.h"
#include "operations/operation_refresh.h"
#include "operations/operation_state.h"
#include "shell/shell_state.h"

namespace tarnlok {
namespace {

namespace controls = duplicate_page;

constexpr ControlText kTexts[] = {
    {controls::kDeviceInfoLabel, 1226},  {controls::kDeviceLabel, 1200},       {controls::kCapacityLabel, 1199},
    {controls::kTotalBlocksLabel, 1041}, {controls::kCurrentBlockLabel, 1042}, {controls::kPhaseText, 1068},
    {controls::kHelpButton, 1056},       {controls::kDuplicateButton, 1069},   {controls::kProgressInfoLabel, 1225}};

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
