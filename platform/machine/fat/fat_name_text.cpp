#include "platform/machine/fat/fat_name_text.h"

#include <algorithm>
#include <array>

namespace machine {
namespace {

// Code page 1252 differs from Latin-1 only in 0x80-0x9F; its five holes map to themselves.
constexpr std::array<char16_t, 32> kHighControls{0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::size_t kMaxLongName = 255;

char16_t WideOf(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHighControls[c - 0x80] : c; }

char AnsiOf(char16_t w) {
  if (w < 0x80 || (w >= 0xA0 && w <= 0xFF)) return static_cast<char>(w);
  const auto* found = std::find(kHighControls.begin(), kHighControls.end(), w);
  if (found == kHighControls.end()) return '?';
  return static_cast<char>(0x80 + (found - kHighControls.begin()));
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string wide;
  wide.reserve(ansi.size());
  for (const char c : ansi) wide.push_back(WideOf(static_cast<unsigned char>(c)));
  return wide;
}

std::string Utf16ToAnsi(std::u16string_view wide) {
  std::string ansi;
  ansi.reserve(wide.size());
  for (const char16_t w : wide) ansi.push_back(AnsiOf(w));
  return ansi;
}

char UpperAnsi(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 0x20);
  // Latin-1 small letters à..þ (less the division sign) sit 0x20 above their capitals.
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  // The code page's own pairs: š/Š, œ/Œ, ž/Ž, ÿ/Ÿ.
  switch (u) {
    case 0x9A: return static_cast<char>(0x8A);
    case 0x9C: return static_cast<char>(0x8C);
    case 0x9E: return static_cast<char>(0x8E);
    case 0xFF: return static_cast<char>(0x9F);
    default: return c;
  }
}

std::string UpperAnsi(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAnsi(c);
  return upper;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAnsi(x) == UpperAnsi(y); });
}

bool IsValidLongName(std::string_view name) {
  if (name.empty() || name.size() > kMaxLongName || name == "." || name == "..") return false;
  constexpr std::string_view kForbidden = "<>:\"/\\|?*";
  return std::none_of(name.begin(), name.end(), [&](char c) {
    return static_cast<unsigned char>(c) < 0x20 || kForbidden.find(c) != std::string_view::npos;
  });
}

}  // namespace machine
