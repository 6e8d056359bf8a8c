#include "platform/ui/controls/edit_view.h"

#include "platform/ui/windows/native_control.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

namespace ui {
namespace {

class LineView final : public EditView {
 public:
  LineView(HWND hwnd, NativeControlState& state, const std::function<void()>& changed)
      : line_(state.Make<QLineEdit>(hwnd)) {
    QObject::connect(&line_, &QLineEdit::textEdited, [changed](const QString&) { changed(); });
  }
  QWidget& Widget() override { return line_; }
  std::string Text() const override { return line_.text().toLatin1().toStdString(); }
  void SetText(const std::string& text) override { line_.setText(QString::fromLatin1(text.c_str())); }
  void Replace(const std::string& text) override { line_.insert(QString::fromLatin1(text.c_str())); }
  void Backspace() override { line_.backspace(); }
  std::pair<int, int> Selection() const override {
    if (!line_.hasSelectedText()) return {line_.cursorPosition(), line_.cursorPosition()};
    return {line_.selectionStart(), line_.selectionEnd()};
  }
  void Select(int start, int end) override { line_.setSelection(start, end - start); }
  void SetReadOnly(bool readOnly) override { line_.setReadOnly(readOnly); }
  bool ReadOnly() const override { return line_.isReadOnly(); }
  void SetMaxLength(int length) override { line_.setMaxLength(length); }
  void SetFramed(bool framed) override { line_.setFrame(framed); }
  void ScrollToCaret() override {}
  int LineCount() const override { return 1; }
  int FirstVisibleLine() const override { return 0; }
  void ScrollLines(int) override {}
  int LineIndex(int line) const override { return line <= 0 ? 0 : -1; }
  int LineOf(int) const override { return 0; }
  std::string Line(int line) const override { return line == 0 ? Text() : std::string(); }

 private:
  QLineEdit& line_;
};

// Qt breaks lines with "\n" alone; the edit's positions count "\r\n" as two characters.
class BoxView final : public EditView {
 public:
  BoxView(HWND hwnd, NativeControlState& state, const std::function<void()>& changed)
      : box_(state.Make<QPlainTextEdit>(hwnd)) {
    connection_ = QObject::connect(&box_, &QPlainTextEdit::textChanged, [this, changed] {
      if (!setting_) changed();
    });
  }
  // The widget outlives the view and may still signal while it is torn down.
  ~BoxView() override { QObject::disconnect(connection_); }
  BoxView(const BoxView&) = delete;
  BoxView& operator=(const BoxView&) = delete;
  QWidget& Widget() override { return box_; }
  std::string Text() const override { return ToEdit(box_.toPlainText()); }
  void SetText(const std::string& text) override {
    setting_ = true;
    box_.setPlainText(ToQt(text));
    setting_ = false;
  }
  void Replace(const std::string& text) override {
    setting_ = true;
    box_.textCursor().insertText(ToQt(text));
    setting_ = false;
  }
  void Backspace() override { box_.textCursor().deletePreviousChar(); }
  std::pair<int, int> Selection() const override {
    const QTextCursor cursor = box_.textCursor();
    return {EditPosition(cursor.selectionStart()), EditPosition(cursor.selectionEnd())};
  }
  void Select(int start, int end) override {
    QTextCursor cursor = box_.textCursor();
    cursor.setPosition(QtPosition(start));
    cursor.setPosition(QtPosition(end), QTextCursor::KeepAnchor);
    box_.setTextCursor(cursor);
  }
  void SetReadOnly(bool readOnly) override { box_.setReadOnly(readOnly); }
  bool ReadOnly() const override { return box_.isReadOnly(); }
  void SetMaxLength(int) override {}  // the limit is kept by the edit itself
  void SetFramed(bool framed) override { box_.setFrameShape(framed ? QFrame::StyledPanel : QFrame::NoFrame); }
  void ScrollToCaret() override { box_.ensureCursorVisible(); }
  int LineCount() const override { return box_.document()->blockCount(); }
  int FirstVisibleLine() const override { return box_.verticalScrollBar()->value(); }
  void ScrollLines(int lines) override {
    box_.verticalScrollBar()->setValue(box_.verticalScrollBar()->value() + lines);
  }
  int LineIndex(int line) const override {
    const QTextBlock block = line < 0 ? box_.textCursor().block() : box_.document()->findBlockByNumber(line);
    return block.isValid() ? EditPosition(block.position()) : -1;
  }
  int LineOf(int index) const override { return box_.document()->findBlock(QtPosition(index)).blockNumber(); }
  std::string Line(int line) const override {
    const QTextBlock block = box_.document()->findBlockByNumber(line);
    return block.isValid() ? block.text().toLatin1().toStdString() : std::string();
  }

 private:
  static QString ToQt(const std::string& text) {
    QString qt = QString::fromLatin1(text.c_str());
    qt.remove(QLatin1Char('\r'));
    return qt;
  }
  static std::string ToEdit(const QString& text) {
    QString edit = text;
    edit.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return edit.toLatin1().toStdString();
  }
  int EditPosition(int qt) const {
    const QString text = box_.toPlainText();
    return qt + static_cast<int>(text.left(qt).count(QLatin1Char('\n')));
  }
  // -1 and positions past the end are the end.
  int QtPosition(int edit) const {
    const QString text = box_.toPlainText();
    if (edit < 0) return static_cast<int>(text.size());
    int at = 0;
    for (int walked = 0; at < text.size() && walked < edit; ++at) walked += text[at] == QLatin1Char('\n') ? 2 : 1;
    return at;
  }
  QPlainTextEdit& box_;
  QMetaObject::Connection connection_;
  bool setting_ = false;
};

}  // namespace

std::unique_ptr<EditView> MakeEditView(HWND hwnd, NativeControlState& state, bool multiline,
                                       std::function<void()> changed) {
  if (multiline) return std::make_unique<BoxView>(hwnd, state, changed);
  return std::make_unique<LineView>(hwnd, state, changed);
}

}  // namespace ui
