// Metafile handles and the player.
#include "platform/ui/metafiles/metafile.h"

#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/metafiles/metafile_records.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/win/system/last_error.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace ui {
namespace {

using namespace metafile;

struct Metafiles {
  std::map<std::uintptr_t, Picture> table;
  std::uintptr_t next = 0xF0000;
};

Metafiles& TheMetafiles() {
  static Metafiles metafiles;
  return metafiles;
}

HENHMETAFILE Store(std::optional<Picture> picture) {
  if (!picture) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return nullptr;
  }
  auto& metafiles = TheMetafiles();
  const std::uintptr_t bits = metafiles.next;
  metafiles.next += 4;
  metafiles.table.emplace(bits, std::move(*picture));
  return HandleOf<HENHMETAFILE>(bits);
}

const Picture* Find(HENHMETAFILE handle) {
  const auto& table = TheMetafiles().table;
  const auto found = table.find(HandleBits(handle));
  return found == table.end() ? nullptr : &found->second;
}

struct PlayState {
  int mapMode = MM_TEXT;
  POINT windowOrg;
  SIZE windowExt{1, 1};
  POINT viewportOrg;
  SIZE viewportExt{1, 1};
  PenData pen{PS_SOLID, 1, 0};
  BrushData brush{false, RGB(255, 255, 255), std::nullopt};
  COLORREF text = 0;
  COLORREF bk = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT position;
  LOGFONTA font;
  UINT textAlign = 0;
  std::optional<QPainterPath> clip;  // in the painter's coordinates; none leaves the target's clip
};

class Player {
 public:
  Player(const DcTarget& target, const Picture& picture, const RECT& rect) : painter_(target.image) {
    painter_.setClipRegion(target.clip);
    painter_.translate(target.origin.x, target.origin.y);
    if (picture.fromWindowsMetafile) {
      // The window the records set up maps onto the rectangle.
      state_.mapMode = MM_ANISOTROPIC;
      state_.viewportOrg = POINT{rect.left, rect.top};
      state_.viewportExt = SIZE{rect.Width(), rect.Height()};
    } else {
      const RECT& bounds = picture.header.rclBounds;
      // In doubles: bounds may span the whole 32-bit range.
      const double width = std::max(1.0, static_cast<double>(bounds.right) - bounds.left + 1);
      const double height = std::max(1.0, static_cast<double>(bounds.bottom) - bounds.top + 1);
      painter_.translate(rect.left, rect.top);
      painter_.scale(rect.Width() / width, rect.Height() / height);
      painter_.translate(-static_cast<double>(bounds.left), -static_cast<double>(bounds.top));
    }
    targetClip_ = painter_.clipPath();
  }

  void Play(const Op& op) {
    std::visit([this](const auto& each) { Do(each); }, op);
  }

 private:
  // In doubles, so that coordinates and origins anywhere in the 32-bit range cannot overflow.
  QPointF Map(POINT p) const {
    const double x = static_cast<double>(p.x) - state_.windowOrg.x;
    const double y = static_cast<double>(p.y) - state_.windowOrg.y;
    if (state_.mapMode == MM_TEXT) return QPointF(x + state_.viewportOrg.x, y + state_.viewportOrg.y);
    const double sx = state_.windowExt.cx != 0 ? static_cast<double>(state_.viewportExt.cx) / state_.windowExt.cx : 1.0;
    const double sy = state_.windowExt.cy != 0 ? static_cast<double>(state_.viewportExt.cy) / state_.windowExt.cy : 1.0;
    return QPointF(x * sx + state_.viewportOrg.x, y * sy + state_.viewportOrg.y);
  }

  QRectF MapBox(const RECT& box) const {
    return QRectF(Map(POINT{box.left, box.top}), Map(POINT{box.right, box.bottom})).normalized();
  }

  double WidthScale() const {
    if (state_.mapMode == MM_TEXT || state_.windowExt.cx == 0) return 1.0;
    return std::fabs(static_cast<double>(state_.viewportExt.cx) / state_.windowExt.cx);
  }

  double HeightScale() const {
    if (state_.mapMode == MM_TEXT || state_.windowExt.cy == 0) return 1.0;
    return std::fabs(static_cast<double>(state_.viewportExt.cy) / state_.windowExt.cy);
  }

  void ApplyClip() {
    painter_.setClipPath(targetClip_);
    if (state_.clip) painter_.setClipPath(*state_.clip, Qt::IntersectClip);
  }

  void SetClip(const QPainterPath& region, int mode) {
    const QPainterPath current = state_.clip.value_or(targetClip_);
    switch (mode) {
      case RGN_AND: state_.clip = current.intersected(region); break;
      case RGN_OR: state_.clip = current.united(region); break;
      case RGN_DIFF: state_.clip = current.subtracted(region); break;
      case RGN_XOR: state_.clip = current.united(region).subtracted(current.intersected(region)); break;
      case RGN_COPY: state_.clip = region; break;
      default: return;
    }
    ApplyClip();
  }

  // Where the text starts and its baseline lie, by the text alignment.
  QPointF TextOrigin(POINT at, const QFontMetricsF& metrics, double width) const {
    QPointF origin = Map(at);
    const UINT horizontal = state_.textAlign & TA_CENTER;
    if (horizontal == TA_CENTER) origin.rx() -= width / 2;
    if (horizontal == TA_RIGHT) origin.rx() -= width;
    const UINT vertical = state_.textAlign & TA_BASELINE;
    if (vertical == 0) origin.ry() += metrics.ascent();
    if (vertical == TA_BOTTOM) origin.ry() -= metrics.descent();
    return origin;
  }

  void Prepare(bool fill) {
    if (state_.pen.style == PS_NULL) {
      painter_.setPen(Qt::NoPen);
    } else {
      QPen pen(QColor(ToQRgb(state_.pen.colour)));
      pen.setWidthF(std::max(1.0, state_.pen.width * WidthScale()));
      painter_.setPen(pen);
    }
    painter_.setBrush(fill && !state_.brush.hollow ? QBrush(QColor(ToQRgb(state_.brush.colour))) : QBrush(Qt::NoBrush));
  }

  void Do(const metafile::SetMapMode& op) { state_.mapMode = op.mode; }
  void Do(const metafile::SetWindowOrg& op) { state_.windowOrg = op.at; }
  void Do(const metafile::SetWindowExt& op) { state_.windowExt = op.extent; }
  void Do(const metafile::SetViewportOrg& op) { state_.viewportOrg = op.at; }
  void Do(const metafile::SetViewportExt& op) { state_.viewportExt = op.extent; }
  void Do(const metafile::SetTextColour& op) { state_.text = op.colour; }
  void Do(const metafile::SetBkColour& op) { state_.bk = op.colour; }
  void Do(const metafile::SetBkMode& op) { state_.bkMode = op.mode; }
  void Do(const metafile::MoveTo& op) { state_.position = op.at; }
  void Do(const metafile::LineTo& op) {
    Prepare(false);
    painter_.drawLine(Map(state_.position), Map(op.at));
    state_.position = op.at;
  }
  void Do(const metafile::Rectangle& op) {
    Prepare(true);
    const QRectF box = MapBox(op.box);
    painter_.drawRect(box.adjusted(0, 0, -1, -1));
  }
  void Do(const metafile::Ellipse& op) {
    Prepare(true);
    painter_.drawEllipse(MapBox(op.box).adjusted(0, 0, -1, -1));
  }
  void Do(const metafile::Poly& op) {
    Prepare(op.closed);
    QPolygonF polygon;
    for (const POINT& p : op.points) polygon << Map(p);
    if (op.closed) {
      painter_.drawPolygon(polygon);
    } else {
      painter_.drawPolyline(polygon);
    }
  }
  void Do(const metafile::CreatePen& op) { objects_[op.index] = PenData{op.style, op.width, op.colour}; }
  void Do(const metafile::CreateBrush& op) { objects_[op.index] = BrushData{op.hollow, op.colour, std::nullopt}; }
  void Do(const metafile::Select& op) {
    if ((op.index & 0x80000000u) != 0) {
      const HGDIOBJ stock = GetStockObject(static_cast<int>(op.index & 0x7FFFFFFFu));
      if (const PenData* pen = FindPen(stock)) state_.pen = *pen;
      if (const BrushData* brush = FindBrush(stock)) state_.brush = *brush;
      return;
    }
    const auto found = objects_.find(op.index);
    if (found == objects_.end()) return;
    if (const auto* pen = std::get_if<PenData>(&found->second)) state_.pen = *pen;
    if (const auto* brush = std::get_if<BrushData>(&found->second)) state_.brush = *brush;
    if (const auto* font = std::get_if<LOGFONTA>(&found->second)) state_.font = *font;
  }
  void Do(const metafile::Delete& op) { objects_.erase(op.index); }
  void Do(const metafile::SaveDc&) { saved_.push_back(state_); }
  void Do(const metafile::RestoreDc& op) {
    const int count = static_cast<int>(saved_.size());
    const int index = op.which < 0 ? count + op.which : op.which - 1;
    if (index < 0 || index >= count) return;
    state_ = saved_[static_cast<std::size_t>(index)];
    saved_.resize(static_cast<std::size_t>(index));
    ApplyClip();
  }
  void Do(const metafile::Image& op) { painter_.drawImage(MapBox(op.destination), op.pixels); }
  void Do(const metafile::CreateFont& op) { objects_[op.index] = op.font; }
  void Do(const metafile::SetTextAlign& op) { state_.textAlign = op.align; }
  void Do(const metafile::ClipRect& op) {
    QPainterPath box;
    box.addRect(MapBox(op.box));
    SetClip(box, op.exclude ? RGN_DIFF : RGN_AND);
  }
  void Do(const metafile::SelectClip& op) {
    if (op.rects.empty()) {
      if (op.mode == RGN_COPY) state_.clip.reset();
      ApplyClip();
      return;
    }
    QPainterPath region;
    for (const RECT& rect : op.rects) region.addRect(QRectF(rect.left, rect.top, rect.Width(), rect.Height()));
    SetClip(region.simplified(), op.mode);
  }
  void Do(const metafile::Text& op) {
    EnsureQtApplication();  // fonts need it, and a memory DC may be all there is
    LOGFONTA scaled = state_.font;
    scaled.lfHeight = static_cast<LONG>(std::lround(scaled.lfHeight * HeightScale()));
    const QFont font = QtFontFor(scaled);
    const QFontMetricsF metrics(font);
    const double width = metrics.horizontalAdvance(op.text);
    const QPointF origin = TextOrigin(op.at, metrics, width);
    painter_.save();
    if ((op.options & ETO_CLIPPED) != 0) painter_.setClipRect(MapBox(op.rect), Qt::IntersectClip);
    if ((op.options & ETO_OPAQUE) != 0) {
      painter_.fillRect(MapBox(op.rect), QColor(ToQRgb(state_.bk)));
    } else if (state_.bkMode == OPAQUE) {
      painter_.fillRect(QRectF(origin.x(), origin.y() - metrics.ascent(), width, metrics.height()),
                        QColor(ToQRgb(state_.bk)));
    }
    painter_.setFont(font);
    painter_.setPen(QColor(ToQRgb(state_.text)));
    painter_.drawText(origin, op.text);
    painter_.restore();
  }

  QPainter painter_;
  PlayState state_;
  std::vector<PlayState> saved_;
  QPainterPath targetClip_;  // the DC's own clip in the painter's coordinates
  std::map<std::uint32_t, std::variant<PenData, BrushData, LOGFONTA>> objects_;
};

}  // namespace

HENHMETAFILE SetEnhMetaFileBits(UINT size, const BYTE* data) {
  if (data == nullptr) return Store(std::nullopt);
  return Store(ReadEnhancedMetafile(std::span<const BYTE>(data, size)));
}

HENHMETAFILE SetWinMetaFileBits(UINT size, const BYTE* data, HDC, const METAFILEPICT* picture) {
  if (data == nullptr) return Store(std::nullopt);
  return Store(ReadWindowsMetafile(std::span<const BYTE>(data, size), picture != nullptr ? *picture : METAFILEPICT{}));
}

UINT GetEnhMetaFileHeader(HENHMETAFILE metafile, UINT size, ENHMETAHEADER* header) {
  const Picture* picture = Find(metafile);
  if (picture == nullptr) return 0;
  if (header == nullptr) return sizeof(ENHMETAHEADER);
  const UINT copied = std::min<UINT>(size, sizeof(ENHMETAHEADER));
  std::memcpy(header, &picture->header, copied);
  return copied;
}

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT, void*) {
  return Find(metafile) != nullptr ? 0 : static_cast<UINT>(-1);
}

BOOL PlayEnhMetaFile(HDC dc, HENHMETAFILE metafile, const RECT* rect) {
  const Picture* picture = Find(metafile);
  const auto target = TargetOf(dc);
  if (picture == nullptr || !target || rect == nullptr) return win::Fail(win::ERROR_INVALID_PARAMETER);
  Player player(*target, *picture, *rect);
  for (const Op& op : picture->ops) player.Play(op);
  return win::TRUE;
}

BOOL DeleteEnhMetaFile(HENHMETAFILE metafile) {
  return TheMetafiles().table.erase(HandleBits(metafile)) > 0 ? win::TRUE : win::FALSE;
}

}  // namespace ui
