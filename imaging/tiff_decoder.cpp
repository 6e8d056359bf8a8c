#include "imaging/tiff_decoder.h"

#include "imaging/decode_guard.h"
#include "imaging/tiff_samples.h"
#include "imaging/tiff_stream_binding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

namespace imaging {
namespace {

constexpr const char* kCorrupted = "Corrupted TIFF file!";

struct TiffRelease {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffRelease>;

}  // namespace

// The tags a page is decoded by, with the values assumed when a tag is absent.
struct TiffDecoder::PageTags {
  std::uint16_t compression = COMPRESSION_NONE;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t samplesPerPixel = 1;
  std::uint16_t bitsPerSample = 1;
  std::uint32_t rowsPerStrip = 0xFFFFFFFF;
  std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
  std::uint16_t orientation = ORIENTATION_TOPLEFT;
};

namespace {

template <class T>
void GetTag(TIFF* tiff, ttag_t tag, T& value) {
  T read{};
  if (TIFFGetField(tiff, tag, &read) == 1) value = read;
}

std::int32_t ResolutionTag(TIFF* tiff, ttag_t tag, std::int32_t fallback) {
  float value = 0;
  if (TIFFGetField(tiff, tag, &value) != 1 || !std::isfinite(value)) return fallback;
  return static_cast<std::int32_t>(std::clamp<float>(value, 0, 1e9F));
}

std::int32_t CountPages(TIFF* tiff) {
  if (TIFFSetDirectory(tiff, 0) == 0) return 0;
  std::int32_t pages = 1;
  while (TIFFReadDirectory(tiff) != 0 && pages < std::numeric_limits<std::int32_t>::max()) ++pages;
  return pages;
}

bool ThroughRgba(const TiffDecoder::PageTags& tags) {
  switch (tags.photometric) {
    case PHOTOMETRIC_RGB: return tags.bitsPerSample >= 8;
    case PHOTOMETRIC_SEPARATED:
    case PHOTOMETRIC_YCBCR:
    case PHOTOMETRIC_LOGL:
    case PHOTOMETRIC_LOGLUV: return true;
    default: return false;
  }
}

bool UnassociatedAlpha(TIFF* tiff) {
  std::uint16_t count = 0;
  std::uint16_t* kinds = nullptr;
  return TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 1 && count >= 1 && kinds != nullptr &&
         kinds[0] == EXTRASAMPLE_UNASSALPHA;
}

// The colour pages read as their samples instead of through the RGBA reader: RGB with
// unassociated alpha, whose colours that reader would premultiply, and 16-bit CMYK, for which it
// has no road; in strips or tiles, interleaved or in planes.
bool ThroughSamples(TIFF* tiff, const TiffDecoder::PageTags& tags) {
  if (tags.bitsPerSample != 8 && tags.bitsPerSample != 16) return false;
  if (tags.photometric == PHOTOMETRIC_RGB) return tags.samplesPerPixel == 4 && UnassociatedAlpha(tiff);
  std::uint16_t inkSet = INKSET_CMYK;
  GetTag(tiff, TIFFTAG_INKSET, inkSet);
  return tags.photometric == PHOTOMETRIC_SEPARATED && inkSet == INKSET_CMYK && tags.samplesPerPixel >= 4 &&
         tags.bitsPerSample == 16;
}

std::uint32_t PaletteDepth(const TiffDecoder::PageTags& tags) {
  const bool grey = tags.photometric == PHOTOMETRIC_MINISWHITE || tags.photometric == PHOTOMETRIC_MINISBLACK;
  if (grey && tags.bitsPerSample == 1) return 1;
  if (tags.bitsPerSample == 4) return 4;
  return 8;
}

// Narrows 16-bit samples (host order, as libtiff delivers them) to their high bytes, in place.
void NarrowTo8Bits(std::uint8_t* line, std::size_t samples) {
  for (std::size_t i = 0; i < samples; ++i) line[i] = line[2 * i + 1];
}

}  // namespace

bool TiffDecoder::Decode(ImageFile* stream) {
  if (stream == nullptr) return false;
  return GuardedDecode(*this, [&] {
    TiffHandle tiff(OpenTiffStream(*stream, "rb"));
    Require(tiff != nullptr, "Error encountered while opening TIFF file");
    info.frameCount = CountPages(tiff.get());
    Require(info.frame >= 0 && TIFFSetDirectory(tiff.get(), static_cast<tdir_t>(info.frame)) != 0,
            "Error: page not present in TIFF file");
    DecodePage(tiff.get());
    return true;
  });
}

void TiffDecoder::DecodePage(TIFF* tiff) {
  PageTags tags;
  GetTag(tiff, TIFFTAG_COMPRESSION, tags.compression);
  GetTag(tiff, TIFFTAG_IMAGEWIDTH, tags.width);
  GetTag(tiff, TIFFTAG_IMAGELENGTH, tags.height);
  GetTag(tiff, TIFFTAG_SAMPLESPERPIXEL, tags.samplesPerPixel);
  GetTag(tiff, TIFFTAG_BITSPERSAMPLE, tags.bitsPerSample);
  GetTag(tiff, TIFFTAG_ROWSPERSTRIP, tags.rowsPerStrip);
  GetTag(tiff, TIFFTAG_PHOTOMETRIC, tags.photometric);
  GetTag(tiff, TIFFTAG_ORIENTATION, tags.orientation);
  SetHorizontalDpi(ResolutionTag(tiff, TIFFTAG_XRESOLUTION, info.xDpi));
  SetVerticalDpi(ResolutionTag(tiff, TIFFTAG_YRESOLUTION, info.yDpi));
  info.backgroundIndex = -1;
  // Zero rows per strip would never advance through the page.
  if (tags.rowsPerStrip > tags.height || tags.rowsPerStrip == 0) {
    tags.rowsPerStrip = tags.height;
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, tags.height);
  }
  Require(
      tags.width <= std::numeric_limits<std::int32_t>::max() && tags.height <= std::numeric_limits<std::int32_t>::max(),
      kCorrupted);

  const bool rgba = ThroughRgba(tags);
  Require(Create(static_cast<std::int32_t>(tags.width), static_cast<std::int32_t>(tags.height),
                 rgba ? 24 : PaletteDepth(tags), ImageFormat::Tiff) != nullptr,
          "Can't allocate memory");
  if (tags.samplesPerPixel == 4 || (tags.samplesPerPixel == 2 && tags.bitsPerSample == 8)) {
    CreateAlpha();
    Require(alphaPlane != nullptr, "Can't allocate memory");
  }
  if (rgba && ThroughSamples(tiff, tags)) {
    ReadSamples(tiff, tags);
  } else if (rgba) {
    const bool withAlpha = tags.samplesPerPixel == 4;
    ReadRgba(tiff, withAlpha, withAlpha && UnassociatedAlpha(tiff));
  } else {
    SetUpPalette(tiff, tags);
    ReadStrips(tiff, tags);
    Orient(tags.orientation);
  }
}

void TiffDecoder::ReadRgba(TIFF* tiff, bool withAlpha, bool unpremultiply) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  const std::size_t count = width * static_cast<std::size_t>(header.biHeight);
  std::unique_ptr<std::uint32_t[]> raster(count * 4 <= ImageSizeLimit() ? new (std::nothrow) std::uint32_t[count]
                                                                        : nullptr);
  Require(raster != nullptr, "No space for raster buffer");
  Require(TIFFReadRGBAImage(tiff, static_cast<std::uint32_t>(header.biWidth),
                            static_cast<std::uint32_t>(header.biHeight), raster.get(), 1) != 0,
          kCorrupted);
  // The raster starts at the bottom row, as the bitmap does.
  for (std::int32_t y = 0; y < header.biHeight; ++y) {
    const std::uint32_t* from = raster.get() + static_cast<std::size_t>(y) * width;
    std::uint8_t* to = info.pixels + static_cast<std::size_t>(y) * info.rowStride;
    for (std::size_t x = 0; x < width; ++x, to += 3) {
      const std::uint32_t value = from[x];
      // The reader premultiplied unassociated alpha (tiled pages come this way): divide it out
      // again, as near as the premultiplied bytes allow.
      const std::uint32_t alpha = TIFFGetA(value);
      auto colour = [unpremultiply, alpha](std::uint32_t level) {
        if (!unpremultiply || alpha == 0) return static_cast<std::uint8_t>(level);
        return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (level * 255 + alpha / 2) / alpha));
      };
      to[0] = colour(TIFFGetB(value));
      to[1] = colour(TIFFGetG(value));
      to[2] = colour(TIFFGetR(value));
    }
    if (withAlpha) {
      for (std::size_t x = 0; x < width; ++x) {
        alphaPlane[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(TIFFGetA(from[x]));
      }
    }
  }
}

void TiffDecoder::ReadSamples(TIFF* tiff, const PageTags& tags) {
  const auto width = static_cast<std::size_t>(header.biWidth);
  const auto height = static_cast<std::uint32_t>(header.biHeight);
  const SampleLayout layout{tags.width, height, tags.samplesPerPixel, tags.bitsPerSample / 8U, tags.rowsPerStrip};
  SampleBands bands(tiff, layout, ImageSizeLimit(), kCorrupted);
  const std::uint8_t* band = nullptr;
  const std::uint8_t* line = nullptr;
  // Samples widened to 16 bits (libtiff delivers 16-bit ones in host order), and back to 8, rounded.
  auto sample = [&line, &layout](std::size_t index) -> std::uint32_t {
    if (layout.bytesPerSample == 1) return line[index] * 257U;
    std::uint16_t value = 0;
    std::memcpy(&value, line + 2 * index, 2);
    return value;
  };
  auto narrow = [](std::uint32_t value) { return static_cast<std::uint8_t>((value + 128U) / 257U); };
  const bool cmyk = tags.photometric == PHOTOMETRIC_SEPARATED;
  for (std::uint32_t y = 0; y < height; ++y) {
    if (y % bands.BandRows() == 0) band = bands.Read(y);
    line = band + (y % bands.BandRows()) * layout.RowBytes();
    const std::size_t row = height - 1 - y;
    std::uint8_t* to = info.pixels + row * info.rowStride;
    for (std::size_t x = 0; x < width; ++x, to += 3) {
      const std::size_t first = x * tags.samplesPerPixel;
      if (cmyk) {
        // Each colour is white less its ink, times white less black.
        const std::uint32_t white = 65535U - sample(first + 3);
        auto colour = [&](std::size_t ink) { return narrow((65535U - sample(first + ink)) * white / 65535U); };
        to[0] = colour(2);
        to[1] = colour(1);
        to[2] = colour(0);
      } else {
        to[0] = narrow(sample(first + 2));
        to[1] = narrow(sample(first + 1));
        to[2] = narrow(sample(first));
      }
      if (alphaPlane != nullptr) alphaPlane[row * width + x] = cmyk ? 255 : narrow(sample(first + 3));
    }
  }
}

void TiffDecoder::SetUpPalette(TIFF* tiff, const PageTags& tags) {
  std::array<RgbQuad, 256> table{};
  const std::uint32_t colors = header.biClrUsed;
  if (tags.photometric == PHOTOMETRIC_MINISWHITE || tags.photometric == PHOTOMETRIC_MINISBLACK) {
    if (tags.bitsPerSample == 1) {
      table[tags.photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0] = RgbQuad{255, 255, 255, 0};
    } else {
      const std::uint32_t step = 255 / (colors - 1);
      for (std::uint32_t i = 0; i < colors; ++i) {
        auto level = static_cast<std::uint8_t>(i * step);
        if (tags.photometric == PHOTOMETRIC_MINISWHITE) level ^= 0xFF;
        table[i] = RgbQuad{level, level, level, 0};
      }
    }
  } else if (tags.photometric == PHOTOMETRIC_PALETTE) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (tags.bitsPerSample <= 16 && TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) == 1) {
      const std::size_t mapSize = std::size_t{1} << tags.bitsPerSample;
      // Maps written with 8-bit values in 16-bit fields are taken as they stand.
      bool wide = false;
      for (std::size_t i = 0; i < mapSize && !wide; ++i) wide = red[i] > 255 || green[i] > 255 || blue[i] > 255;
      auto level = [wide](std::uint16_t value) {
        return static_cast<std::uint8_t>(wide ? value * 255U / 65535U : value & 0xFF);
      };
      for (std::size_t i = 0; i < std::min<std::size_t>(mapSize, colors); ++i) {
        table[i] = RgbQuad{level(blue[i]), level(green[i]), level(red[i]), 0};
      }
    }
  }
  SetPaletteFromQuads(reinterpret_cast<const std::uint8_t*>(table.data()), colors);
}

void TiffDecoder::ReadStrips(TIFF* tiff, const PageTags& tags) {
  const auto width = static_cast<std::uint64_t>(header.biWidth);
  const auto height = static_cast<std::uint32_t>(header.biHeight);
  const std::uint64_t lineBytes = (std::uint64_t{tags.samplesPerPixel} * tags.bitsPerSample * width + 7) / 8;
  const std::uint64_t wanted = lineBytes * tags.rowsPerStrip;
  const auto stripSize = static_cast<std::uint64_t>(std::max<tmsize_t>(TIFFStripSize(tiff), 0));
  // The buffer holds whichever is larger, the library's strip or the lines the page asks for, so
  // neither the library's write nor the line walk can pass its end.
  const std::uint64_t bufferSize = std::max(wanted, stripSize);
  Require(bufferSize <= ImageSizeLimit(), kCorrupted);
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(bufferSize));
  const bool sixteenBits = tags.bitsPerSample == 16;
  // Only whole-byte samples can be walked sample group by sample group.
  const bool byteSamples = tags.bitsPerSample == 8 || sixteenBits;
  const std::size_t samples = static_cast<std::size_t>(width) * tags.samplesPerPixel;
  const std::size_t usedBytes = sixteenBits ? samples : static_cast<std::size_t>(lineBytes);

  for (std::uint32_t y = 0; y < height; y += tags.rowsPerStrip) {
    const std::uint32_t rows = std::min(tags.rowsPerStrip, height - y);
    const tmsize_t read =
        TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, 0), strip.data(), static_cast<tmsize_t>(lineBytes * rows));
    Require(read != -1, kCorrupted);
    for (std::uint32_t k = 0; k < rows; ++k) {
      std::uint8_t* line = strip.data() + static_cast<std::size_t>(lineBytes * k);
      if (sixteenBits) NarrowTo8Bits(line, samples);
      StoreLine(line, usedBytes, static_cast<std::int32_t>(height - 1 - (y + k)),
                byteSamples ? tags.samplesPerPixel : 1);
    }
  }
}

void TiffDecoder::StoreLine(const std::uint8_t* line, std::size_t lineBytes, std::int32_t row,
                            std::uint32_t samplesPerPixel) {
  if (samplesPerPixel == 1) {
    std::memcpy(info.pixels + static_cast<std::size_t>(row) * info.rowStride, line,
                std::min<std::size_t>(info.rowStride, lineBytes));
    return;
  }
  // Several samples per pixel: the first is the palette index, the second the alpha.
  for (std::int32_t x = 0; x < header.biWidth; ++x) {
    const std::uint8_t* pixel = line + static_cast<std::size_t>(x) * samplesPerPixel;
    SetPixelIndexAt(x, row, pixel[0]);
    SetAlphaAt(x, row, pixel[1]);
  }
}

void TiffDecoder::Orient(std::uint16_t orientation) {
  switch (orientation) {
    case ORIENTATION_TOPRIGHT: MirrorHorizontal(); break;
    case ORIENTATION_BOTRIGHT:
      FlipVertical();
      MirrorHorizontal();
      break;
    case ORIENTATION_BOTLEFT: FlipVertical(); break;
    case ORIENTATION_LEFTTOP:
      TurnRight();
      MirrorHorizontal();
      break;
    case ORIENTATION_RIGHTTOP: TurnRight(); break;
    case ORIENTATION_RIGHTBOT:
      TurnLeft();
      MirrorHorizontal();
      break;
    case ORIENTATION_LEFTBOT: TurnLeft(); break;
    default: break;
  }
}

}  // namespace imaging
