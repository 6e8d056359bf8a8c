// The colours a dialog gives a control when it leaves WM_CTLCOLOR to the framework: the
// control's own object may colour itself (the links do), else the default handling answers.
#pragma once

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/windows/cwnd.h"

namespace tarnlok {

ui::HBRUSH DefaultControlColours(ui::CWnd& dialog, ui::CDC* dc, ui::CWnd* control, ui::UINT kind);

}  // namespace tarnlok
