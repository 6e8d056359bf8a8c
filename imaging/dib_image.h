// The image: a device-independent bitmap held as one packed block (information header, palette,
// pixel rows bottom row first, each row a multiple of 4 bytes) with an optional alpha plane, and
// the bookkeeping the decoders fill in. The block's layout is the platform's, so it can be handed
// to its bitmap functions as it stands.
#pragma once

#include "imaging/dib_header.h"
#include "imaging/image_format.h"
#include "platform/win/files/crt_files.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

class ImageFile;

// What the decoders record besides the bitmap.
struct ImageInfo {
  std::uint32_t rowStride;
  std::uint8_t* pixels;
  ImageFormat imageType;
  char lastError[256];
  std::int32_t backgroundIndex;
  RgbQuad backgroundColor;
  std::int32_t frame;
  std::int32_t frameCount;
  std::int32_t xDpi;
  std::int32_t yDpi;
  // 0 asks for the whole picture; a side asks for one that need only be that many pixels on
  // each side (or the picture's own size where smaller), which a decoder that can scale while it
  // decodes (JPEG) makes for a fraction of the work.
  std::int32_t wantedSide;
};

// The largest block an image may allocate; larger headers are refused as if memory ran out.
// Sanitizer and fuzzing builds lower it so that crafted sizes cannot exhaust the process.
void SetImageSizeLimit(std::size_t bytes);
std::size_t ImageSizeLimit();

class CDibImage {
 public:
  explicit CDibImage(ImageFormat type = ImageFormat::Bmp);
  // Loads the named file (a Windows path) as the given type; DibBlock() is null when that failed.
  CDibImage(const char* fileName, ImageFormat type);
  CDibImage(const CDibImage& source, bool copyPixels, bool copyAlpha);
  virtual ~CDibImage();
  CDibImage(const CDibImage&) = delete;
  CDibImage& operator=(const CDibImage&) = delete;

  void Initialize(ImageFormat type);
  void Destroy();
  // A bitmap of the depth rounded up to 1, 4, 8 or 24 bits; palette zeroed, no alpha plane.
  std::uint8_t* Create(std::int32_t width, std::int32_t height, std::uint32_t bitsPerPixel, ImageFormat type);
  void MoveFrom(CDibImage& source);
  void CopyFrom(const CDibImage& source, bool copyPixels, bool copyAlpha);
  void CopyInfoFrom(const CDibImage& source);

  // Loading (the file entry and the per-format dispatch).
  bool Load(const char* fileName, ImageFormat type);
  bool DecodeStream(ImageFile& stream, ImageFormat type);

  // The packed block and its parts.
  std::uint8_t* DibBlock() const { return dibBlock; }
  std::uint8_t* PixelBits() const;
  std::size_t DibSize() const;
  std::uint32_t PaletteBytes() const { return 4 * header.biClrUsed; }
  RgbQuad* Palette() const;
  bool Contains(std::int32_t x, std::int32_t y) const;

  std::int32_t Width() const { return header.biWidth; }
  std::int32_t Height() const { return header.biHeight; }
  std::uint32_t BitCount() const { return header.biBitCount; }
  std::uint32_t ColorsUsed() const { return header.biClrUsed; }
  std::uint32_t RowStride() const { return info.rowStride; }
  const BitmapInfoHeader& Header() const { return header; }
  ImageFormat ImageType() const { return info.imageType; }
  const char* LastError() const { return info.lastError; }
  void SetLastError(const char* message);
  std::int32_t BackgroundIndex() const { return info.backgroundIndex; }
  void SetBackgroundIndex(std::int32_t index) { info.backgroundIndex = index; }
  RgbQuad BackgroundColor() const { return info.backgroundColor; }
  void SetBackgroundColor(RgbQuad color) { info.backgroundColor = color; }
  std::int32_t Frame() const { return info.frame; }
  void SetFrame(std::int32_t frame) { info.frame = frame; }
  std::int32_t FrameCount() const { return info.frameCount; }
  void RecordFrameCount(std::int32_t count) { info.frameCount = count; }
  std::int32_t WantedSide() const { return info.wantedSide; }
  void SetWantedSide(std::int32_t side) { info.wantedSide = side; }
  std::int32_t XDpi() const { return info.xDpi; }
  std::int32_t YDpi() const { return info.yDpi; }
  std::uint8_t* AlphaPlane() const { return alphaPlane; }

  // Palette.
  void SetPaletteEntry(std::uint32_t index, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                       std::uint8_t alpha);
  std::uint32_t GetPaletteEntry(std::uint32_t index) const;
  void SetPaletteFromPlanes(std::uint32_t count, const std::uint8_t* red, const std::uint8_t* green,
                            const std::uint8_t* blue);
  void SetPaletteFromTriples(const std::uint8_t* triples, std::uint32_t count);
  void SetPaletteFromQuads(const std::uint8_t* quads, std::uint32_t count);
  void FillGrayPalette();
  std::uint8_t ClosestPaletteIndex(RgbQuad color) const;

  // Pixels; y counts stored rows from the bottom.
  std::uint8_t PixelIndexAt(std::int32_t x, std::int32_t y) const;
  void SetPixelIndexAt(std::int32_t x, std::int32_t y, std::uint8_t index);
  RgbQuad PixelColorAt(std::int32_t x, std::int32_t y) const;
  void SetPixelColorAt(std::int32_t x, std::int32_t y, RgbQuad color);
  // colorRef holds red in the low byte: red | green << 8 | blue << 16.
  void SetPixelColorAt(std::int32_t x, std::int32_t y, std::uint32_t colorRef);

  // Alpha plane: one byte per pixel, 0 transparent to 255 opaque.
  void CreateAlpha();
  void DropAlpha();
  void FillAlpha(std::uint8_t value);
  void SetAlphaAt(std::int32_t x, std::int32_t y, std::uint8_t value);
  std::uint8_t AlphaAt(std::int32_t x, std::int32_t y) const;

  void SetHorizontalDpi(std::int32_t dpi);
  void SetVerticalDpi(std::int32_t dpi);

  // Geometry; each answers false without a bitmap.
  bool FlipVertical();
  bool MirrorHorizontal();
  // A quarter turn counter-clockwise (left) or clockwise (right), into target or this image.
  bool TurnLeft(CDibImage* target = nullptr);
  bool TurnRight(CDibImage* target = nullptr);

  // Converts packed 16- or 32-bit pixels into the 24-bit rows, last pixel first, so source may be
  // the pixel rows themselves for 16 bits.
  void UnpackBitfields(const std::uint8_t* source, std::uint32_t redMask, std::uint32_t greenMask,
                       std::uint32_t blueMask, std::uint32_t sourceBits);
  // Reads an information header, converting the 12-byte core header.
  static bool ReadInfoHeader(ImageFile* stream, BitmapInfoHeader* target);

 protected:
  std::uint8_t* dibBlock;
  BitmapInfoHeader header;
  ImageInfo info;
  std::uint8_t* alphaPlane;

 private:
  bool Decode(win::FILE* file, ImageFormat type);
  std::size_t PixelOffset(std::int32_t x, std::int32_t y) const;
  template <class PixelAt>
  bool Turn(CDibImage* target, PixelAt sourceOf);
};

}  // namespace imaging
