#include "platform/ui/dialogs/dialog_template.h"

#include "platform/ui/controls/edit_messages.h"
#include "platform/ui/controls/list_box.h"
#include "platform/ui/windows/styles.h"
#include "platform/ui/windows/window_class.h"

#include <charconv>
#include <cstdlib>
#include <map>
#include <optional>
#include <span>

namespace ui {
namespace {

struct StyleWord {
  const char* word;
  DWORD bits;
  DWORD clear;  // bits removed (a type field's mask, or WS_VISIBLE for HIDDEN)
  bool extended;
};

constexpr StyleWord kCommonWords[] = {
    {"VISIBLE", WS_VISIBLE, 0, false},
    {"HIDDEN", 0, WS_VISIBLE, false},
    {"DISABLED", WS_DISABLED, 0, false},
    {"TABSTOP", WS_TABSTOP, 0, false},
    {"GROUP", WS_GROUP, 0, false},
    {"BORDER", WS_BORDER, 0, false},
    {"VSCROLL", WS_VSCROLL, 0, false},
    {"HSCROLL", WS_HSCROLL, 0, false},
    {"CLIENTEDGE", WS_EX_CLIENTEDGE, 0, true},
    {"STATICEDGE", WS_EX_STATICEDGE, 0, true},
    {"TRANSPARENT", WS_EX_TRANSPARENT, 0, true},
    {"CONTROLPARENT", WS_EX_CONTROLPARENT, 0, true},
};

constexpr StyleWord kDialogWords[] = {
    {"POPUP", WS_POPUP, 0, false},
    {"CHILD", WS_CHILD, 0, false},
    {"CAPTION", WS_CAPTION, 0, false},
    {"SYSMENU", WS_SYSMENU, 0, false},
    {"MODALFRAME", DS_MODALFRAME, 0, false},
    {"DLGFRAME", WS_DLGFRAME, 0, false},
    {"CONTROL", DS_CONTROL, 0, false},
    {"CENTER", DS_CENTER, 0, false},
    {"CLIPCHILDREN", WS_CLIPCHILDREN, 0, false},
    {"MINIMIZEBOX", WS_MINIMIZEBOX, 0, false},
};

constexpr StyleWord kStaticWords[] = {
    {"LEFT", SS_LEFT, SS_TYPEMASK, false},
    {"CENTER", SS_CENTER, SS_TYPEMASK, false},
    {"RIGHT", SS_RIGHT, SS_TYPEMASK, false},
    {"ICON", SS_ICON, SS_TYPEMASK, false},
    {"BITMAP", SS_BITMAP, SS_TYPEMASK, false},
    {"ETCHEDHORZ", SS_ETCHEDHORZ, SS_TYPEMASK, false},
    {"ETCHEDVERT", SS_ETCHEDVERT, SS_TYPEMASK, false},
    {"ETCHEDFRAME", SS_ETCHEDFRAME, SS_TYPEMASK, false},
    {"BLACKRECT", SS_BLACKRECT, SS_TYPEMASK, false},
    {"GRAYRECT", SS_GRAYRECT, SS_TYPEMASK, false},
    {"WHITERECT", SS_WHITERECT, SS_TYPEMASK, false},
    {"BLACKFRAME", SS_BLACKFRAME, SS_TYPEMASK, false},
    {"OWNERDRAW", SS_OWNERDRAW, SS_TYPEMASK, false},
    {"LEFTNOWORDWRAP", SS_LEFTNOWORDWRAP, SS_TYPEMASK, false},
    {"SUNKEN", SS_SUNKEN, 0, false},
    {"NOTIFY", SS_NOTIFY, 0, false},
    {"CENTERIMAGE", SS_CENTERIMAGE, 0, false},
    {"NOPREFIX", SS_NOPREFIX, 0, false},
};

constexpr StyleWord kButtonWords[] = {
    {"PUSHBUTTON", BS_PUSHBUTTON, BS_TYPEMASK, false},
    {"DEFPUSHBUTTON", BS_DEFPUSHBUTTON, BS_TYPEMASK, false},
    {"CHECKBOX", BS_CHECKBOX, BS_TYPEMASK, false},
    {"AUTOCHECKBOX", BS_AUTOCHECKBOX, BS_TYPEMASK, false},
    {"RADIOBUTTON", BS_RADIOBUTTON, BS_TYPEMASK, false},
    {"AUTORADIOBUTTON", BS_AUTORADIOBUTTON, BS_TYPEMASK, false},
    {"3STATE", BS_3STATE, BS_TYPEMASK, false},
    {"AUTO3STATE", BS_AUTO3STATE, BS_TYPEMASK, false},
    {"GROUPBOX", BS_GROUPBOX, BS_TYPEMASK, false},
    {"OWNERDRAW", BS_OWNERDRAW, BS_TYPEMASK, false},
    {"ICON", BS_ICON, 0, false},
    {"BITMAP", BS_BITMAP, 0, false},
};

constexpr StyleWord kEditWords[] = {
    {"READONLY", ES_READONLY, 0, false},       {"MULTILINE", ES_MULTILINE, 0, false},
    {"AUTOHSCROLL", ES_AUTOHSCROLL, 0, false}, {"AUTOVSCROLL", ES_AUTOVSCROLL, 0, false},
    {"WANTRETURN", ES_WANTRETURN, 0, false},
};

constexpr StyleWord kListBoxWords[] = {
    {"NOTIFY", LBS_NOTIFY, 0, false},
    {"MULTIPLESEL", LBS_MULTIPLESEL, 0, false},
    {"EXTENDEDSEL", LBS_EXTENDEDSEL, 0, false},
};

constexpr StyleWord kProgressWords[] = {
    {"SMOOTH", PBS_SMOOTH, 0, false},
    {"VERTICAL", PBS_VERTICAL, 0, false},
};

constexpr StyleWord kListViewWords[] = {
    {"REPORT", LVS_REPORT, LVS_TYPEMASK, false},      {"ICONVIEW", LVS_ICON, LVS_TYPEMASK, false},
    {"SINGLESEL", LVS_SINGLESEL, 0, false},           {"SHOWSELALWAYS", LVS_SHOWSELALWAYS, 0, false},
    {"NOCOLUMNHEADER", LVS_NOCOLUMNHEADER, 0, false}, {"ALIGNLEFT", LVS_ALIGNLEFT, LVS_ALIGNMASK, false},
};

struct Kind {
  const char* keyword;
  const char* className;
  std::span<const StyleWord> words;
};

const Kind kKinds[] = {
    {"STATIC", kStaticClass, kStaticWords},
    {"BUTTON", kButtonClass, kButtonWords},
    {"EDIT", kEditClass, kEditWords},
    {"PROGRESS", kProgressClass, kProgressWords},
    {"LISTVIEW", kListViewClass, kListViewWords},
    {"TAB", kTabControlClass, {}},
    {"LISTBOX", kListBoxClass, kListBoxWords},
};

class Line {
 public:
  Line(std::string_view text, int number) : text_(text), number_(number) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw TemplateError("dialog template line " + std::to_string(number_) + ": " + what);
  }

  bool AtEnd() {
    SkipBlanks();
    return at_ >= text_.size();
  }

  std::string Word() {
    SkipBlanks();
    const std::size_t start = at_;
    while (at_ < text_.size() && text_[at_] != ' ' && text_[at_] != '\t') ++at_;
    if (start == at_) Fail("a word is missing");
    return std::string(text_.substr(start, at_ - start));
  }

  int Number() {
    const std::string word = Word();
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size()) Fail("\"" + word + "\" is not a number");
    return value;
  }

  std::string Quoted() {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != '"') Fail("a quoted text is missing");
    std::string out;
    for (++at_; at_ < text_.size(); ++at_) {
      char c = text_[at_];
      if (c == '"') {
        ++at_;
        return out;
      }
      if (c == '\\' && at_ + 1 < text_.size()) {
        const char escaped = text_[++at_];
        c = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
      }
      out += c;
    }
    Fail("a quoted text is not closed");
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r')) ++at_;
  }
  std::string_view text_;
  int number_;
  std::size_t at_ = 0;
};

// Applies the remaining words of the line as styles from the tables given.
void ApplyStyles(Line& line, std::initializer_list<std::span<const StyleWord>> tables, DWORD& style, DWORD& exStyle) {
  while (!line.AtEnd()) {
    const std::string word = line.Word();
    const StyleWord* found = nullptr;
    for (const auto& table : tables) {
      for (const auto& entry : table) {
        if (word == entry.word) found = &entry;
      }
    }
    if (found == nullptr) line.Fail("unknown style \"" + word + "\"");
    DWORD& target = found->extended ? exStyle : style;
    target = (target & ~found->clear) | found->bits;
  }
}

DialogControl ParseControl(Line& line) {
  DialogControl control;
  control.id = line.Number();
  const std::string kind = line.Word();
  std::span<const StyleWord> words;
  if (kind == "CLASS") {
    control.className = line.Quoted();
  } else {
    const Kind* found = nullptr;
    for (const auto& each : kKinds) {
      if (kind == each.keyword) found = &each;
    }
    if (found == nullptr) line.Fail("unknown control kind \"" + kind + "\"");
    control.className = found->className;
    words = found->words;
  }
  control.text = line.Quoted();
  control.x = line.Number();
  control.y = line.Number();
  control.cx = line.Number();
  control.cy = line.Number();
  control.style = WS_CHILD | WS_VISIBLE;
  ApplyStyles(line, {kCommonWords, words}, control.style, control.exStyle);
  return control;
}

}  // namespace

std::vector<DialogTemplate> ParseDialogTemplates(std::string_view text) {
  std::vector<DialogTemplate> dialogs;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    Line line(text.substr(0, end), ++number);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.AtEnd()) continue;
    const std::string keyword = line.Word();
    if (keyword.front() == '#') continue;
    if (keyword == "DIALOG") {
      DialogTemplate dialog;
      dialog.id = line.Number();
      dialog.x = line.Number();
      dialog.y = line.Number();
      dialog.cx = line.Number();
      dialog.cy = line.Number();
      dialogs.push_back(dialog);
    } else if (dialogs.empty()) {
      line.Fail("\"" + keyword + "\" before any DIALOG");
    } else if (keyword == "STYLE") {
      ApplyStyles(line, {kCommonWords, kDialogWords}, dialogs.back().style, dialogs.back().exStyle);
    } else if (keyword == "CAPTION") {
      dialogs.back().caption = line.Quoted();
    } else if (keyword == "FONT") {
      dialogs.back().fontPoints = line.Number();
      dialogs.back().fontFace = line.Quoted();
    } else if (keyword == "CONTROL") {
      dialogs.back().controls.push_back(ParseControl(line));
    } else {
      line.Fail("unknown keyword \"" + keyword + "\"");
    }
    if (!line.AtEnd()) line.Fail("unexpected text at the end");
  }
  return dialogs;
}

// MulDiv rounds half away from zero.
int DialogUnitsToPixelsX(int units) {
  const long long scaled = static_cast<long long>(units) * kDialogBaseUnitX;
  return static_cast<int>((scaled + (scaled >= 0 ? 2 : -2)) / 4);
}

int DialogUnitsToPixelsY(int units) {
  const long long scaled = static_cast<long long>(units) * kDialogBaseUnitY;
  return static_cast<int>((scaled + (scaled >= 0 ? 4 : -4)) / 8);
}

}  // namespace ui
