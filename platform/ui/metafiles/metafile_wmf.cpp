// Reading Windows metafiles: the 18-byte header, then records of a size in 16-bit words and a
// function number, parameters mostly in reverse order. Objects take the lowest free slot of the
// object table when created, as the format defines, so that later selections find them.
#include "platform/ui/gdi/dib_internal.h"
#include "platform/ui/metafiles/metafile_records.h"
#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <stdexcept>

namespace ui::metafile {
namespace {

using win::ReadLe16;
using win::ReadLe32;

LONG Short(std::span<const BYTE> r, std::size_t word) { return static_cast<std::int16_t>(ReadLe16(r, 6 + word * 2)); }
DWORD Long(std::span<const BYTE> r, std::size_t word) { return ReadLe32(r, 6 + word * 2); }

// Parameters listed bottom, right, top, left.
RECT BoxOf(std::span<const BYTE> r) { return RECT{Short(r, 3), Short(r, 2), Short(r, 1), Short(r, 0)}; }

Poly PolyOf(std::span<const BYTE> r, bool closed) {
  const auto count = static_cast<std::size_t>(ReadLe16(r, 6));
  Poly poly{{}, closed};
  for (std::size_t i = 0; i < count; ++i) poly.points.push_back(POINT{Short(r, 1 + i * 2), Short(r, 2 + i * 2)});
  return poly;
}

class ObjectSlots {
 public:
  std::uint32_t Take() {
    const auto free = std::find(used_.begin(), used_.end(), false);
    const auto index = static_cast<std::uint32_t>(free - used_.begin());
    if (free == used_.end()) {
      used_.push_back(true);
    } else {
      *free = true;
    }
    return index;
  }
  void Release(std::uint32_t index) {
    if (index < used_.size()) used_[index] = false;
  }

 private:
  std::vector<bool> used_;
};

QString Latin1(std::span<const BYTE> bytes) {
  return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

// Strings are padded to a whole number of words.
std::size_t Padded(std::size_t length) { return length + (length & 1); }

Text TextOutOf(std::span<const BYTE> r) {
  const std::size_t length = ReadLe16(r, 6);
  const std::size_t after = (8 + Padded(length) - 6) / 2;
  return Text{POINT{Short(r, after + 1), Short(r, after)}, Latin1(BytesAt(r, 8, length)), 0, RECT{}};
}

Text ExtTextOutOf(std::span<const BYTE> r) {
  const std::size_t length = ReadLe16(r, 10);
  const UINT options = ReadLe16(r, 12);
  const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
  const RECT rect = hasRect ? RECT{Short(r, 4), Short(r, 5), Short(r, 6), Short(r, 7)} : RECT{};
  return Text{POINT{Short(r, 1), Short(r, 0)}, Latin1(BytesAt(r, hasRect ? 22 : 14, length)), options, rect};
}

CreateFont FontOf(std::span<const BYTE> r, std::uint32_t index) {
  LOGFONTA font;
  font.lfHeight = Short(r, 0);
  font.lfWidth = Short(r, 1);
  font.lfWeight = Short(r, 4);
  ReadFontFlags(r, 16, font);
  const auto face =
      r.size() > 24 ? r.subspan(24, std::min<std::size_t>(r.size() - 24, LF_FACESIZE - 1)) : std::span<const BYTE>();
  std::copy(face.begin(), std::find(face.begin(), face.end(), BYTE{0}), font.lfFaceName);
  return CreateFont{index, font};
}

std::optional<Op> StretchDib(std::span<const BYTE> r, std::size_t firstCoordinate, std::size_t dibWord) {
  const RECT destination{Short(r, firstCoordinate + 3), Short(r, firstCoordinate + 2),
                         Short(r, firstCoordinate + 3) + Short(r, firstCoordinate + 1),
                         Short(r, firstCoordinate + 2) + Short(r, firstCoordinate)};
  const std::size_t start = 6 + dibWord * 2;
  if (start > r.size()) throw std::out_of_range("bitmap beyond the record");
  const auto dib = r.subspan(start);
  const auto table = FindDibColourTable(dib);
  if (!table) throw std::out_of_range("colour table beyond the record");
  auto pixels = DecodeDib(dib.first(table->End()), dib.subspan(table->End()));
  if (!pixels) return std::nullopt;
  return Image{destination, *pixels};
}

std::optional<Op> ReadRecord(WORD function, std::span<const BYTE> r, ObjectSlots& objects) {
  switch (function) {
    case 0x0103: return SetMapMode{Short(r, 0)};
    case 0x0102: return SetBkMode{Short(r, 0)};
    case 0x0209: return SetTextColour{Long(r, 0) & 0xFFFFFF};
    case 0x0201: return SetBkColour{Long(r, 0) & 0xFFFFFF};
    case 0x020B: return SetWindowOrg{POINT{Short(r, 1), Short(r, 0)}};
    case 0x020C: return SetWindowExt{SIZE{Short(r, 1), Short(r, 0)}};
    case 0x020D: return SetViewportOrg{POINT{Short(r, 1), Short(r, 0)}};
    case 0x020E: return SetViewportExt{SIZE{Short(r, 1), Short(r, 0)}};
    case 0x0214: return MoveTo{POINT{Short(r, 1), Short(r, 0)}};
    case 0x0213: return LineTo{POINT{Short(r, 1), Short(r, 0)}};
    case 0x041B: return Rectangle{BoxOf(r)};
    case 0x0418: return Ellipse{BoxOf(r)};
    case 0x0324: return PolyOf(r, true);
    case 0x0325: return PolyOf(r, false);
    case 0x001E: return SaveDc{};
    case 0x0127: return RestoreDc{Short(r, 0)};
    case 0x012D: return Select{ReadLe16(r, 6)};
    case 0x01F0: objects.Release(ReadLe16(r, 6)); return Delete{ReadLe16(r, 6)};
    case 0x02FA: return CreatePen{objects.Take(), Short(r, 0) & 0xF, Short(r, 1), Long(r, 3) & 0xFFFFFF};
    case 0x02FC: return CreateBrush{objects.Take(), Short(r, 0) == 1, Long(r, 1) & 0xFFFFFF};
    case 0x02FB: return FontOf(r, objects.Take());
    case 0x012E: return SetTextAlign{ReadLe16(r, 6)};
    case 0x0521: return TextOutOf(r);
    case 0x0A32: return ExtTextOutOf(r);
    case 0x0416: return ClipRect{BoxOf(r), false};
    case 0x0415: return ClipRect{BoxOf(r), true};
    // The scans of a region object are not read: selecting one removes the clip.
    case 0x012C: return SelectClip{{}, RGN_COPY};
    // Objects the player does not draw with still take their slot.
    case 0x00F7:
    case 0x06FF:
    case 0x0142: return CreateBrush{objects.Take(), true, 0};
    case 0x0F43: return StretchDib(r, 6, 11);
    case 0x0B41: return StretchDib(r, 2, 10);
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<Picture> ReadWindowsMetafile(std::span<const BYTE> bytes, const METAFILEPICT& description) {
  try {
    const WORD type = ReadLe16(bytes, 0);
    const WORD headerWords = ReadLe16(bytes, 2);
    if ((type != 1 && type != 2) || headerWords != 9) return std::nullopt;
    Picture picture;
    picture.fromWindowsMetafile = true;
    // The picture's size: hundredths of a millimetre at 96 dots per inch.
    const LONG width = static_cast<LONG>(static_cast<long long>(description.xExt) * 96 / 2540);
    const LONG height = static_cast<LONG>(static_cast<long long>(description.yExt) * 96 / 2540);
    picture.header.rclBounds = RECT{0, 0, width - 1, height - 1};
    picture.header.rclFrame = RECT{0, 0, description.xExt - 1, description.yExt - 1};
    picture.header.nBytes = static_cast<DWORD>(bytes.size());
    ObjectSlots objects;
    std::size_t at = 18;
    for (;;) {
      const DWORD words = ReadLe32(bytes, at);
      const WORD function = ReadLe16(bytes, at + 4);
      if (words < 3 || words > (bytes.size() - at) / 2) return std::nullopt;
      if (function == 0) return picture;
      if (auto op = ReadRecord(function, bytes.subspan(at, static_cast<std::size_t>(words) * 2), objects)) {
        picture.ops.push_back(std::move(*op));
      }
      at += static_cast<std::size_t>(words) * 2;
      ++picture.header.nRecords;
    }
  } catch (const std::out_of_range&) {
    return std::nullopt;
  }
}

}  // namespace ui::metafile
