// The one door into decoding: a decoder of the asked format runs on its own image, and its bitmap
// moves into the caller's image only when the whole decode succeeded.
#include "imaging/bmp_decoder.h"
#include "imaging/dib_image.h"
#include "imaging/gif_decoder.h"
#include "imaging/icon_decoder.h"
#include "imaging/jpeg_decoder.h"
#include "imaging/metafile_decoder.h"
#include "imaging/pcx_decoder.h"
#include "imaging/png_decoder.h"
#include "imaging/tga_decoder.h"
#include "imaging/tiff_decoder.h"
#include "imaging/wbmp_decoder.h"

#include <array>

namespace imaging {
namespace {

// Decoders whose files hold several frames, pages or entries: the caller picks one and learns
// how many there are.
template <class Decoder>
constexpr bool kHasFrames = false;
template <>
constexpr bool kHasFrames<GifDecoder> = true;
template <>
constexpr bool kHasFrames<IconDecoder> = true;
template <>
constexpr bool kHasFrames<TiffDecoder> = true;

template <class Decoder>
bool RunDecoder(CDibImage& image, ImageFile& stream) {
  Decoder decoder;
  decoder.SetWantedSide(image.WantedSide());
  if constexpr (kHasFrames<Decoder>) decoder.SetFrame(image.Frame());
  if (decoder.Decode(&stream)) {
    image.MoveFrom(decoder);
    return true;
  }
  if (decoder.LastError()[0] != '\0') image.SetLastError(decoder.LastError());
  if constexpr (kHasFrames<Decoder>) image.RecordFrameCount(decoder.FrameCount());
  return false;
}

using DecoderRun = bool (*)(CDibImage&, ImageFile&);

// Indexed by the ImageFormat code.
constexpr std::array<DecoderRun, 10> kDecoders = {
    RunDecoder<BmpDecoder>,  RunDecoder<GifDecoder>,      RunDecoder<JpegDecoder>, RunDecoder<PngDecoder>,
    RunDecoder<IconDecoder>, RunDecoder<TiffDecoder>,     RunDecoder<TgaDecoder>,  RunDecoder<PcxDecoder>,
    RunDecoder<WbmpDecoder>, RunDecoder<MetafileDecoder>,
};

}  // namespace

bool CDibImage::DecodeStream(ImageFile& stream, ImageFormat type) {
  const auto code = static_cast<std::size_t>(type);
  if (static_cast<std::int32_t>(type) < 0 || code >= kDecoders.size()) {
    SetLastError("Unsupported operation for this format");
    return false;
  }
  return kDecoders[code](*this, stream);
}

}  // namespace imaging
