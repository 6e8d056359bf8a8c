#include "platform/win/string_table_source.h"

#include <charconv>

namespace win {
namespace {

constexpr UINT kLargestStringId = 65535;

struct Escape {
  char letter;
  char byte;
};

constexpr Escape kEscapes[] = {{'n', '\n'}, {'r', '\r'}, {'t', '\t'}, {'\\', '\\'}, {'"', '"'}};

class LineReader {
 public:
  LineReader(std::string_view text, int number) : text_(text), number_(number) {}

  [[noreturn]] void Fail(std::string_view what) const {
    throw StringTableSourceError("line " + std::to_string(number_) + ": " + std::string(what));
  }

  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t')) ++position_;
  }

  bool AtEnd() const { return position_ >= text_.size(); }
  char Peek() const { return text_[position_]; }
  char Take() { return text_[position_++]; }

  UINT ReadId() {
    UINT id = 0;
    const char* first = text_.data() + position_;
    const char* last = text_.data() + text_.size();
    const auto [end, error] = std::from_chars(first, last, id);
    if (error != std::errc{} || end == first || id > kLargestStringId) Fail("expected a string id from 0 to 65535");
    position_ += static_cast<std::size_t>(end - first);
    return id;
  }

  std::string ReadQuotedText() {
    if (AtEnd() || Take() != '"') Fail("expected a quoted text after the id");
    std::string text;
    for (;;) {
      if (AtEnd()) Fail("the text has no closing quote");
      const char c = Take();
      if (c == '"') return text;
      if (c == '\\') {
        text += ReadEscape();
      } else if (static_cast<unsigned char>(c) >= 0x80) {
        Fail("write bytes above 0x7F as \\xHH");
      } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
        Fail("control characters must be escaped");
      } else {
        text += c;
      }
    }
  }

 private:
  char ReadEscape() {
    if (AtEnd()) Fail("the text ends inside an escape");
    const char letter = Take();
    if (letter == 'x') return ReadHexByte();
    for (const auto& escape : kEscapes) {
      if (escape.letter == letter) return escape.byte;
    }
    Fail(std::string("unknown escape \\") + letter);
  }

  char ReadHexByte() {
    if (text_.size() - position_ < 2) Fail("\\x needs two hex digits");
    unsigned value = 0;
    const char* first = text_.data() + position_;
    const auto [end, error] = std::from_chars(first, first + 2, value, 16);
    if (error != std::errc{} || end != first + 2) Fail("\\x needs two hex digits");
    position_ += 2;
    return static_cast<char>(value);
  }

  std::string_view text_;
  int number_;
  std::size_t position_ = 0;
};

void ParseLine(std::string_view line, int number, std::map<UINT, std::string>& strings) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  LineReader reader(line, number);
  reader.SkipBlanks();
  if (reader.AtEnd() || reader.Peek() == '#') return;
  const UINT id = reader.ReadId();
  reader.SkipBlanks();
  std::string text = reader.ReadQuotedText();
  reader.SkipBlanks();
  if (!reader.AtEnd()) reader.Fail("unexpected text after the closing quote");
  if (!strings.emplace(id, std::move(text)).second) reader.Fail("string " + std::to_string(id) + " appears twice");
}

}  // namespace

std::map<UINT, std::string> ParseStringTableSource(std::string_view source) {
  std::map<UINT, std::string> strings;
  int number = 1;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    ParseLine(source.substr(0, end), number++, strings);
    if (end == std::string_view::npos) break;
    source.remove_prefix(end + 1);
  }
  return strings;
}

}  // namespace win
