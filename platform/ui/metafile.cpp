// Metafile handles and the player.
#include "platform/ui/metafile.h"

#include "platform/ui/gdi_internal.h"
#include "platform/ui/metafile_records.h"
#include "platform/win/last_error.h"

#include <QPainter>

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
  }

  void Play(const Op& op) { std::visit([this](const auto& each) { Do(each); }, op); }

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

  QRectF MapBox(const RECT& box) const { return QRectF(Map(POINT{box.left, box.top}), Map(POINT{box.right, box.bottom})).normalized(); }

  double WidthScale() const {
    if (state_.mapMode == MM_TEXT || state_.windowExt.cx == 0) return 1.0;
    return std::fabs(static_cast<double>(state_.viewportExt.cx) / state_.windowExt.cx);
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
  }
  void Do(const metafile::Delete& op) { objects_.erase(op.index); }
  void Do(const metafile::SaveDc&) { saved_.push_back(state_); }
  void Do(const metafile::RestoreDc& op) {
    const int count = static_cast<int>(saved_.size());
    const int index = op.which < 0 ? count + op.which : op.which - 1;
    if (index < 0 || index >= count) return;
    state_ = saved_[static_cast<std::size_t>(index)];
    saved_.resize(static_cast<std::size_t>(index));
  }
  void Do(const metafile::Image& op) { painter_.drawImage(MapBox(op.destination), op.pixels); }

  QPainter painter_;
  PlayState state_;
  std::vector<PlayState> saved_;
  std::map<std::uint32_t, std::variant<PenData, BrushData>> objects_;
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

UINT GetEnhMetaFilePaletteEntries(HENHMETAFILE metafile, UINT, void*) { return Find(metafile) != nullptr ? 0 : static_cast<UINT>(-1); }

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
