#include "recovery/page/thumbnail_bitmap.h"

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/resources.h"
#include "controls/resource_ids.h"

namespace tarnlok {

ui::HBITMAP MakeThumbnailBitmap(const recovery::Thumbnail& thumbnail) {
  constexpr auto kSide = recovery::kThumbnailSide;
  if (!thumbnail.placeholder && thumbnail.pixels.size() == static_cast<std::size_t>(kSide * kSide)) {
    if (const ui::HBITMAP bitmap = ui::CreateBitmap(kSide, kSide, 1, 32, thumbnail.pixels.data())) return bitmap;
  }
  return ui::LoadBitmapA(nullptr, kPlaceholderBitmap);
}

}  // namespace tarnlok
