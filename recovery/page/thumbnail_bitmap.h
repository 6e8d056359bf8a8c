// The 80 x 80 picture of a recovered file in the Recovery page's results list: the pixels the
// engine made of the picture, or the placeholder bitmap.
#pragma once

#include "platform/ui/windows/ui_types.h"
#include "recovery/recovery_observer.h"

namespace tarnlok {

// A new bitmap the caller deletes; null when neither the picture nor the placeholder loads.
ui::HBITMAP MakeThumbnailBitmap(const recovery::Thumbnail& thumbnail);

}  // namespace tarnlok
