#include "platform/ui/resources/menu_template.h"

#include "platform/win/system/last_error.h"
#include "platform/win/modules/module_resources.h"

#include <charconv>
#include <sstream>

namespace ui {
namespace {

[[noreturn]] void Fail(int line, const std::string& what) {
  throw MenuTemplateError("menu template line " + std::to_string(line) + ": " + what);
}

// The quoted text at the start of rest, with \t and \" and \\ read as escapes; rest moves past it.
std::string QuotedText(std::string_view& rest, int line) {
  if (rest.empty() || rest.front() != '"') Fail(line, "a quoted text is needed");
  std::string text;
  std::size_t at = 1;
  for (; at < rest.size() && rest[at] != '"'; ++at) {
    if (rest[at] != '\\' || at + 1 == rest.size()) {
      text += rest[at];
      continue;
    }
    const char escaped = rest[++at];
    text += escaped == 't' ? '\t' : escaped;
  }
  if (at == rest.size()) Fail(line, "the text has no closing quote");
  rest.remove_prefix(at + 1);
  return text;
}

std::vector<std::string> Words(std::string_view rest) {
  std::istringstream stream{std::string(rest)};
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

UINT FlagOf(const std::string& word, int line) {
  if (word == "GRAYED") return MF_GRAYED;
  if (word == "DISABLED") return MF_DISABLED;
  if (word == "CHECKED") return MF_CHECKED;
  Fail(line, "unknown flag \"" + word + "\"");
}

WORD CommandOf(const std::string& word, int line) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value > 0xFFFF)
    Fail(line, "\"" + word + "\" is no command number");
  return static_cast<WORD>(value);
}

MenuTemplateItem ParseItem(std::string_view rest, int line) {
  MenuTemplateItem item;
  if (rest.starts_with("SEPARATOR")) {
    item.flags = MF_SEPARATOR;
    return item;
  }
  item.text = QuotedText(rest, line);
  const auto words = Words(rest);
  if (words.empty()) Fail(line, "a command number is needed");
  item.id = CommandOf(words[0], line);
  for (std::size_t i = 1; i < words.size(); ++i) item.flags |= FlagOf(words[i], line);
  return item;
}

void AppendWide(std::vector<BYTE>& out, const std::string& text) {
  for (char c : text) {
    out.push_back(static_cast<BYTE>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
}

void AppendWord(std::vector<BYTE>& out, WORD value) {
  out.push_back(static_cast<BYTE>(value & 0xFF));
  out.push_back(static_cast<BYTE>(value >> 8));
}

void AppendLevel(std::vector<BYTE>& out, const std::vector<MenuTemplateItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const MenuTemplateItem& item = items[i];
    // A separator is stored as an item without text or command, as resource compilers write it.
    const UINT stored = (item.flags & ~MF_SEPARATOR) | (i + 1 == items.size() ? MF_END : 0);
    AppendWord(out, static_cast<WORD>(stored));
    if ((item.flags & MF_POPUP) == 0) AppendWord(out, item.id);
    AppendWide(out, item.text);
    if ((item.flags & MF_POPUP) != 0) AppendLevel(out, item.items);
  }
}

void Fill(HMENU menu, const std::vector<MenuTemplateItem>& items) {
  for (const MenuTemplateItem& item : items) {
    if ((item.flags & MF_POPUP) != 0) {
      const HMENU popup = CreatePopupMenu();
      Fill(popup, item.items);
      AppendMenuA(menu, item.flags, reinterpret_cast<std::uintptr_t>(popup), item.text.c_str());
    } else {
      AppendMenuA(menu, item.flags, item.id, item.text.c_str());
    }
  }
}

std::optional<std::vector<MenuTemplateItem>> ParsedResource(HINSTANCE module, UINT id) {
  const auto bytes = win::FindModuleResource(module, win::RESOURCE_MENU, id);
  if (!bytes) return std::nullopt;
  try {
    return ParseMenuTemplate(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  } catch (const MenuTemplateError&) {
    win::SetLastError(win::ERROR_INVALID_DATA);
    return std::nullopt;
  }
}

}  // namespace

std::vector<MenuTemplateItem> ParseMenuTemplate(std::string_view text) {
  std::vector<MenuTemplateItem> top;
  std::vector<std::vector<MenuTemplateItem>*> levels{&top};
  std::istringstream lines{std::string(text)};
  int number = 0;
  for (std::string whole; std::getline(lines, whole);) {
    ++number;
    const auto start = whole.find_first_not_of(" \t\r");
    if (start == std::string::npos || whole[start] == '#') continue;
    std::string_view line = std::string_view(whole).substr(start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line == "END") {
      if (levels.size() == 1) Fail(number, "END without POPUP");
      levels.pop_back();
    } else if (line.starts_with("POPUP ")) {
      line.remove_prefix(6);
      MenuTemplateItem popup;
      popup.flags = MF_POPUP;
      popup.text = QuotedText(line, number);
      for (const std::string& word : Words(line)) popup.flags |= FlagOf(word, number);
      levels.back()->push_back(popup);
      levels.push_back(&levels.back()->back().items);
    } else if (line.starts_with("MENUITEM ")) {
      line.remove_prefix(9);
      levels.back()->push_back(ParseItem(line, number));
    } else {
      Fail(number, "POPUP, MENUITEM or END expected");
    }
  }
  if (levels.size() != 1) Fail(number, "a POPUP is not closed by END");
  return top;
}

std::vector<BYTE> MenuTemplateBytes(const std::vector<MenuTemplateItem>& items) {
  std::vector<BYTE> out;
  AppendWord(out, 0);  // version
  AppendWord(out, 0);  // the items follow the header at once
  AppendLevel(out, items);
  return out;
}

std::optional<std::vector<BYTE>> LoadMenuTemplate(HINSTANCE module, UINT id) {
  const auto items = ParsedResource(module, id);
  if (!items) return std::nullopt;
  return MenuTemplateBytes(*items);
}

HMENU LoadMenuA(HINSTANCE module, UINT id) {
  const auto items = ParsedResource(module, id);
  if (!items) return nullptr;
  const HMENU menu = CreateMenu();
  Fill(menu, *items);
  return menu;
}

}  // namespace ui
