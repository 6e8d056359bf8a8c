#include "platform/machine/fat/fat_short_name.h"

#include "platform/machine/fat/fat_name_text.h"

#include <algorithm>

namespace machine {
namespace {

constexpr std::size_t kBaseLength = 8;
constexpr std::size_t kExtensionLength = 3;
// A name whose first byte is 0xE5 is stored with 0x05, since 0xE5 marks a free slot.
constexpr std::uint8_t kFreeMarker = 0xE5;
constexpr std::uint8_t kKanjiFreeMarker = 0x05;
constexpr std::uint32_t kMaxTail = 999999;

// Characters a short name may hold besides letters and digits.
bool IsShortNameChar(char c) {
  constexpr std::string_view kSpecial = "$%'-_@~`!(){}^#&";
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || kSpecial.find(c) != std::string_view::npos;
}

bool IsLowerAscii(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpperAscii(char c) { return c >= 'A' && c <= 'Z'; }

// The case flag a part earns: 0 when it has no lower-case letter, `flag` when every letter is
// lower case, nullopt when it mixes cases.
std::optional<std::uint8_t> PartCase(std::string_view part, std::uint8_t flag) {
  const bool lower = std::any_of(part.begin(), part.end(), IsLowerAscii);
  const bool upper = std::any_of(part.begin(), part.end(), IsUpperAscii);
  if (lower && upper) return std::nullopt;
  return lower ? flag : std::uint8_t{0};
}

void Place(ShortName& raw, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), raw.begin() + static_cast<std::ptrdiff_t>(at));
}

ShortName Blank() {
  ShortName raw;
  raw.fill(' ');
  return raw;
}

void StoreFirstByte(ShortName& raw) {
  if (raw[0] == kFreeMarker) raw[0] = kKanjiFreeMarker;
}

struct Basis {
  std::string base;
  std::string extension;
};

// The basis name: upper case, spaces and leading periods dropped, other characters a short
// name cannot hold turned to '_', base and extension cut to 8 and 3.
Basis BasisOf(std::string_view longName) {
  std::string cleaned;
  for (const char c : longName) {
    if (c == ' ') continue;
    const char upper = UpperAnsi(c);
    cleaned.push_back(upper == '.' || IsShortNameChar(upper) ? upper : '_');
  }
  cleaned.erase(0, cleaned.find_first_not_of('.'));
  const auto dot = cleaned.rfind('.');
  Basis basis;
  std::string base = dot == std::string::npos ? cleaned : cleaned.substr(0, dot);
  std::erase(base, '.');
  basis.base = base.substr(0, kBaseLength);
  if (basis.base.empty()) basis.base = "_";
  if (dot != std::string::npos) basis.extension = cleaned.substr(dot + 1, kExtensionLength);
  return basis;
}

ShortName WithTail(const Basis& basis, std::uint32_t n) {
  const std::string tail = "~" + std::to_string(n);
  ShortName raw = Blank();
  Place(raw, 0, basis.base.substr(0, kBaseLength - tail.size()) + tail);
  Place(raw, kBaseLength, basis.extension);
  StoreFirstByte(raw);
  return raw;
}

}  // namespace

std::string ShortNameText(std::span<const std::uint8_t, 11> raw, std::uint8_t caseFlags) {
  auto part = [](std::span<const std::uint8_t> bytes, bool lower) {
    std::string text(bytes.begin(), bytes.end());
    text.erase(text.find_last_not_of(' ') + 1);
    if (lower)
      std::transform(text.begin(), text.end(), text.begin(),
                     [](char c) { return IsUpperAscii(c) ? static_cast<char>(c + ('a' - 'A')) : c; });
    return text;
  };
  std::string base = part(raw.first(kBaseLength), (caseFlags & kLowerCaseBase) != 0);
  if (!base.empty() && static_cast<std::uint8_t>(base[0]) == kKanjiFreeMarker) base[0] = static_cast<char>(kFreeMarker);
  const std::string extension = part(raw.last(kExtensionLength), (caseFlags & kLowerCaseExtension) != 0);
  return extension.empty() ? base : base + "." + extension;
}

std::optional<ShortNameFit> ExactShortName(std::string_view name) {
  const auto dot = name.find('.');
  const std::string_view base = name.substr(0, dot);
  const std::string_view extension = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
  if (base.empty() || base.size() > kBaseLength || extension.size() > kExtensionLength) return std::nullopt;
  if (dot != std::string_view::npos && extension.empty()) return std::nullopt;
  const auto valid = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(),
                       [](char c) { return IsShortNameChar(UpperAnsi(c)) && static_cast<unsigned char>(c) < 0x80; });
  };
  if (!valid(base) || !valid(extension)) return std::nullopt;
  const auto baseCase = PartCase(base, kLowerCaseBase);
  const auto extensionCase = PartCase(extension, kLowerCaseExtension);
  if (!baseCase || !extensionCase) return std::nullopt;
  ShortNameFit fit;
  fit.raw = Blank();
  Place(fit.raw, 0, UpperAnsi(base));
  Place(fit.raw, kBaseLength, UpperAnsi(extension));
  fit.caseFlags = *baseCase | *extensionCase;
  return fit;
}

IoResult<ShortName> GenerateShortName(std::string_view longName, const std::function<bool(const ShortName&)>& taken) {
  // A name that is 8.3 but for its mixed case keeps its own letters, as Windows does.
  if (const auto fit = ExactShortName(UpperAnsi(longName)); fit && !taken(fit->raw)) return fit->raw;
  const Basis basis = BasisOf(longName);
  for (std::uint32_t n = 1; n <= kMaxTail; ++n) {
    const ShortName candidate = WithTail(basis, n);
    if (!taken(candidate)) return candidate;
  }
  return IoError{win::ERROR_FILE_EXISTS};
}

}  // namespace machine
