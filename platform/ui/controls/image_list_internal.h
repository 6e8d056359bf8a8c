// Qt access to image lists for the framework's own controls.
#pragma once

#include "platform/ui/image_list.h"

#include <QImage>

namespace ui {

// The image at index with its transparency, or a null image.
QImage ImageListImage(HIMAGELIST list, int index);

}  // namespace ui
