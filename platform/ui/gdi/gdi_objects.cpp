// Graphics objects: pens, brushes, fonts and bitmaps by handle, the stock objects and the
// classic system colours.
#include "platform/ui/gdi/gdi_internal.h"

#include "platform/win/registry/text_case.h"
#include "platform/win/system/last_error.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string_view>

namespace ui {
namespace {

struct Entry {
  GdiData data;
  bool stock = false;
};

struct Objects {
  std::map<std::uintptr_t, Entry> table;
  std::uintptr_t next = 0x40000;
  std::map<int, HGDIOBJ> stock;
  std::map<int, HBRUSH> sysBrushes;
};

Objects& TheObjects() {
  static Objects objects;
  return objects;
}

HGDIOBJ Add(GdiData data, bool stock = false) {
  auto& objects = TheObjects();
  const std::uintptr_t bits = objects.next;
  objects.next += 4;
  objects.table.emplace(bits, Entry{std::move(data), stock});
  return HandleOf<HGDIOBJ>(bits);
}

template <typename T>
T* FindAs(HGDIOBJ handle) {
  GdiData* data = FindGdiObject(handle);
  return data != nullptr ? std::get_if<T>(data) : nullptr;
}

constexpr std::array<COLORREF, 31> kClassicColours = {
    RGB(212, 208, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
    RGB(212, 208, 200)};

// Windows' character cell height is ascent plus descent; DejaVu Sans's cell is 1.164 em.
int PixelSizeFor(LONG height) {
  if (height < 0) return static_cast<int>(-height);
  if (height == 0) return 11;
  return std::max(1, static_cast<int>(height * 1000 / 1164));
}

// MS Sans Serif, the face of the dialogs, is narrower than DejaVu Sans: at 11 pixels its 52
// letters take 26 * 11.5 pixels, the width that gives the dialogs their base unit of 6 pixels.
// The host font's letters are drawn closer by the difference, so that texts wrap where the
// templates expect them to. Face names compare as Windows compares them: ASCII letters without
// case whatever the locale, and never past the field.
bool IsDialogFace(const LOGFONTA& log) {
  const std::string_view face(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE));
  return win::EqualsIgnoringCase(face, "MS Sans Serif") || win::EqualsIgnoringCase(face, "MS Shell Dlg");
}

// Measuring needs the font database, which exists with the application; without one (a
// decoder run alone) the letters keep their own spacing.
double DialogLetterSpacing(const QFont& font) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double wanted = 26 * 11.5 * font.pixelSize() / 11.0;
  const double natural = QFontMetricsF(font).horizontalAdvance(letters);
  return std::min(0.0, (wanted - natural) / letters.size());
}

}  // namespace

QFont QtFontFor(const LOGFONTA& log) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(PixelSizeFor(log.lfHeight));
  font.setWeight(log.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
  font.setItalic(log.lfItalic != 0);
  font.setUnderline(log.lfUnderline != 0);
  font.setStrikeOut(log.lfStrikeOut != 0);
  font.setStyleStrategy(QFont::NoAntialias);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setKerning(false);
  if (IsDialogFace(log)) font.setLetterSpacing(QFont::AbsoluteSpacing, DialogLetterSpacing(font));
  return font;
}

namespace {

HGDIOBJ MakeStock(int index) {
  switch (index) {
    case WHITE_BRUSH: return Add(BrushData{false, RGB(255, 255, 255), std::nullopt}, true);
    case LTGRAY_BRUSH: return Add(BrushData{false, RGB(192, 192, 192), std::nullopt}, true);
    case GRAY_BRUSH: return Add(BrushData{false, RGB(128, 128, 128), std::nullopt}, true);
    case DKGRAY_BRUSH: return Add(BrushData{false, RGB(64, 64, 64), std::nullopt}, true);
    case BLACK_BRUSH: return Add(BrushData{false, RGB(0, 0, 0), std::nullopt}, true);
    case NULL_BRUSH: return Add(BrushData{true, 0, std::nullopt}, true);
    case WHITE_PEN: return Add(PenData{PS_SOLID, 1, RGB(255, 255, 255)}, true);
    case BLACK_PEN: return Add(PenData{PS_SOLID, 1, RGB(0, 0, 0)}, true);
    case NULL_PEN: return Add(PenData{PS_NULL, 1, 0}, true);
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
      LOGFONTA log;
      log.lfHeight = -11;
      log.lfWeight = FW_NORMAL;
      std::strcpy(log.lfFaceName, "MS Shell Dlg");
      return Add(FontData{log, QtFontFor(log)}, true);
    }
    default: return nullptr;
  }
}

}  // namespace

GdiData* FindGdiObject(HGDIOBJ handle) {
  auto& table = TheObjects().table;
  const auto found = table.find(HandleBits(handle));
  return found == table.end() ? nullptr : &found->second.data;
}

PenData* FindPen(HGDIOBJ handle) { return FindAs<PenData>(handle); }
RegionData* FindRegion(HGDIOBJ handle) { return FindAs<RegionData>(handle); }
PaletteData* FindPalette(HGDIOBJ handle) { return FindAs<PaletteData>(handle); }

HGDIOBJ DefaultPalette() {
  static const HGDIOBJ palette = Add(PaletteData{{RGB(0, 0, 0)}}, true);
  return palette;
}

std::size_t LiveGdiObjectCount() {
  const auto& table = TheObjects().table;
  return static_cast<std::size_t>(
      std::count_if(table.begin(), table.end(), [](const auto& entry) { return !entry.second.stock; }));
}
BrushData* FindBrush(HGDIOBJ handle) { return FindAs<BrushData>(handle); }
FontData* FindFont(HGDIOBJ handle) { return FindAs<FontData>(handle); }
BitmapData* FindBitmap(HGDIOBJ handle) { return FindAs<BitmapData>(handle); }
IconData* FindIcon(HGDIOBJ handle) { return FindAs<IconData>(handle); }
HGDIOBJ AddGdiObject(GdiData data) { return Add(std::move(data)); }

HBITMAP DefaultBitmap() {
  static const HGDIOBJ bitmap = [] {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    return Add(BitmapData{image, true}, true);
  }();
  return static_cast<HBITMAP>(bitmap);
}

HFONT DefaultFont() { return static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }

QRect ToQRect(const RECT& rect) { return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)); }
RECT FromQRect(const QRect& rect) { return RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1}; }
RECT BoundsOf(const QRegion& region) { return region.isEmpty() ? RECT{} : FromQRect(region.boundingRect()); }

QRgb ToQRgb(COLORREF colour) { return qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }
COLORREF FromQRgb(QRgb rgb) {
  return RGB(static_cast<BYTE>(qRed(rgb)), static_cast<BYTE>(qGreen(rgb)), static_cast<BYTE>(qBlue(rgb)));
}
QRgb MonochromeOf(COLORREF colour, COLORREF background) {
  return (colour & 0xFFFFFF) == (background & 0xFFFFFF) ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

COLORREF GetSysColor(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kClassicColours.size()) return 0;
  return kClassicColours[static_cast<std::size_t>(index)];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= kClassicColours.size()) return nullptr;
  auto& brushes = TheObjects().sysBrushes;
  auto found = brushes.find(index);
  if (found == brushes.end()) {
    found = brushes.emplace(index, static_cast<HBRUSH>(Add(BrushData{false, GetSysColor(index), std::nullopt}, true)))
                .first;
  }
  return found->second;
}

HGDIOBJ GetStockObject(int index) {
  auto& stock = TheObjects().stock;
  auto found = stock.find(index);
  if (found == stock.end()) {
    HGDIOBJ made = MakeStock(index);
    if (made == nullptr) return nullptr;
    found = stock.emplace(index, made).first;
  }
  return found->second;
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  return static_cast<HPEN>(Add(PenData{style, std::max(width, 1), colour & 0xFFFFFF}));
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return static_cast<HBRUSH>(Add(BrushData{false, colour & 0xFFFFFF, std::nullopt}));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  const BitmapData* data = FindBitmap(bitmap);
  if (data == nullptr) return nullptr;
  return static_cast<HBRUSH>(Add(BrushData{false, 0, data->image}));
}

HFONT CreateFontIndirectA(const LOGFONTA* log) {
  if (log == nullptr) return nullptr;
  return static_cast<HFONT>(Add(FontData{*log, QtFontFor(*log)}));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* face) {
  LOGFONTA log;
  log.lfHeight = height;
  log.lfWidth = width;
  log.lfEscapement = escapement;
  log.lfOrientation = orientation;
  log.lfWeight = weight;
  log.lfItalic = static_cast<BYTE>(italic);
  log.lfUnderline = static_cast<BYTE>(underline);
  log.lfStrikeOut = static_cast<BYTE>(strikeOut);
  log.lfCharSet = static_cast<BYTE>(charSet);
  log.lfOutPrecision = static_cast<BYTE>(outPrecision);
  log.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  log.lfQuality = static_cast<BYTE>(quality);
  log.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face != nullptr) std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirectA(&log);
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0) return nullptr;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return nullptr;
  const bool mono = bitsPerPixel == 1;
  image.fill(qRgb(0, 0, 0));
  if (bits != nullptr && mono) {
    // Rows of a monochrome bitmap are padded to 16 bits; a set bit is white.
    const auto* bytes = static_cast<const std::uint8_t*>(bits);
    const int stride = ((width + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const bool set = (bytes[y * stride + x / 8] & (0x80 >> (x % 8))) != 0;
        image.setPixel(x, y, set ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
      }
    }
  } else if (bits != nullptr) {
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) image.setPixel(x, y, 0xFF000000u | pixels[y * width + x]);
    }
  }
  return static_cast<HBITMAP>(Add(BitmapData{image, mono}));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  const auto target = TargetOf(dc);
  return CreateBitmap(width, height, 1, target && target->monochrome ? 1 : 32, nullptr);
}

HBITMAP CreateBitmapFromImageBytes(const void* bytes, std::size_t size) {
  QByteArray data(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
  QBuffer buffer(&data);
  QImageReader reader(&buffer);
  QImage image = reader.read();
  if (image.isNull()) return nullptr;
  return static_cast<HBITMAP>(Add(BitmapData{image.convertToFormat(QImage::Format_RGB32), false}));
}

int GetObjectA(HGDIOBJ object, int size, void* out) {
  const BitmapData* bitmap = FindBitmap(object);
  if (bitmap != nullptr && out != nullptr && size >= static_cast<int>(sizeof(BITMAP))) {
    BITMAP info;
    info.bmWidth = bitmap->image.width();
    info.bmHeight = bitmap->image.height();
    info.bmBitsPixel = bitmap->monochrome ? 1 : 32;
    info.bmWidthBytes = bitmap->monochrome ? ((info.bmWidth + 15) / 16) * 2 : info.bmWidth * 4;
    std::memcpy(out, &info, sizeof info);
    return sizeof info;
  }
  const FontData* font = FindFont(object);
  if (font != nullptr && out != nullptr && size >= static_cast<int>(sizeof(LOGFONTA))) {
    std::memcpy(out, &font->log, sizeof font->log);
    return sizeof font->log;
  }
  return 0;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto& table = TheObjects().table;
  const auto found = table.find(HandleBits(object));
  if (found == table.end()) return win::FALSE;
  if (!found->second.stock) table.erase(found);
  return win::TRUE;
}

}  // namespace ui
