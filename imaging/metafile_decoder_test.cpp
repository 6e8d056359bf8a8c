#include "imaging/test_tools.h"
#include "platform/ui/gdi/gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <limits>

namespace imaging {
namespace {

using test_support::Bytes;
using test_support::DecodeBytes;

// Little-endian writer for the tests' metafiles.
class Writer {
 public:
  Writer& U16(std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    return *this;
  }
  Writer& S16(std::int32_t value) { return U16(static_cast<std::uint32_t>(value) & 0xFFFF); }
  Writer& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
  Writer& S32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
  Writer& Append(const Bytes& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
  Bytes bytes;
};

constexpr std::uint32_t kRed = 0x0000FF;  // colour references: red in the low byte
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0xFF0000;
constexpr std::uint32_t kYellow = 0x00FFFF;

// Windows metafile records: size in words, function, parameters in the order they are stored.
Bytes WmfRecord(std::uint16_t function, std::initializer_list<std::int32_t> words) {
  Writer record;
  record.U32(static_cast<std::uint32_t>(3 + words.size())).U16(function);
  for (const std::int32_t word : words) record.S16(word);
  return record.bytes;
}
Bytes SetWindowExt(std::int32_t width, std::int32_t height) { return WmfRecord(0x020C, {height, width}); }
Bytes SolidBrush(std::uint32_t colour) {
  return WmfRecord(0x02FC, {0, static_cast<std::int32_t>(colour & 0xFFFF), static_cast<std::int32_t>(colour >> 16), 0});
}
Bytes Pen(std::int32_t style, std::uint32_t colour) {
  return WmfRecord(0x02FA,
                   {style, 1, 0, static_cast<std::int32_t>(colour & 0xFFFF), static_cast<std::int32_t>(colour >> 16)});
}
Bytes Select(std::int32_t slot) { return WmfRecord(0x012D, {slot}); }
Bytes DeleteObject(std::int32_t slot) { return WmfRecord(0x01F0, {slot}); }
Bytes WmfRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return WmfRecord(0x041B, {bottom, right, top, left});
}
Bytes WmfPolygon(std::initializer_list<std::int32_t> coordinates) {
  Writer record;
  record.U32(static_cast<std::uint32_t>(4 + coordinates.size()))
      .U16(0x0324)
      .U16(static_cast<std::uint32_t>(coordinates.size() / 2));
  for (const std::int32_t value : coordinates) record.S16(value);
  return record.bytes;
}
Bytes MoveTo(std::int32_t x, std::int32_t y) { return WmfRecord(0x0214, {y, x}); }
Bytes LineTo(std::int32_t x, std::int32_t y) { return WmfRecord(0x0213, {y, x}); }

// The 18-byte header, the records and the end record; the header counts every word, gives the
// largest record and room for eight objects.
Bytes WindowsMetafile(std::initializer_list<Bytes> records) {
  Writer body;
  std::size_t largest = 3;
  for (const Bytes& record : records) {
    body.Append(record);
    largest = std::max(largest, record.size() / 2);
  }
  body.Append(WmfRecord(0, {}));
  Writer file;
  file.U16(1).U16(9).U16(0x300).U32(static_cast<std::uint32_t>(9 + body.bytes.size() / 2)).U16(8);
  file.U32(static_cast<std::uint32_t>(largest)).U16(0);
  return file.Append(body.bytes).bytes;
}

struct Box {
  std::int32_t left, top, right, bottom;
};

Bytes Placeable(Box box, std::uint16_t unitsPerInch, const Bytes& metafile) {
  Writer header;
  header.U32(0x9AC6CDD7).U16(0).S16(box.left).S16(box.top).S16(box.right).S16(box.bottom).U16(unitsPerInch).U32(0);
  std::uint16_t checksum = 0;
  for (std::size_t at = 0; at < header.bytes.size(); at += 2) {
    checksum ^= static_cast<std::uint16_t>(header.bytes[at] | header.bytes[at + 1] << 8);
  }
  return header.U16(checksum).Append(metafile).bytes;
}

// Enhanced metafile records: type, size in bytes, 32-bit parameters.
Bytes EmfRecord(std::uint32_t type, std::initializer_list<std::int32_t> values) {
  Writer record;
  record.U32(type).U32(static_cast<std::uint32_t>(8 + 4 * values.size()));
  for (const std::int32_t value : values) record.S32(value);
  return record.bytes;
}

Bytes EnhancedMetafile(Box bounds, std::initializer_list<Bytes> records) {
  Writer file;
  file.U32(1).U32(88).S32(bounds.left).S32(bounds.top).S32(bounds.right).S32(bounds.bottom);
  file.U32(0).U32(0).U32(2645).U32(1322).U32(0x464D4520).U32(0x10000).U32(0).U32(0);
  file.U16(0).U16(0).U32(0).U32(0).U32(0).U32(1024).U32(768).U32(271).U32(203);
  for (const Bytes& record : records) file.Append(record);
  return file.Append(EmfRecord(14, {0, 0, 20})).bytes;
}

// The colour at x, y counted from the top, as a colour reference.
std::uint32_t ColourAt(const CDibImage& image, std::int32_t x, std::int32_t y) {
  const RgbQuad pixel = image.PixelColorAt(x, image.Height() - 1 - y);
  return static_cast<std::uint32_t>(pixel.red | pixel.green << 8 | pixel.blue << 16);
}

std::uint32_t Window() { return ui::GetSysColor(ui::COLOR_WINDOW); }

void ExpectFailure(const Bytes& file, const char* message, const char* why = "") {
  const auto image = DecodeBytes(file, ImageFormat::Metafile);
  EXPECT_EQ(image->DibBlock(), nullptr) << why;
  EXPECT_STREQ(image->LastError(), message) << why;
}

// A 2880 x 1440 picture at 1440 units per inch: a red quarter at the top left without an
// outline, a blue line across the right half at 1200 units down, a green triangle at the top right.
Bytes ShapesPicture() {
  return Placeable(Box{0, 0, 2880, 1440}, 1440,
                   WindowsMetafile({SetWindowExt(2880, 1440), SolidBrush(kRed), Select(0), Pen(5, 0), Select(1),
                                    WmfRectangle(0, 0, 1440, 720), SolidBrush(kGreen), Select(2),
                                    WmfPolygon({1500, 100, 2800, 100, 2800, 1000}), Pen(0, kBlue), Select(3),
                                    MoveTo(1440, 1200), LineTo(2880, 1200)}));
}

TEST(MetafileDecoder, PlaceableMetafileIsSizedByItsBoxAtScreenResolution) {
  const auto image = DecodeBytes(ShapesPicture(), ImageFormat::Metafile);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->Width(), 192) << "2880 units of 1/1440 inch at 96 dpi";
  EXPECT_EQ(image->Height(), 96);
  EXPECT_EQ(image->BitCount(), 24u) << "the screen is true colour";
  EXPECT_EQ(image->ImageType(), ImageFormat::Metafile);
  EXPECT_STREQ(image->LastError(), "");

  EXPECT_EQ(ColourAt(*image, 0, 0), kRed);
  // Up to unit 1440, pixel 96, less the outline's last column and row that GDI leaves out when
  // there is no pen.
  EXPECT_EQ(ColourAt(*image, 94, 46), kRed);
  EXPECT_EQ(ColourAt(*image, 95, 30), Window());
  EXPECT_EQ(ColourAt(*image, 30, 47), Window());
  EXPECT_EQ(ColourAt(*image, 180, 20), kGreen) << "inside the triangle";
  EXPECT_EQ(ColourAt(*image, 110, 50), Window()) << "below its long side";
  EXPECT_EQ(ColourAt(*image, 150, 80), kBlue) << "1200 units down is pixel row 80";
  EXPECT_EQ(ColourAt(*image, 150, 79), Window());
  EXPECT_EQ(ColourAt(*image, 150, 81), Window());
  EXPECT_EQ(ColourAt(*image, 50, 90), Window());
}

// ImageMagick (through libwmf) smooths the edges of shapes and takes in the right and bottom
// edges that GDI leaves out, so only pixels at least two pixels away from any edge are compared.
// It also fits the picture to what is drawn, so a white rectangle covers the whole window.
TEST(MetafileDecoder, AgreesWithImageMagickAwayFromEdges) {
  const auto wmf = test_support::Scratch("filled.wmf");
  const auto png = test_support::Scratch("filled.png");
  test_support::WriteBytes(
      wmf, Placeable(Box{0, 0, 2880, 1440}, 1440,
                     WindowsMetafile({SetWindowExt(2880, 1440), SolidBrush(0xFFFFFF), Select(0), Pen(5, 0), Select(1),
                                      WmfRectangle(0, 0, 2880, 1440), SolidBrush(kRed), Select(2),
                                      WmfRectangle(0, 0, 1440, 720), SolidBrush(kGreen), Select(3),
                                      WmfPolygon({1500, 100, 2800, 100, 2800, 1000}), SolidBrush(kBlue), Select(4),
                                      WmfRectangle(300, 900, 2400, 1300)})));
  test_support::Run("convert -density 96 '" + wmf.string() + "' '" + png.string() + "'");
  const test_support::Reference reference = test_support::ReferenceDecode(png);
  const CDibImage image(wmf.c_str(), ImageFormat::Metafile);
  ASSERT_NE(image.DibBlock(), nullptr) << image.LastError();
  ASSERT_EQ(image.Width(), reference.width);
  ASSERT_EQ(image.Height(), reference.height);
  const auto same = [&](std::int32_t x, std::int32_t y, std::int32_t nx, std::int32_t ny) {
    return std::equal(reference.At(x, y), reference.At(x, y) + 3, reference.At(nx, ny));
  };
  int compared = 0;
  constexpr std::int32_t kMargin = 2;
  for (std::int32_t y = kMargin; y + kMargin < reference.height; ++y) {
    for (std::int32_t x = kMargin; x + kMargin < reference.width; ++x) {
      bool uniform = true;
      for (std::int32_t dy = -kMargin; dy <= kMargin; ++dy) {
        for (std::int32_t dx = -kMargin; dx <= kMargin; ++dx) uniform = uniform && same(x, y, x + dx, y + dy);
      }
      if (!uniform) continue;
      ++compared;
      const std::uint8_t* theirs = reference.At(x, y);
      ASSERT_EQ(ColourAt(image, x, y), static_cast<std::uint32_t>(theirs[0] | theirs[1] << 8 | theirs[2] << 16))
          << "at " << x << "," << y;
    }
  }
  EXPECT_GT(compared, reference.width * reference.height * 2 / 3);
}

TEST(MetafileDecoder, OutlinedRectangleAtOneUnitPerPixel) {
  // 96 units per inch: a unit is a pixel; GDI rectangles leave out their right and bottom edges.
  const Bytes file = Placeable(Box{0, 0, 40, 30}, 96,
                               WindowsMetafile({SetWindowExt(40, 30), SolidBrush(kYellow), Select(0), Pen(0, 0),
                                                Select(1), WmfRectangle(10, 10, 30, 20), DeleteObject(0)}));
  const auto image = DecodeBytes(file, ImageFormat::Metafile);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  ASSERT_EQ(image->Width(), 40);
  ASSERT_EQ(image->Height(), 30);
  EXPECT_EQ(ColourAt(*image, 10, 10), 0u);
  EXPECT_EQ(ColourAt(*image, 29, 19), 0u);
  EXPECT_EQ(ColourAt(*image, 20, 10), 0u);
  EXPECT_EQ(ColourAt(*image, 11, 11), kYellow);
  EXPECT_EQ(ColourAt(*image, 28, 18), kYellow);
  EXPECT_EQ(ColourAt(*image, 30, 20), Window());
  EXPECT_EQ(ColourAt(*image, 9, 9), Window());
}

TEST(MetafileDecoder, PlaceableHeaderOffsetBoxAndTallPicture) {
  // The box counts from its own top-left corner; a picture taller than wide keeps its shape.
  const Bytes file = Placeable(
      Box{-100, 200, 200, 1100}, 300,
      WindowsMetafile({SetWindowExt(300, 900), SolidBrush(kBlue), Select(0), WmfRectangle(0, 450, 300, 900)}));
  const auto image = DecodeBytes(file, ImageFormat::Metafile);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->Width(), 96);
  EXPECT_EQ(image->Height(), 288);
  EXPECT_EQ(ColourAt(*image, 48, 100), Window());
  EXPECT_EQ(ColourAt(*image, 48, 200), kBlue);
}

TEST(MetafileDecoder, EnhancedMetafileIsSizedByItsBounds) {
  // Bounds 200 by 100: a red rectangle over the left half, a green polygon in the right half.
  const Bytes file = EnhancedMetafile(
      Box{0, 0, 200, 100}, {EmfRecord(39, {1, 0, static_cast<std::int32_t>(kRed), 0}), EmfRecord(37, {1}),
                            EmfRecord(37, {static_cast<std::int32_t>(0x80000008)}), EmfRecord(43, {0, 0, 99, 99}),
                            EmfRecord(39, {2, 0, static_cast<std::int32_t>(kGreen), 0}), EmfRecord(37, {2}),
                            EmfRecord(3, {0, 0, 0, 0, 4, 120, 20, 180, 20, 180, 80, 120, 80})});
  const auto image = DecodeBytes(file, ImageFormat::Metafile);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->Width(), 200);
  EXPECT_EQ(image->Height(), 100);
  EXPECT_EQ(image->BitCount(), 24u);
  EXPECT_EQ(ColourAt(*image, 50, 50), kRed);
  EXPECT_EQ(ColourAt(*image, 150, 50), kGreen);
  EXPECT_EQ(ColourAt(*image, 110, 50), Window());
  EXPECT_EQ(ColourAt(*image, 150, 90), Window());
}

TEST(MetafileDecoder, LargePicturesAreLimitedTo4000PixelsPerSide) {
  const auto wide = DecodeBytes(EnhancedMetafile(Box{0, 0, 10000, 5000}, {}), ImageFormat::Metafile);
  ASSERT_NE(wide->DibBlock(), nullptr) << wide->LastError();
  EXPECT_EQ(wide->Width(), 4000);
  EXPECT_EQ(wide->Height(), 2000);
  const auto tall = DecodeBytes(EnhancedMetafile(Box{50, 0, 2050, 9000}, {}), ImageFormat::Metafile);
  ASSERT_NE(tall->DibBlock(), nullptr) << tall->LastError();
  EXPECT_EQ(tall->Width(), 888) << "2000 x 4000 / 9000";
  EXPECT_EQ(tall->Height(), 4000);
  EXPECT_EQ(ColourAt(*tall, 400, 2000), Window());
  // The largest placeable box at one unit per inch: 65535 inches, beyond 16 bits in pixels.
  const auto huge =
      DecodeBytes(Placeable(Box{-32768, -32768, 32767, 32767}, 1, WindowsMetafile({})), ImageFormat::Metafile);
  ASSERT_NE(huge->DibBlock(), nullptr) << huge->LastError();
  EXPECT_EQ(huge->Width(), 4000);
  EXPECT_EQ(huge->Height(), 4000);
}

TEST(MetafileDecoder, BoundsSpanningTheWholeRangeNeitherWrapNorVanish) {
  const auto image = DecodeBytes(
      EnhancedMetafile(Box{std::numeric_limits<std::int32_t>::min(), 0, std::numeric_limits<std::int32_t>::max(), 1},
                       {EmfRecord(43, {0, 0, 10, 10})}),
      ImageFormat::Metafile);
  ASSERT_NE(image->DibBlock(), nullptr) << image->LastError();
  EXPECT_EQ(image->Width(), 4000);
  EXPECT_EQ(image->Height(), 1) << "a thin picture keeps a row";
  // Coordinates and origins at the ends of the range are drawn, not overflowed.
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const auto extremes = DecodeBytes(
      EnhancedMetafile(Box{0, 0, 64, 64},
                       {EmfRecord(10, {kMin, kMin}), EmfRecord(27, {kMax, kMax}), EmfRecord(54, {kMin, kMax}),
                        EmfRecord(43, {kMin, kMin, kMax, kMax}), EmfRecord(17, {8}), EmfRecord(9, {1, 1}),
                        EmfRecord(11, {kMax, kMin}), EmfRecord(42, {kMax, kMax, kMax, kMax})}),
      ImageFormat::Metafile);
  EXPECT_NE(extremes->DibBlock(), nullptr) << extremes->LastError();
}

TEST(MetafileDecoder, OtherBytesAreCorrupted) {
  const Bytes plain = WindowsMetafile({SetWindowExt(10, 10), WmfRectangle(0, 0, 5, 5)});
  ExpectFailure(plain, "corrupted WMF");
  ExpectFailure(Bytes{}, "corrupted WMF");
  ExpectFailure(Bytes(100, 0), "corrupted WMF");
  Bytes badChecksum = Placeable(Box{0, 0, 96, 96}, 96, plain);
  badChecksum[20] ^= 1;
  ExpectFailure(badChecksum, "corrupted WMF");
  ExpectFailure(Placeable(Box{0, 0, 96, 96}, 0, plain), "corrupted WMF");
  ExpectFailure(Placeable(Box{0, 0, 96, 96}, 2541, plain), "corrupted WMF");
  Bytes notWindows = Placeable(Box{0, 0, 96, 96}, 96, plain);
  notWindows[22] = 3;
  ExpectFailure(notWindows, "corrupted WMF");
  EXPECT_NE(DecodeBytes(Placeable(Box{0, 0, 96, 96}, 2540, plain), ImageFormat::Metafile)->DibBlock(), nullptr)
      << "2540 units per inch is the largest allowed";
}

TEST(MetafileDecoder, PicturesWithoutAreaAreEmptyAndDoNotHang) {
  const Bytes plain = WindowsMetafile({WmfRectangle(0, 0, 5, 5)});
  const auto started = std::chrono::steady_clock::now();
  ExpectFailure(Placeable(Box{0, 0, 0, 0}, 1440, plain), "empty WMF");
  ExpectFailure(Placeable(Box{0, 0, 1440, 0}, 1440, plain), "empty WMF");
  ExpectFailure(Placeable(Box{0, 0, 0, 1440}, 1440, plain), "empty WMF");
  ExpectFailure(Placeable(Box{0, 0, 10, 10}, 2540, plain), "empty WMF", "less than a pixel");
  ExpectFailure(Placeable(Box{1440, 0, 0, 1440}, 1440, plain), "empty WMF", "right before left");
  ExpectFailure(EnhancedMetafile(Box{0, 0, 0, 100}, {}), "empty WMF");
  ExpectFailure(EnhancedMetafile(Box{100, 100, 0, 0}, {}), "empty WMF");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST(MetafileDecoder, DamagedRecordsFailCleanly) {
  const Bytes records = WindowsMetafile({SetWindowExt(96, 96), WmfRectangle(0, 0, 50, 50)});
  // Record size 0 and a record running past the end: the platform refuses the metafile.
  Bytes zeroSize = records;
  zeroSize[18] = zeroSize[19] = zeroSize[20] = zeroSize[21] = 0;
  ExpectFailure(Placeable(Box{0, 0, 96, 96}, 96, zeroSize), "corrupted WMF");
  Bytes overrun = records;
  overrun[18 + 10] = 0xFF;  // the rectangle's size in words
  ExpectFailure(Placeable(Box{0, 0, 96, 96}, 96, overrun), "corrupted WMF");
  // A size in words that would wrap when doubled in 32 bits, and one beyond the file.
  for (const std::uint32_t words : {0x80000010u, 0xFFFFFFFFu, 0x1000u}) {
    Bytes huge = records;
    for (int i = 0; i < 4; ++i) huge[6 + i] = static_cast<std::uint8_t>(words >> (8 * i));
    ExpectFailure(Placeable(Box{0, 0, 96, 96}, 96, huge), "corrupted WMF");
  }
  Bytes emf = EnhancedMetafile(Box{0, 0, 50, 50}, {EmfRecord(43, {0, 0, 10, 10})});
  Bytes emfZero = emf;
  emfZero[88 + 4] = 0;
  ExpectFailure(emfZero, "corrupted WMF");
  emf.resize(emf.size() - 3);
  ExpectFailure(emf, "corrupted WMF");
}

TEST(MetafileDecoder, TruncatedAndCorruptedFilesEndCleanly) {
  // The placeable header's box and units per inch (bytes 6 to 15) and the enhanced header's
  // bounds (bytes 8 to 23) give the size.
  test_support::ExpectDamageHandled(ShapesPicture(), ImageFormat::Metafile, true,
                                    [](std::size_t at) { return at >= 6 && at < 16; });
  test_support::ExpectDamageHandled(
      EnhancedMetafile(Box{0, 0, 64, 32}, {EmfRecord(39, {1, 0, static_cast<std::int32_t>(kRed), 0}),
                                           EmfRecord(37, {1}), EmfRecord(43, {4, 4, 40, 20})}),
      ImageFormat::Metafile, true, [](std::size_t at) { return at >= 8 && at < 24; });
}

TEST(MetafileDecoder, LoadsThroughTheFileEntry) {
  const auto path = test_support::Scratch("shapes.wmf");
  test_support::WriteBytes(path, ShapesPicture());
  const CDibImage image(path.c_str(), ImageFormat::Metafile);
  ASSERT_NE(image.DibBlock(), nullptr) << image.LastError();
  EXPECT_EQ(image.Width(), 192);
  EXPECT_EQ(ColourAt(image, 10, 10), kRed);
}

}  // namespace
}  // namespace imaging
