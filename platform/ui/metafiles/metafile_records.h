// The parsed form of a metafile: a list of drawing operations in the metafile's logical
// coordinates, shared by the WMF and EMF readers and the player.
#pragma once

#include "platform/ui/gdi/gdi.h"
#include "platform/ui/metafiles/metafile.h"
#include "platform/win/layouts/byte_order.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <variant>
#include <vector>

namespace ui::metafile {

struct SetMapMode {
  int mode;
};
struct SetWindowOrg {
  POINT at;
};
struct SetWindowExt {
  SIZE extent;
};
struct SetViewportOrg {
  POINT at;
};
struct SetViewportExt {
  SIZE extent;
};
struct SetTextColour {
  COLORREF colour;
};
struct SetBkColour {
  COLORREF colour;
};
struct SetBkMode {
  int mode;
};
struct MoveTo {
  POINT at;
};
struct LineTo {
  POINT at;
};
struct Rectangle {
  RECT box;
};
struct Ellipse {
  RECT box;
};
struct Poly {
  std::vector<POINT> points;
  bool closed;
};
struct CreatePen {
  std::uint32_t index;
  int style;
  int width;
  COLORREF colour;
};
struct CreateBrush {
  std::uint32_t index;
  bool hollow;
  COLORREF colour;
};
// Stock objects have the high bit set, as in EMF.
struct Select {
  std::uint32_t index;
};
struct Delete {
  std::uint32_t index;
};
struct SaveDc {};
struct RestoreDc {
  int which;
};
struct Image {
  RECT destination;
  QImage pixels;
};
struct CreateFont {
  std::uint32_t index;
  LOGFONTA font;
};
struct SetTextAlign {
  UINT align;
};
struct Text {
  POINT at;
  QString text;
  UINT options;  // ETO_OPAQUE and ETO_CLIPPED use the rectangle
  RECT rect;
};
// IntersectClipRect or ExcludeClipRect, in logical coordinates.
struct ClipRect {
  RECT box;
  bool exclude;
};
// A region of device rectangles combined with the clip by an RGN_ mode; RGN_COPY of no
// rectangles removes the clip.
struct SelectClip {
  std::vector<RECT> rects;
  int mode;
};

// Bytes of a record from a byte offset, checked against its end.
inline std::span<const BYTE> BytesAt(std::span<const BYTE> r, std::size_t at, std::size_t count) {
  if (!win::FieldFits(r.size(), at, count)) throw std::out_of_range("field beyond the record");
  return r.subspan(at, count);
}

// Italic, underline, strike-out and character set: four bytes in this order in the font records of both formats.
inline void ReadFontFlags(std::span<const BYTE> r, std::size_t at, LOGFONTA& font) {
  const auto flags = BytesAt(r, at, 4);
  font.lfItalic = flags[0];
  font.lfUnderline = flags[1];
  font.lfStrikeOut = flags[2];
  font.lfCharSet = flags[3];
}

using Op = std::variant<SetMapMode, SetWindowOrg, SetWindowExt, SetViewportOrg, SetViewportExt, SetTextColour,
                        SetBkColour, SetBkMode, MoveTo, LineTo, Rectangle, Ellipse, Poly, CreatePen, CreateBrush,
                        Select, Delete, SaveDc, RestoreDc, Image, CreateFont, SetTextAlign, Text, ClipRect, SelectClip>;

struct Picture {
  std::vector<Op> ops;
  ENHMETAHEADER header;
  // A converted Windows metafile maps its window onto the playing rectangle; an enhanced one
  // maps its bounds.
  bool fromWindowsMetafile = false;
};

// Nothing when the bytes are no well-formed metafile of the kind.
std::optional<Picture> ReadEnhancedMetafile(std::span<const BYTE> bytes);
std::optional<Picture> ReadWindowsMetafile(std::span<const BYTE> bytes, const METAFILEPICT& picture);

}  // namespace ui::metafile
