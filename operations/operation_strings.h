// String numbers of the restore and duplicate runs.
#pragma once

#include "platform/win/system/types.h"

namespace tarnlok {

constexpr win::UINT kStringReadFailed = 1076;
constexpr win::UINT kStringExtraDataUnreadable = 1086;
constexpr win::UINT kStringRedundantUnreadable = 1087;
constexpr win::UINT kStringWriteFailed = 1092;
constexpr win::UINT kStringEraseFailed = 1107;

}  // namespace tarnlok
