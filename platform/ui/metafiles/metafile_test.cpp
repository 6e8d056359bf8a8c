#include "platform/ui/metafiles/metafile.h"

#include "platform/ui/gdi/cdc.h"
#include "platform/ui/gdi/dib.h"
#include "platform/win/system/last_error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace ui {
namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Little-endian record builders for the tests' metafiles.
class Bytes {
 public:
  Bytes& U16(std::uint32_t v) {
    data.push_back(static_cast<BYTE>(v & 0xFF));
    data.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
    return *this;
  }
  Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& S32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  std::vector<BYTE> data;
};

Bytes EmfRecord(std::uint32_t type, std::initializer_list<std::uint32_t> values) {
  Bytes r;
  r.U32(type).U32(static_cast<std::uint32_t>(8 + 4 * values.size()));
  for (std::uint32_t v : values) r.U32(v);
  return r;
}

std::vector<BYTE> Emf(std::initializer_list<Bytes> records, RECT bounds) {
  Bytes header;
  header.U32(1).U32(88).S32(bounds.left).S32(bounds.top).S32(bounds.right).S32(bounds.bottom);
  header.U32(0).U32(0).U32(2645).U32(1322).U32(0x464D4520).U32(0x10000).U32(0).U32(0);
  header.U16(3).U16(0).U32(0).U32(0).U32(0).U32(1024).U32(768).U32(271).U32(203);
  std::vector<BYTE> out = header.data;
  for (const Bytes& r : records) out.insert(out.end(), r.data.begin(), r.data.end());
  const Bytes eof = EmfRecord(14, {0, 0, 20});
  out.insert(out.end(), eof.data.begin(), eof.data.end());
  return out;
}

Bytes WmfRecord(std::uint32_t function, std::initializer_list<std::uint32_t> words) {
  Bytes r;
  r.U32(static_cast<std::uint32_t>(3 + words.size())).U16(function);
  for (std::uint32_t w : words) r.U16(w);
  return r;
}

std::vector<BYTE> Wmf(std::initializer_list<Bytes> records) {
  Bytes header;
  header.U16(1).U16(9).U16(0x300).U32(0).U16(2).U32(0).U16(0);
  std::vector<BYTE> out = header.data;
  for (const Bytes& r : records) out.insert(out.end(), r.data.begin(), r.data.end());
  const Bytes eof = WmfRecord(0, {});
  out.insert(out.end(), eof.data.begin(), eof.data.end());
  return out;
}

struct Player : ::testing::Test {
  void SetUp() override {
    dc.CreateCompatibleDC(nullptr);
    bitmap.CreateBitmap(200, 100, 1, 32, nullptr);
    dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, 200, 100, kWhite);
  }
  CDC dc;
  CBitmap bitmap;
};

TEST_F(Player, EnhancedMetafileBoundsMapOntoTheRectangle) {
  // A red box from (10,10) to (29,29) in a 100 x 50 picture, without an outline.
  const auto bytes = Emf({EmfRecord(39, {1, 0, 0x0000FF, 0}), EmfRecord(37, {1}), EmfRecord(37, {0x80000008}),
                          EmfRecord(43, {10, 10, 29, 29})},
                         RECT{0, 0, 99, 49});
  const HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header;
  EXPECT_EQ(GetEnhMetaFileHeader(metafile, sizeof header, &header), sizeof header);
  EXPECT_EQ(header.rclBounds, (RECT{0, 0, 99, 49}));
  EXPECT_EQ(GetEnhMetaFilePaletteEntries(metafile, 0, nullptr), 0u);
  const RECT target{0, 0, 200, 100};
  ASSERT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  EXPECT_EQ(dc.GetPixel(40, 40), kRed) << "twice the size";
  EXPECT_EQ(dc.GetPixel(10, 10), kWhite);
  EXPECT_EQ(dc.GetPixel(70, 70), kWhite);
  EXPECT_TRUE(DeleteEnhMetaFile(metafile));
}

TEST_F(Player, WindowsMetafileWindowMapsOntoTheRectangle) {
  // Window 1000 x 500; a blue rectangle over its top-left quarter, drawn without a pen.
  const auto bytes =
      Wmf({WmfRecord(0x020B, {0, 0}), WmfRecord(0x020C, {500, 1000}), WmfRecord(0x02FC, {0, 0x0000, 0x00FF, 0}),
           WmfRecord(0x012D, {0}), WmfRecord(0x02FA, {5, 0, 0, 0, 0}), WmfRecord(0x012D, {1}),
           WmfRecord(0x041B, {250, 500, 0, 0})});
  METAFILEPICT picture;
  picture.xExt = 2646;  // 100 pixels at 96 DPI, in hundredths of a millimetre
  picture.yExt = 1323;
  const HENHMETAFILE metafile = SetWinMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data(), nullptr, &picture);
  ASSERT_NE(metafile, nullptr);
  ENHMETAHEADER header;
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  EXPECT_EQ(header.rclBounds.right, 99);
  const RECT target{0, 0, 100, 50};
  ASSERT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  EXPECT_EQ(dc.GetPixel(10, 10), kBlue);
  EXPECT_EQ(dc.GetPixel(45, 20), kBlue);
  EXPECT_EQ(dc.GetPixel(60, 35), kWhite);
  DeleteEnhMetaFile(metafile);
}

TEST_F(Player, StretchedDibRecordsDrawTheirPixels) {
  // A 2 x 1 DIB, 24 bits, red then blue, stretched over (0,0)-(100,50).
  Bytes record;
  record.U32(81).U32(80 + 40 + 8);
  record.S32(0).S32(0).S32(99).S32(49);  // bounds
  record.S32(0).S32(0).S32(0).S32(0).S32(2).S32(1);  // destination, source origin and size
  record.U32(80).U32(40).U32(120).U32(8).U32(0).U32(0x00CC0020);
  record.S32(100).S32(50);  // destination size
  record.U32(40).S32(2).S32(1).U16(1).U16(24).U32(0).U32(8).U32(0).U32(0).U32(0).U32(0);
  for (BYTE b : {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}) record.data.push_back(b);
  const auto bytes = Emf({record}, RECT{0, 0, 99, 49});
  const HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
  ASSERT_NE(metafile, nullptr);
  const RECT target{0, 0, 100, 50};
  PlayEnhMetaFile(dc, metafile, &target);
  EXPECT_EQ(dc.GetPixel(10, 25), kRed);
  EXPECT_EQ(dc.GetPixel(90, 25), kBlue);
  DeleteEnhMetaFile(metafile);
}

// Where anything other than white was drawn inside the 200 x 100 canvas.
RECT InkBox(CDC& dc) {
  RECT box{200, 100, -1, -1};
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      if (dc.GetPixel(x, y) == kWhite) continue;
      box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                 std::max<LONG>(box.bottom, y + 1)};
    }
  }
  return box;
}

// A red brush and no pen, as the clipping cases fill with.
Bytes RedBrush() { return EmfRecord(39, {1, 0, 0x0000FF, 0}); }

void PlayOnto(CDC& dc, const std::vector<BYTE>& bytes, bool windowsMetafile) {
  METAFILEPICT picture;
  picture.xExt = 5292;  // 200 x 100 pixels at 96 DPI, in hundredths of a millimetre
  picture.yExt = 2646;
  const HENHMETAFILE metafile =
      windowsMetafile ? SetWinMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data(), nullptr, &picture)
                      : SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
  ASSERT_NE(metafile, nullptr);
  const RECT target{0, 0, 200, 100};
  ASSERT_TRUE(PlayEnhMetaFile(dc, metafile, &target));
  DeleteEnhMetaFile(metafile);
}

TEST_F(Player, ClipRectanglesNarrowDrawingAndRestoreDcWidensItAgain) {
  PlayOnto(dc,
           Emf({RedBrush(), EmfRecord(37, {1}), EmfRecord(37, {0x80000008}), EmfRecord(30, {10, 10, 50, 50}),
                EmfRecord(33, {}), EmfRecord(30, {0, 0, 12, 12}), EmfRecord(34, {static_cast<std::uint32_t>(-1)}),
                EmfRecord(29, {20, 20, 30, 30}), EmfRecord(43, {0, 0, 199, 99})},
               RECT{0, 0, 199, 99}),
           false);
  EXPECT_EQ(InkBox(dc), (RECT{10, 10, 50, 50})) << "the intersected clip, its right and bottom edges outside";
  EXPECT_EQ(dc.GetPixel(45, 45), kRed) << "RestoreDC took the narrower clip away";
  EXPECT_EQ(dc.GetPixel(20, 20), kWhite) << "the excluded hole";
  EXPECT_EQ(dc.GetPixel(29, 29), kWhite);
  EXPECT_EQ(dc.GetPixel(30, 30), kRed);
}

TEST_F(Player, SelectedClipRegionsReplaceTheClipAndAnEmptyOneRemovesIt) {
  Bytes region = EmfRecord(75, {48, RGN_COPY, 32, 1, 2, 32, 100, 0, 140, 10});
  region.S32(100).S32(0).S32(120).S32(10).S32(130).S32(0).S32(140).S32(10);
  region.data[4] = static_cast<BYTE>(region.data.size());
  PlayOnto(dc,
           Emf({RedBrush(), EmfRecord(37, {1}), EmfRecord(37, {0x80000008}), EmfRecord(30, {0, 0, 10, 10}), region,
                EmfRecord(43, {0, 0, 199, 99})},
               RECT{0, 0, 199, 99}),
           false);
  EXPECT_EQ(InkBox(dc), (RECT{100, 0, 140, 10})) << "the region replaced the earlier clip";
  EXPECT_EQ(dc.GetPixel(125, 5), kWhite) << "between the region's two rectangles";
  dc.FillSolidRect(0, 0, 200, 100, kWhite);
  PlayOnto(dc,
           Emf({RedBrush(), EmfRecord(37, {1}), EmfRecord(37, {0x80000008}), EmfRecord(30, {0, 0, 10, 10}),
                EmfRecord(75, {0, RGN_COPY}), EmfRecord(43, {0, 0, 199, 99})},
               RECT{0, 0, 199, 99}),
           false);
  EXPECT_EQ(InkBox(dc), (RECT{0, 0, 199, 99})) << "unclipped: the whole penless rectangle";
}

TEST_F(Player, WindowsMetafileTextStandsWhereItsAlignmentPutsIt) {
  // "Hi" at (100, 40), centred on that point and hanging from it; then an opaque rectangle.
  Bytes text;
  text.U32(3 + 1 + 1 + 2).U16(0x0521).U16(2);
  text.data.push_back('H');
  text.data.push_back('i');
  text.U16(40).U16(100);
  Bytes opaque;
  opaque.U32(3 + 8).U16(0x0A32).U16(70).U16(50).U16(0).U16(ETO_OPAQUE).U16(20).U16(60).U16(40).U16(80);
  PlayOnto(dc,
           Wmf({WmfRecord(0x020B, {0, 0}), WmfRecord(0x020C, {100, 200}), WmfRecord(0x0102, {TRANSPARENT}),
                WmfRecord(0x012E, {TA_CENTER}), text}),
           true);
  const RECT ink = InkBox(dc);
  ASSERT_LT(ink.left, ink.right) << "the text left ink";
  EXPECT_GE(ink.top, 40) << "top alignment: the text hangs below the point";
  EXPECT_LE(ink.top, 44);
  EXPECT_LE(std::abs((ink.left + ink.right) / 2 - 100), 2) << "centred on x";
  dc.FillSolidRect(0, 0, 200, 100, kWhite);
  PlayOnto(dc,
           Wmf({WmfRecord(0x020B, {0, 0}), WmfRecord(0x020C, {100, 200}),
                WmfRecord(0x0201, {0xFF0000 & 0xFFFF, 0x00FF}), opaque}),
           true);
  EXPECT_EQ(InkBox(dc), (RECT{20, 60, 40, 80})) << "ETO_OPAQUE fills exactly its rectangle";
  EXPECT_EQ(dc.GetPixel(20, 60), kBlue);
}

TEST_F(Player, EnhancedMetafileWideTextUsesItsFontAndKeepsToItsClipRectangle) {
  // A 20-pixel font; "WWWWWWWW" in red from (10, 10), clipped to x < 40.
  Bytes font;
  font.U32(82).U32(0).U32(1).S32(-20).S32(0).S32(0).S32(0).S32(400).U32(0).U32(0);
  for (char c : std::string("Arial")) font.U16(static_cast<unsigned char>(c));
  font.U16(0);
  font.data.resize(12 + 92 + 8, 0);
  font.data[4] = static_cast<BYTE>(font.data.size());
  const std::u16string letters = u"WWWWWWWW";
  Bytes text;
  text.U32(84).U32(0).S32(0).S32(0).S32(0).S32(0).U32(1).U32(0).U32(0);
  text.S32(10).S32(10).U32(static_cast<std::uint32_t>(letters.size())).U32(76).U32(ETO_CLIPPED);
  text.S32(0).S32(0).S32(40).S32(100).U32(0);
  for (char16_t c : letters) text.U16(c);
  text.data[4] = static_cast<BYTE>(text.data.size());
  PlayOnto(dc,
           Emf({font, EmfRecord(37, {1}), EmfRecord(24, {0x0000FF}), EmfRecord(18, {TRANSPARENT}), text},
               RECT{0, 0, 199, 99}),
           false);
  const RECT ink = InkBox(dc);
  EXPECT_EQ(ink.right, 40) << "the text runs on to the clip rectangle's edge and no further";
  EXPECT_GE(ink.left, 10);
  EXPECT_GE(ink.top, 10);
  EXPECT_GE(ink.bottom - ink.top, 12) << "a 20-pixel font's capitals";
  EXPECT_LE(ink.bottom, 32);
}

TEST(Metafiles, CorruptBytesAreRefusedWithAnError) {
  const auto wmf = Wmf({WmfRecord(0x020C, {500, 1000})});
  win::SetLastError(0xDEADBEEF);
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(wmf.size()), wmf.data()), nullptr) << "a WMF is no EMF";
  EXPECT_EQ(win::GetLastError(), win::ERROR_INVALID_DATA);
  auto emf = Emf({EmfRecord(43, {10, 10, 29, 29})}, RECT{0, 0, 9, 9});
  emf.resize(emf.size() - 6);
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(emf.size()), emf.data()), nullptr) << "the last record is cut";
  auto polygon = Emf({EmfRecord(3, {0, 0, 0, 0, 0x40000000})}, RECT{0, 0, 9, 9});
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(polygon.size()), polygon.data()), nullptr)
      << "points beyond the record";
  auto cut = Wmf({WmfRecord(0x0324, {200, 1, 2})});
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(cut.size()), cut.data(), nullptr, nullptr), nullptr);
  EXPECT_EQ(SetWinMetaFileBits(5, wmf.data(), nullptr, nullptr), nullptr);
}

TEST(Metafiles, TextAndClipRecordsReachingPastThemselvesAreRefused) {
  const auto text = Emf({EmfRecord(84, {0, 0, 0, 0, 1, 0, 0, 10, 10, 1000, 76, 0, 0, 0, 0, 0, 0})}, RECT{0, 0, 9, 9});
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(text.size()), text.data()), nullptr) << "characters past the record";
  const auto region = Emf({EmfRecord(75, {32, RGN_COPY, 32, 1, 0x10000000, 0, 0, 0, 9, 9})}, RECT{0, 0, 9, 9});
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(region.size()), region.data()), nullptr)
      << "rectangles past the record";
  const auto font = Emf({EmfRecord(82, {1, 0xFFFFFFEC, 0, 0, 0, 400})}, RECT{0, 0, 9, 9});
  EXPECT_EQ(SetEnhMetaFileBits(static_cast<UINT>(font.size()), font.data()), nullptr) << "a font cut before its flags";
  const auto textOut = Wmf({WmfRecord(0x0521, {200, 0x6948, 40, 100})});
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(textOut.size()), textOut.data(), nullptr, nullptr), nullptr);
  const auto extTextOut = Wmf({WmfRecord(0x0A32, {40, 100, 50, 0, 0x6948})});
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(extTextOut.size()), extTextOut.data(), nullptr, nullptr), nullptr);
  const auto wmfFont = Wmf({WmfRecord(0x02FB, {0xFFEC, 0, 0, 0, 400})});
  EXPECT_EQ(SetWinMetaFileBits(static_cast<UINT>(wmfFont.size()), wmfFont.data(), nullptr, nullptr), nullptr);
}

TEST(DeviceIndependentBitmaps, GetDIBitsGivesBottomUpRowsPaddedToFourBytes) {
  CDC dc;
  dc.CreateCompatibleDC(nullptr);
  CBitmap bitmap;
  bitmap.CreateBitmap(3, 2, 1, 32, nullptr);
  dc.SelectObject(&bitmap);
  dc.SetPixel(0, 0, kRed);
  dc.SetPixel(2, 1, kBlue);
  BITMAPINFO info;
  info.bmiHeader.biBitCount = 24;
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, nullptr, &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(info.bmiHeader.biSizeImage, 24u) << "3 pixels of 3 bytes padded to 12, two rows";
  std::vector<BYTE> rows(info.bmiHeader.biSizeImage);
  EXPECT_EQ(GetDIBits(dc, bitmap, 0, 2, rows.data(), &info, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[6], 0xFF) << "the bottom row comes first: blue's blue byte";
  EXPECT_EQ(rows[12 + 2], 0xFF) << "the top row's first pixel is red";
}

}  // namespace
}  // namespace ui
