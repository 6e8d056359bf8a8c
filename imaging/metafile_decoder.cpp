#include "imaging/metafile_decoder.h"

#include "imaging/decode_guard.h"
#include "imaging/image_file.h"
#include "imaging/metafile_source.h"
#include "platform/ui/gdi/cdc.h"
#include "platform/ui/gdi/dib.h"

#include <algorithm>
#include <utility>

namespace imaging {
namespace {

constexpr std::int64_t kLargestSide = 4000;
constexpr const char* kCorrupted = "corrupted WMF";

// The screen's device context for as long as the decoder needs it.
class ScreenDc final : public ui::CDC {
 public:
  ScreenDc() { Attach(ui::GetDC(nullptr)); }
  ~ScreenDc() override { ui::ReleaseDC(nullptr, Detach()); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
};

struct PixelSize {
  std::int32_t width;
  std::int32_t height;
};

// No side beyond 4000 pixels, the proportions kept; a side that the scaling would take to 0
// keeps one pixel, so that a very thin picture still has a bitmap.
PixelSize LimitedSize(std::int64_t width, std::int64_t height) {
  if (width > kLargestSide) {
    height = height * kLargestSide / width;
    width = kLargestSide;
  }
  if (height > kLargestSide) {
    width = width * kLargestSide / height;
    height = kLargestSide;
  }
  return PixelSize{static_cast<std::int32_t>(std::max<std::int64_t>(width, 1)),
                   static_cast<std::int32_t>(std::max<std::int64_t>(height, 1))};
}

}  // namespace

bool MetafileDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] { return DecodeBody(*stream); });
}

bool MetafileDecoder::DecodeBody(ImageFile& stream) {
  ScreenDc screen;
  const ScreenResolution dpi{screen.GetDeviceCaps(ui::LOGPIXELSX), screen.GetDeviceCaps(ui::LOGPIXELSY)};
  const std::int32_t start = stream.Tell();
  auto metafile = LoadPlaceableMetafile(stream, dpi, screen);
  if (!metafile) {
    Require(stream.Seek(start, 0), kCorrupted);
    metafile = LoadEnhancedMetafile(stream);
  }
  Require(metafile.has_value(), kCorrupted);
  // Bounds the wrong way round give no area either.
  Require(metafile->width > 0 && metafile->height > 0, "empty WMF");
  const PixelSize size = LimitedSize(metafile->width, metafile->height);
  return Render(metafile->handle.get(), size.width, size.height, screen);
}

bool MetafileDecoder::Render(ui::HENHMETAFILE metafile, std::int32_t width, std::int32_t height, ui::CDC& screen) {
  ui::CBitmap bitmap;
  ui::CDC memory;
  if (!bitmap.CreateCompatibleBitmap(&screen, width, height) || !memory.CreateCompatibleDC(&screen)) return false;
  const ui::HGDIOBJ previous = memory.SelectObject(bitmap.GetSafeHandle());
  const ui::RECT area{0, 0, width, height};
  const ui::COLORREF background = memory.SetBkColor(ui::GetSysColor(ui::COLOR_WINDOW));
  memory.ExtTextOut(0, 0, ui::ETO_OPAQUE, &area, "");
  memory.SetBkColor(background);
  const int depth = memory.GetDeviceCaps(ui::BITSPIXEL);
  ui::PlayEnhMetaFile(memory, metafile, &area);
  memory.SelectObject(previous);

  // GetDIBits delivers 24- or 32-bit rows only; rows of any other depth would not fit the image.
  if (Create(width, height, static_cast<std::uint32_t>(depth), ImageFormat::Metafile) == nullptr || BitCount() != 24) {
    return false;
  }
  ui::BITMAPINFO layout;
  layout.bmiHeader.biWidth = width;
  layout.bmiHeader.biHeight = height;
  layout.bmiHeader.biBitCount = static_cast<ui::WORD>(BitCount());
  return ui::GetDIBits(memory, static_cast<ui::HBITMAP>(bitmap.GetSafeHandle()), 0, static_cast<ui::UINT>(height),
                       PixelBits(), &layout, ui::DIB_RGB_COLORS) > 0;
}

}  // namespace imaging
