#include "platform/script/script.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

namespace script {
namespace {

constexpr std::array<std::pair<std::string_view, Answer>, 8> kAnswers{{
    {"OK", Answer::OK},
    {"Cancel", Answer::Cancel},
    {"Abort", Answer::Abort},
    {"Retry", Answer::Retry},
    {"Ignore", Answer::Ignore},
    {"Yes", Answer::Yes},
    {"No", Answer::No},
    {"IgnoreAll", Answer::IgnoreAll},
}};

bool Blank(char c) { return c == ' ' || c == '\t'; }

// One line's words, left to right.
class Words {
 public:
  Words(std::string_view line, int number) : line_(line), number_(number) {}

  std::optional<std::string_view> Next() {
    SkipBlanks();
    if (at_ == line_.size()) return std::nullopt;
    const std::size_t start = at_;
    while (at_ < line_.size() && !Blank(line_[at_])) ++at_;
    return line_.substr(start, at_ - start);
  }
  std::string_view Require(std::string_view what) {
    const auto word = Next();
    if (!word) Fail("missing " + std::string(what));
    return *word;
  }
  // Everything after the blanks that follow the last word read, trailing blanks dropped.
  std::string Rest() {
    SkipBlanks();
    std::string_view rest = line_.substr(at_);
    while (!rest.empty() && Blank(rest.back())) rest.remove_suffix(1);
    at_ = line_.size();
    return std::string(rest);
  }
  std::string RequireRest(std::string_view what) {
    std::string rest = Rest();
    if (rest.empty()) Fail("missing " + std::string(what));
    return rest;
  }
  // Takes the next word when it is this one.
  bool Take(std::string_view word) {
    const std::size_t before = at_;
    if (Next() == word) return true;
    at_ = before;
    return false;
  }
  void End() {
    if (const auto extra = Next()) Fail("unexpected \"" + std::string(*extra) + "\"");
  }
  [[noreturn]] void Fail(const std::string& why) const { throw ScriptError(number_, why); }

 private:
  void SkipBlanks() {
    while (at_ < line_.size() && Blank(line_[at_])) ++at_;
  }
  std::string_view line_;
  int number_;
  std::size_t at_ = 0;
};

int Number(Words& words, std::string_view what) {
  const std::string_view word = words.Require(what);
  int value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value < 0) {
    words.Fail(std::string(what) + " must be a number, not \"" + std::string(word) + "\"");
  }
  return value;
}

char Letter(Words& words) {
  const std::string_view word = words.Require("drive letter");
  if (word.size() != 2 || word[1] != ':' || std::isalpha(static_cast<unsigned char>(word[0])) == 0) {
    words.Fail("a drive is a letter and a colon (E:), not \"" + std::string(word) + "\"");
  }
  return static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
}

double Seconds(Words& words) {
  const auto word = words.Next();
  if (!word) return 600;
  const std::string text(*word);
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(seconds) || seconds <= 0) {
    words.Fail("wait takes a number of seconds above 0, not \"" + text + "\"");
  }
  return seconds;
}

Answer ParseAnswer(Words& words) {
  const std::string_view word = words.Require("button");
  for (const auto& [name, answer] : kAnswers) {
    if (name == word) return answer;
  }
  words.Fail("unknown button \"" + std::string(word) + "\" (OK, Cancel, Yes, No, Abort, Retry, Ignore, IgnoreAll)");
}

// A SmartMedia device code, decimal or hexadecimal (0x75).
int DeviceCode(Words& words) {
  const std::string_view word = words.Require("device code");
  const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
  const std::string_view digits = hex ? word.substr(2) : word;
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
  if (error != std::errc() || end != digits.data() + digits.size() || value < 1 || value > 0xFF) {
    words.Fail("a device code is a number from 1 to 255 (0x75), not \"" + std::string(word) + "\"");
  }
  return value;
}

void ParseCard(Words& words, Step& step) {
  const std::string_view action = words.Require("card action (insert, remove, swap or protect)");
  step.letter = Letter(words);
  if (action == "insert") {
    step.verb = Verb::CardInsert;
    if (words.Take("deviceCode")) step.deviceCode = DeviceCode(words);
    step.text = words.RequireRest("image");
  } else if (action == "remove") {
    step.verb = Verb::CardRemove;
  } else if (action == "swap") {
    step.verb = Verb::CardSwap;
    step.otherLetter = Letter(words);
  } else if (action == "protect") {
    step.verb = Verb::CardProtect;
    const std::string_view state = words.Require("on or off");
    if (state != "on" && state != "off") words.Fail("card protect takes on or off, not \"" + std::string(state) + "\"");
    step.on = state == "on";
  } else {
    words.Fail("unknown card action \"" + std::string(action) + "\" (insert, remove, swap, protect)");
  }
}

// Parses the words after the verb into the step.
void ParseArguments(std::string_view verb, Words& words, Step& step) {
  using enum Verb;
  static constexpr std::array<std::pair<std::string_view, Verb>, 13> kSimple{{
      {"device", Device},
      {"tab", Tab},
      {"press", Press},
      {"check", Check},
      {"uncheck", Uncheck},
      {"text", Text},
      {"select", Select},
      {"reply", Reply},
      {"file", File},
      {"folder", Folder},
      {"wait", Wait},
      {"expect", Expect},
      {"close", Close},
  }};
  if (verb == "card") return ParseCard(words, step);
  if (verb == "quit") return;
  const auto found =
      std::find_if(kSimple.begin(), kSimple.end(), [&](const auto& entry) { return entry.first == verb; });
  if (found == kSimple.end()) words.Fail("unknown step \"" + std::string(verb) + "\"");
  step.verb = found->second;
  switch (step.verb) {
    case Device: step.letter = Letter(words); break;
    case Tab: step.text = words.RequireRest("page caption"); break;
    case Press:
    case Check:
    case Uncheck: step.id = Number(words, "control id"); break;
    case Text:
      step.id = Number(words, "control id");
      step.text = words.Rest();
      break;
    case Select:
      step.id = Number(words, "control id");
      step.row = Number(words, "row");
      break;
    case Reply:
      step.answer = ParseAnswer(words);
      step.text = words.Rest();
      break;
    case File:
    case Folder: step.text = words.RequireRest("path"); break;
    case Wait: step.seconds = Seconds(words); break;
    case Expect:
      step.id = Number(words, "control id");
      step.text = words.RequireRest("expected text");
      break;
    default: break;
  }
}

Step ParseLine(std::string_view line, int number) {
  Words words(line, number);
  Step step;
  step.line = number;
  ParseArguments(words.Require("step"), words, step);
  words.End();
  return step;
}

}  // namespace

std::string_view AnswerName(Answer answer) {
  for (const auto& [name, value] : kAnswers) {
    if (value == answer) return name;
  }
  return "?";
}

std::string FailureText(int line, const std::string& why) {
  return "script: line " + std::to_string(line) + ": " + why;
}

std::vector<Step> ParseScript(std::string_view text) {
  std::vector<Step> steps;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') continue;
    steps.push_back(ParseLine(line, number));
  }
  return steps;
}

std::vector<Step> ReadScript(const std::filesystem::path& file) {
  std::error_code error;
  std::ifstream in(file, std::ios::binary);
  if (!in || std::filesystem::is_directory(file, error))
    throw ScriptError(0, "cannot read the script " + file.string());
  std::ostringstream text;
  text << in.rdbuf();  // an empty file sets failbit only
  if (in.bad()) throw ScriptError(0, "cannot read the script " + file.string());
  return ParseScript(text.str());
}

std::optional<std::filesystem::path> ScriptFileFromEnvironment() {
  const char* named = std::getenv("TARNLOK_SCRIPT");
  if (named == nullptr || *named == '\0') return std::nullopt;
  return std::filesystem::path(named);
}

}  // namespace script
