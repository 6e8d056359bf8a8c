// Reading a metafile's bytes from the stream into a platform metafile, with the size in screen
// pixels that its own header asks for.
#pragma once

#include "platform/ui/metafiles/metafile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

namespace imaging {

class ImageFile;

struct MetafileRelease {
  void operator()(ui::HENHMETAFILE metafile) const { ui::DeleteEnhMetaFile(metafile); }
};
using MetafileHandle = std::unique_ptr<std::remove_pointer_t<ui::HENHMETAFILE>, MetafileRelease>;

// Sizes are 64-bit: an enhanced metafile's bounds may span the whole 32-bit range.
struct LoadedMetafile {
  MetafileHandle handle;
  std::int64_t width;
  std::int64_t height;
};

// Dots per inch of the screen the picture is made for.
struct ScreenResolution {
  int x;
  int y;
};

// A placeable Windows metafile from the stream's position; nothing when the bytes are none.
std::optional<LoadedMetafile> LoadPlaceableMetafile(ImageFile& stream, ScreenResolution dpi, ui::HDC screen);
// The rest of the stream as an enhanced metafile; nothing when the platform refuses it.
std::optional<LoadedMetafile> LoadEnhancedMetafile(ImageFile& stream);

}  // namespace imaging
