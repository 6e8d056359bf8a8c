// Text output: DrawText with its alignment, word-break, prefix and measuring flags, TextOut,
// ExtTextOut and text metrics, in the DC's font (DejaVu Sans) and colours.
#include "platform/ui/gdi/gdi_internal.h"
#include "platform/ui/windows/surface_internal.h"
#include "platform/win/system/last_error.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstring>
#include <utility>

namespace ui {
namespace {

struct Line {
  QString text;
  int underline = -1;  // index of the mnemonic character, or -1
};

// Measuring and drawing text needs the application's font database.
QFont FontOf(const DeviceContext& dc) {
  EnsureQtApplication();
  const FontData* font = FindFont(dc.state.font);
  return font != nullptr ? font->font : FindFont(DefaultFont())->font;
}

QString TextOf(const char* text, int length) {
  if (text == nullptr) return {};
  const auto size = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
  return QString::fromLatin1(text, static_cast<qsizetype>(size));
}

// "&x" underlines x, "&&" is one ampersand.
Line StripPrefix(const QString& text, bool prefix) {
  if (!prefix) return Line{text, -1};
  Line line;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != u'&' && line.underline < 0) line.underline = static_cast<int>(line.text.size());
    }
    line.text += text[i];
  }
  return line;
}

std::vector<QString> WrapWords(const QString& paragraph, const QFontMetrics& metrics, int width) {
  std::vector<QString> lines;
  QString current;
  // Blanks before the first word stay: they indent the first line, as they do without wrapping.
  bool firstWord = true;
  for (const QString& word : paragraph.split(u' ')) {
    const QString candidate = firstWord ? word : current + u' ' + word;
    firstWord = false;
    if (!current.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
      lines.push_back(current);
      current = word;
    } else {
      current = candidate;
    }
  }
  lines.push_back(current);
  return lines;
}

std::vector<Line> LayOut(const QString& text, UINT format, const QFontMetrics& metrics, int width) {
  const bool prefix = (format & DT_NOPREFIX) == 0;
  if ((format & DT_SINGLELINE) != 0) {
    QString single = text;
    single.replace(u'\r', u' ').replace(u'\n', u' ');
    return {StripPrefix(single, prefix)};
  }
  std::vector<Line> lines;
  QString plain = text;
  plain.remove(u'\r');
  for (const QString& paragraph : plain.split(u'\n')) {
    const Line stripped = StripPrefix(paragraph, prefix);
    if ((format & DT_WORDBREAK) == 0) {
      lines.push_back(stripped);
      continue;
    }
    int consumed = 0;
    for (const QString& wrapped : WrapWords(stripped.text, metrics, width)) {
      const int at = stripped.underline - consumed;
      lines.push_back(Line{wrapped, at >= 0 && at < wrapped.size() ? at : -1});
      consumed += static_cast<int>(wrapped.size()) + 1;
    }
  }
  return lines;
}

class TextPainter {
 public:
  TextPainter(DeviceContext& dc, const DcTarget& target, const RECT* clipTo)
      : dc_(dc), painter_(target.image), metrics_(FontOf(dc)) {
    QRegion clip = target.clip;
    if (clipTo != nullptr) {
      const RECT onImage{clipTo->left + target.origin.x, clipTo->top + target.origin.y, clipTo->right + target.origin.x,
                         clipTo->bottom + target.origin.y};
      clip =
          onImage.right > onImage.left && onImage.bottom > onImage.top ? clip.intersected(ToQRect(onImage)) : QRegion();
    }
    painter_.setClipRegion(clip);
    painter_.translate(target.origin.x, target.origin.y);
    painter_.setFont(FontOf(dc));
    colour_ = target.monochrome ? MonochromeOf(dc.state.text, dc.state.bk) : ToQRgb(dc.state.text);
  }

  void Draw(const Line& line, int x, int y) {
    const int width = metrics_.horizontalAdvance(line.text);
    if (dc_.state.bkMode == OPAQUE)
      painter_.fillRect(QRect(x, y, width, metrics_.height()), QColor(ToQRgb(dc_.state.bk)));
    painter_.setPen(QColor(colour_));
    painter_.drawText(QPoint(x, y + metrics_.ascent()), line.text);
    if (line.underline >= 0) {
      const int from = x + metrics_.horizontalAdvance(line.text.left(line.underline));
      const int to = from + metrics_.horizontalAdvance(line.text.at(line.underline));
      painter_.drawLine(from, y + metrics_.ascent() + 1, to - 1, y + metrics_.ascent() + 1);
    }
  }

 private:
  DeviceContext& dc_;
  QPainter painter_;
  QFontMetrics metrics_;
  QRgb colour_ = 0;
};

}  // namespace

int DrawTextA(HDC handle, const char* text, int length, RECT* rect, UINT format) {
  DeviceContext* dc = FindDc(handle);
  if (dc == nullptr || rect == nullptr) return 0;
  const QFontMetrics metrics(FontOf(*dc));
  const auto lines = LayOut(TextOf(text, length), format, metrics, rect->Width());
  const int lineHeight = metrics.height();
  const int height = lineHeight * static_cast<int>(lines.size());
  if ((format & DT_CALCRECT) != 0) {
    int widest = 0;
    for (const auto& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line.text));
    if ((format & DT_WORDBREAK) == 0 || widest > rect->Width()) rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  const auto target = TargetOf(handle);
  if (!target) return 0;
  int top = rect->top;
  if ((format & DT_SINGLELINE) != 0 && (format & DT_VCENTER) != 0) top = rect->top + (rect->Height() - lineHeight) / 2;
  if ((format & DT_SINGLELINE) != 0 && (format & DT_BOTTOM) != 0) top = rect->bottom - lineHeight;
  TextPainter painter(*dc, *target, (format & DT_NOCLIP) != 0 ? nullptr : rect);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int width = metrics.horizontalAdvance(lines[i].text);
    int x = rect->left;
    if ((format & DT_CENTER) != 0) x = rect->left + (rect->Width() - width) / 2;
    if ((format & DT_RIGHT) != 0) x = rect->right - width;
    painter.Draw(lines[i], x, top + static_cast<int>(i) * lineHeight);
  }
  const bool offset = (format & (DT_VCENTER | DT_BOTTOM)) != 0 && (format & DT_SINGLELINE) != 0;
  return offset ? top - rect->top + height : height;
}

BOOL TextOutA(HDC handle, int x, int y, const char* text, int length) {
  DeviceContext* dc = FindDc(handle);
  const auto target = TargetOf(handle);
  if (dc == nullptr || !target) return win::FALSE;
  TextPainter painter(*dc, *target, nullptr);
  painter.Draw(Line{TextOf(text, length), -1}, x, y);
  return win::TRUE;
}

BOOL ExtTextOutA(HDC handle, int x, int y, UINT options, const RECT* rect, const char* text, UINT length, const int*) {
  DeviceContext* dc = FindDc(handle);
  const auto target = TargetOf(handle);
  if (dc == nullptr || !target) return win::FALSE;
  if ((options & ETO_OPAQUE) != 0 && rect != nullptr) {
    const HBRUSH brush = CreateSolidBrush(dc->state.bk);
    FillRect(handle, rect, brush);
    DeleteObject(brush);
  }
  if (text == nullptr || length == 0) return win::TRUE;
  const int mode = std::exchange(dc->state.bkMode, (options & ETO_OPAQUE) != 0 ? TRANSPARENT : dc->state.bkMode);
  {
    TextPainter painter(*dc, *target, (options & ETO_CLIPPED) != 0 ? rect : nullptr);
    painter.Draw(Line{TextOf(text, static_cast<int>(length)), -1}, x, y);
  }
  dc->state.bkMode = mode;
  return win::TRUE;
}

BOOL GetTextExtentPoint32A(HDC handle, const char* text, int length, SIZE* size) {
  const DeviceContext* dc = FindDc(handle);
  if (dc == nullptr || size == nullptr) return win::FALSE;
  const QFontMetrics metrics(FontOf(*dc));
  size->cx = metrics.horizontalAdvance(TextOf(text, length));
  size->cy = metrics.height();
  return win::TRUE;
}

BOOL GetTextMetricsA(HDC handle, TEXTMETRICA* out) {
  const DeviceContext* dc = FindDc(handle);
  if (dc == nullptr || out == nullptr) return win::FALSE;
  const QFont font = FontOf(*dc);
  const QFontMetrics metrics(font);
  out->tmHeight = metrics.height();
  out->tmAscent = metrics.ascent();
  out->tmDescent = metrics.descent();
  out->tmInternalLeading = metrics.height() - font.pixelSize();
  out->tmExternalLeading = metrics.leading();
  out->tmAveCharWidth = metrics.averageCharWidth();
  out->tmMaxCharWidth = metrics.maxWidth();
  out->tmWeight = font.bold() ? FW_BOLD : FW_NORMAL;
  return win::TRUE;
}

}  // namespace ui
