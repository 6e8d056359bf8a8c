// The Qt widget behind an edit: a line edit, or a plain text box for ES_MULTILINE. Positions
// and texts here are the edit's own, lines broken by "\r\n" as on Windows; the views turn
// them into Qt's.
#pragma once

#include "platform/ui/windows/ui_types.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace ui {

class NativeControlState;

class EditView {
 public:
  virtual ~EditView() = default;
  virtual QWidget& Widget() = 0;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  // Replaces the selection (or inserts at the caret).
  virtual void Replace(const std::string& text) = 0;
  virtual void Backspace() = 0;
  virtual std::pair<int, int> Selection() const = 0;
  virtual void Select(int start, int end) = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual bool ReadOnly() const = 0;
  virtual void SetMaxLength(int length) = 0;
  virtual void SetFramed(bool framed) = 0;
  virtual void ScrollToCaret() = 0;
  // Lines: a single-line edit has one. Lines are the text's paragraphs.
  virtual int LineCount() const = 0;
  virtual int FirstVisibleLine() const = 0;
  virtual void ScrollLines(int lines) = 0;
  // The index of the line's first character; -1 asks for the caret's line; -1 when there is no such line.
  virtual int LineIndex(int line) const = 0;
  // The line that holds a character index.
  virtual int LineOf(int index) const = 0;
  virtual std::string Line(int line) const = 0;
};

// Makes the view over the control's place; changed() runs after each edit by the user.
std::unique_ptr<EditView> MakeEditView(HWND hwnd, NativeControlState& state, bool multiline,
                                       std::function<void()> changed);

}  // namespace ui
