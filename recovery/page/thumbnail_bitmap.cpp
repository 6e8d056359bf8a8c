#include "recovery/page/thumbnail_bitmap.h"

#include "imaging/dib_image.h"
#include "platform/ui/gdi/gdi.h"
#include "platform/ui/resources/resources.h"
#include "shell/resource_ids.h"

#include <cstdlib>
#include <vector>

namespace tarnlok {
namespace {

ui::HBITMAP StretchedPicture(const imaging::CDibImage& picture, const recovery::Thumbnail& placed) {
  const int width = picture.Width();
  const int height = std::abs(picture.Height());
  if (picture.DibBlock() == nullptr || width <= 0 || height <= 0 || placed.width <= 0 || placed.height <= 0)
    return nullptr;
  std::vector<std::uint32_t> pixels(kThumbnailSide * kThumbnailSide, 0);
  for (int y = 0; y < placed.height; ++y) {
    const int fromTop = y * height / placed.height;
    const int row = picture.Height() > 0 ? height - 1 - fromTop : fromTop;
    for (int x = 0; x < placed.width; ++x) {
      const imaging::RgbQuad colour = picture.PixelColorAt(x * width / placed.width, row);
      const auto at = static_cast<std::size_t>((placed.top + y) * kThumbnailSide + placed.left + x);
      pixels[at] =
          static_cast<std::uint32_t>(colour.red) << 16 | static_cast<std::uint32_t>(colour.green) << 8 | colour.blue;
    }
  }
  return ui::CreateBitmap(kThumbnailSide, kThumbnailSide, 1, 32, pixels.data());
}

}  // namespace

ui::HBITMAP MakeThumbnailBitmap(const std::string& path, const recovery::Thumbnail& thumbnail) {
  ui::HBITMAP bitmap = nullptr;
  if (!thumbnail.placeholder) {
    try {
      const imaging::CDibImage picture(path.c_str(), static_cast<imaging::ImageFormat>(thumbnail.kind));
      bitmap = StretchedPicture(picture, thumbnail);
    } catch (...) {
      // A picture that cannot be decoded now gets the placeholder.
    }
  }
  return bitmap != nullptr ? bitmap : ui::LoadBitmapA(nullptr, kPlaceholderBitmap);
}

}  // namespace tarnlok
