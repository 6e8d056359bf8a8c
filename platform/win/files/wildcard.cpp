#include "platform/win/files/wildcard.h"

#include <cctype>
#include <string>
#include <vector>

namespace win {
namespace {

// A pattern's elements after the DOS rules are applied.
enum class Element : char {
  Literal,  // one character, ignoring case
  Star,  // any run of characters
  DosStar,  // '*' before a '.': any run that does not pass the name's last dot
  DosQm,  // '?': one character, or none at the end or before a dot
  DosDot,  // '.' before a wildcard or at the end: a dot, or nothing at the end of the name
};

struct Token {
  Element kind;
  char character;
};

bool IsWild(char c) { return c == '*' || c == '?'; }

std::vector<Token> Compile(std::string_view pattern) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    const bool last = i + 1 == pattern.size();
    const char next = last ? '\0' : pattern[i + 1];
    if (c == '*') {
      tokens.push_back({next == '.' ? Element::DosStar : Element::Star, c});
    } else if (c == '?') {
      tokens.push_back({Element::DosQm, c});
    } else if (c == '.' && (last || IsWild(next))) {
      tokens.push_back({Element::DosDot, c});
    } else {
      tokens.push_back({Element::Literal, c});
    }
  }
  return tokens;
}

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

// Matching by dynamic programming over (token, name position), so that no pattern takes
// more than pattern length times name length steps.
class Matcher {
 public:
  Matcher(std::vector<Token> tokens, std::string_view name)
      : tokens_(std::move(tokens)),
        name_(name),
        lastDot_(name.rfind('.')),
        memo_((tokens_.size() + 1) * (name.size() + 1), kUnknown) {}

  bool Matches(std::size_t token, std::size_t at) {
    char& known = memo_.at(token * (name_.size() + 1) + at);
    if (known == kUnknown) known = Compute(token, at) ? kYes : kNo;
    return known == kYes;
  }

 private:
  static constexpr char kUnknown = 0;
  static constexpr char kYes = 1;
  static constexpr char kNo = 2;

  bool AtEnd(std::size_t at) const { return at == name_.size(); }

  bool Compute(std::size_t token, std::size_t at) {
    if (token == tokens_.size()) return AtEnd(at);
    const Token& t = tokens_[token];
    switch (t.kind) {
      case Element::Literal: return !AtEnd(at) && SameLetter(name_[at], t.character) && Matches(token + 1, at + 1);
      case Element::Star: return Matches(token + 1, at) || (!AtEnd(at) && Matches(token, at + 1));
      case Element::DosStar: {
        const bool mayTake = !AtEnd(at) && (lastDot_ == std::string_view::npos || at < lastDot_);
        return Matches(token + 1, at) || (mayTake && Matches(token, at + 1));
      }
      case Element::DosQm:
        if (AtEnd(at) || name_[at] == '.') return Matches(token + 1, at);
        return Matches(token + 1, at + 1);
      case Element::DosDot:
        if (AtEnd(at)) return Matches(token + 1, at);
        return name_[at] == '.' && Matches(token + 1, at + 1);
    }
    return false;
  }

  std::vector<Token> tokens_;
  std::string_view name_;
  std::size_t lastDot_;
  std::vector<char> memo_;
};

}  // namespace

bool MatchesWildcard(std::string_view pattern, std::string_view name) {
  return Matcher(Compile(pattern), name).Matches(0, 0);
}

}  // namespace win
