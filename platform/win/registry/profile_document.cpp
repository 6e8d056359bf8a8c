#include "platform/win/profile_document.h"

#include "platform/win/text_case.h"

#include <algorithm>

namespace win {
namespace {

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The section a header line names; nullopt for other lines.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  line.remove_prefix(1);
  return Trim(line.substr(0, line.find(']')));
}

// The key an entry line names; nullopt for blank lines, comments and headers. A line without
// '=' is a key without a value.
std::optional<std::string_view> KeyOf(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == ';' || line.front() == '[') return std::nullopt;
  return Trim(line.substr(0, line.find('=')));
}

std::string_view ValueOf(std::string_view line) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  auto value = Trim(line.substr(equals + 1));
  if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'')) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string EntryLine(std::string_view key, std::string_view value) {
  return std::string(key) + "=" + std::string(value);
}

}  // namespace

ProfileDocument::ProfileDocument(std::string_view text) {
  const auto firstBreak = text.find('\n');
  lineEnd_ = (firstBreak == std::string_view::npos || (firstBreak > 0 && text[firstBreak - 1] == '\r')) ? "\r\n" : "\n";
  while (!text.empty()) {
    const auto end = text.find('\n');
    auto line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines_.emplace_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

std::string ProfileDocument::Text() const {
  std::string text;
  for (const auto& line : lines_) text += line + lineEnd_;
  return text;
}

std::vector<std::string> ProfileDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const auto& line : lines_) {
    const auto section = SectionOf(line);
    if (!section) continue;
    const bool seen = std::any_of(names.begin(), names.end(),
                                  [&](const std::string& name) { return EqualsIgnoringCase(name, *section); });
    if (!seen) names.emplace_back(*section);
  }
  return names;
}

std::optional<std::vector<std::string>> ProfileDocument::KeyNames(std::string_view section) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  std::vector<std::string> names;
  for (std::size_t index = range->header + 1; index < range->end; ++index) {
    if (const auto key = KeyOf(lines_[index])) names.emplace_back(*key);
  }
  return names;
}

std::optional<std::string> ProfileDocument::Value(std::string_view section, std::string_view key) const {
  const auto range = FindSection(section);
  if (!range) return std::nullopt;
  const auto line = FindKey(*range, key);
  if (!line) return std::nullopt;
  return std::string(ValueOf(lines_[*line]));
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const auto range = FindSection(section);
  if (!range) {
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(EntryLine(key, value));
    return;
  }
  if (const auto line = FindKey(*range, key)) {
    lines_[*line] = EntryLine(*KeyOf(lines_[*line]), value);
    return;
  }
  // After the section's last entry, so that blank lines before the next section stay there.
  std::size_t insertAt = range->header + 1;
  for (std::size_t index = range->header + 1; index < range->end; ++index) {
    if (KeyOf(lines_[index])) insertAt = index + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), EntryLine(key, value));
}

bool ProfileDocument::DeleteKey(std::string_view section, std::string_view key) {
  const auto range = FindSection(section);
  const auto line = range ? FindKey(*range, key) : std::nullopt;
  if (!line) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
  return true;
}

bool ProfileDocument::DeleteSection(std::string_view section) {
  const auto range = FindSection(section);
  if (!range) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
               lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
  return true;
}

std::optional<ProfileDocument::Range> ProfileDocument::FindSection(std::string_view section) const {
  section = Trim(section);
  std::optional<Range> found;
  for (std::size_t index = 0; index < lines_.size(); ++index) {
    const auto name = SectionOf(lines_[index]);
    if (!name) continue;
    if (found) {
      found->end = index;
      return found;
    }
    if (EqualsIgnoringCase(*name, section)) found = Range{index, lines_.size()};
  }
  return found;
}

std::optional<std::size_t> ProfileDocument::FindKey(const Range& range, std::string_view key) const {
  key = Trim(key);
  for (std::size_t index = range.header + 1; index < range.end; ++index) {
    const auto name = KeyOf(lines_[index]);
    if (name && EqualsIgnoringCase(*name, key)) return index;
  }
  return std::nullopt;
}

}  // namespace win
