#include "operations/refresh_restore_page.h"

#include "device/device_state.h"
#include "operations/operation_refresh.h"
#include "operations/operation_state.h"
#include "operations/rest_page.h"
#include "shell/shell_state.h"

namespace tarnlok {
namespace {

namespace controls = restore_page;

constexpr ControlText kTexts[] = {
    {controls::kDeviceInfoLabel, 1226},   {controls::kDeviceLabel, 1200},      {controls::kCapacityLabel, 1199},
    {controls::kFileNameLabel, 1059},     {controls::kTotalBlocksLabel, 1041}, {controls::kCurrentBlockLabel, 1042},
    {controls::kActivityText, 1066},      {controls::kHelpButton, 1056},       {controls::kRestoreButton, 1067},
    {controls::kProgressInfoLabel, 1225}, {controls::kCancelButton, 1224}};

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
