// Reading enhanced metafiles: the header record, then one record after another, each of its
// stated size; a record that overruns the bytes or its own size ends the reading with nothing.
#include "platform/ui/gdi/dib_internal.h"
#include "platform/ui/metafiles/metafile_records.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <limits>
#include <map>
#include <stdexcept>

namespace ui::metafile {
namespace {

using win::ReadLe16;
using win::ReadLe32;

constexpr DWORD kSignature = 0x464D4520;  // " EMF"
constexpr DWORD kHeader = 1;
constexpr DWORD kEof = 14;

LONG Signed(std::span<const BYTE> r, std::size_t at) { return static_cast<LONG>(ReadLe32(r, at)); }
POINT PointAt(std::span<const BYTE> r, std::size_t at) { return POINT{Signed(r, at), Signed(r, at + 4)}; }
RECT RectAt(std::span<const BYTE> r, std::size_t at) {
  return RECT{Signed(r, at), Signed(r, at + 4), Signed(r, at + 8), Signed(r, at + 12)};
}
// A sum kept inside the 32-bit range, for coordinates that come from the file.
LONG Plus(LONG a, LONG b) {
  return static_cast<LONG>(std::clamp<std::int64_t>(std::int64_t{a} + b, std::numeric_limits<LONG>::min(),
                                                    std::numeric_limits<LONG>::max()));
}
// EMF boxes include their right and bottom edges; GDI calls exclude them.
RECT BoxAt(std::span<const BYTE> r, std::size_t at) {
  const RECT box = RectAt(r, at);
  return RECT{box.left, box.top, Plus(box.right, 1), Plus(box.bottom, 1)};
}

Poly PolyAt(std::span<const BYTE> r, bool closed, bool shortPoints) {
  const DWORD count = ReadLe32(r, 24);
  const std::size_t width = shortPoints ? 4 : 8;
  if (count > (r.size() - 28) / width) throw std::out_of_range("polygon points beyond the record");
  Poly poly{{}, closed};
  for (DWORD i = 0; i < count; ++i) {
    const std::size_t at = 28 + i * width;
    poly.points.push_back(
        shortPoints ? POINT{static_cast<std::int16_t>(ReadLe16(r, at)), static_cast<std::int16_t>(ReadLe16(r, at + 2))}
                    : PointAt(r, at));
  }
  return poly;
}

std::optional<Op> StretchDib(std::span<const BYTE> r) {
  const RECT destination{Signed(r, 24), Signed(r, 28), Plus(Signed(r, 24), Signed(r, 72)),
                         Plus(Signed(r, 28), Signed(r, 76))};
  const DWORD offHeader = ReadLe32(r, 48);
  const DWORD sizeHeader = ReadLe32(r, 52);
  const DWORD offBits = ReadLe32(r, 56);
  const DWORD sizeBits = ReadLe32(r, 60);
  if (!win::FieldFits(r.size(), offHeader, sizeHeader) || !win::FieldFits(r.size(), offBits, sizeBits)) {
    throw std::out_of_range("bitmap beyond the record");
  }
  auto pixels = DecodeDib(r.subspan(offHeader, sizeHeader), r.subspan(offBits, sizeBits));
  if (!pixels) return std::nullopt;
  return Image{destination, *pixels};
}

CreateFont FontAt(std::span<const BYTE> r) {
  LOGFONTA font;
  font.lfHeight = Signed(r, 12);
  font.lfWidth = Signed(r, 16);
  font.lfWeight = Signed(r, 28);
  ReadFontFlags(r, 32, font);
  for (std::size_t i = 0; i + 1 < LF_FACESIZE; ++i) {
    const WORD c = ReadLe16(r, 40 + i * 2);
    if (c == 0) break;
    font.lfFaceName[i] = c < 0x100 ? static_cast<char>(c) : '?';
  }
  return CreateFont{ReadLe32(r, 8), font};
}

// EMR_EXTTEXTOUTA and EMR_EXTTEXTOUTW: the text record sits after the bounds and scales.
Text TextAt(std::span<const BYTE> r, bool wide) {
  const DWORD count = ReadLe32(r, 44);
  const DWORD offset = ReadLe32(r, 48);
  const auto bytes = BytesAt(r, offset, static_cast<std::size_t>(count) * (wide ? 2 : 1));
  QString text;
  for (DWORD i = 0; i < count; ++i) {
    text += wide ? QChar(ReadLe16(bytes, i * 2)) : QChar::fromLatin1(static_cast<char>(bytes[i]));
  }
  return Text{PointAt(r, 36), text, ReadLe32(r, 52), RectAt(r, 56)};
}

// EMR_EXTSELECTCLIPRGN: the region data's header, then its rectangles.
SelectClip ClipRegionAt(std::span<const BYTE> r) {
  const DWORD size = ReadLe32(r, 8);
  const auto mode = static_cast<int>(ReadLe32(r, 12));
  if (size == 0) return SelectClip{{}, mode};
  const DWORD count = ReadLe32(r, 24);
  if (count > (r.size() - std::min<std::size_t>(r.size(), 48)) / 16)
    throw std::out_of_range("region beyond the record");
  SelectClip clip{{}, mode};
  for (DWORD i = 0; i < count; ++i) clip.rects.push_back(RectAt(r, 48 + i * 16));
  return clip;
}

// One record's operation; nothing for records the player does not draw.
std::optional<Op> ReadRecord(DWORD type, std::span<const BYTE> r) {
  switch (type) {
    case 3: return PolyAt(r, true, false);
    case 4: return PolyAt(r, false, false);
    case 86: return PolyAt(r, true, true);
    case 87: return PolyAt(r, false, true);
    case 9: return SetWindowExt{SIZE{Signed(r, 8), Signed(r, 12)}};
    case 10: return SetWindowOrg{PointAt(r, 8)};
    case 11: return SetViewportExt{SIZE{Signed(r, 8), Signed(r, 12)}};
    case 12: return SetViewportOrg{PointAt(r, 8)};
    case 17: return SetMapMode{Signed(r, 8)};
    case 18: return SetBkMode{Signed(r, 8)};
    case 24: return SetTextColour{ReadLe32(r, 8) & 0xFFFFFF};
    case 25: return SetBkColour{ReadLe32(r, 8) & 0xFFFFFF};
    case 27: return MoveTo{PointAt(r, 8)};
    case 54: return LineTo{PointAt(r, 8)};
    case 33: return SaveDc{};
    case 34: return RestoreDc{Signed(r, 8)};
    case 37: return Select{ReadLe32(r, 8)};
    case 40: return Delete{ReadLe32(r, 8)};
    case 38:
      return CreatePen{ReadLe32(r, 8), static_cast<int>(ReadLe32(r, 12) & 0xF), Signed(r, 16),
                       ReadLe32(r, 24) & 0xFFFFFF};
    case 39: return CreateBrush{ReadLe32(r, 8), ReadLe32(r, 12) == 1, ReadLe32(r, 16) & 0xFFFFFF};
    case 42: return Ellipse{BoxAt(r, 8)};
    case 43: return Rectangle{BoxAt(r, 8)};
    case 81: return StretchDib(r);
    case 22: return SetTextAlign{ReadLe32(r, 8)};
    case 29: return ClipRect{RectAt(r, 8), true};
    case 30: return ClipRect{RectAt(r, 8), false};
    case 75: return ClipRegionAt(r);
    case 82: return FontAt(r);
    case 83: return TextAt(r, false);
    case 84: return TextAt(r, true);
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<Picture> ReadEnhancedMetafile(std::span<const BYTE> bytes) {
  try {
    if (ReadLe32(bytes, 0) != kHeader || ReadLe32(bytes, 40) != kSignature) return std::nullopt;
    Picture picture;
    picture.header.rclBounds = RectAt(bytes, 8);
    picture.header.rclFrame = RectAt(bytes, 24);
    picture.header.nBytes = ReadLe32(bytes, 48);
    picture.header.nRecords = ReadLe32(bytes, 52);
    picture.header.nHandles = ReadLe16(bytes, 56);
    std::size_t at = 0;
    for (;;) {
      const DWORD type = ReadLe32(bytes, at);
      const DWORD size = ReadLe32(bytes, at + 4);
      if (size < 8 || size % 4 != 0 || !win::FieldFits(bytes.size(), at, size)) return std::nullopt;
      if (type == kEof) return picture;
      if (auto op = ReadRecord(type, bytes.subspan(at, size))) picture.ops.push_back(std::move(*op));
      at += size;
    }
  } catch (const std::out_of_range&) {
    return std::nullopt;
  }
}

}  // namespace ui::metafile
