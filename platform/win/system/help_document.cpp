#include "platform/win/system/help_document.h"

#include "platform/win/files/crt_files.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/shell_services.h"
#include "platform/win/registry/text_case.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace win {
namespace {

constexpr std::size_t kLargestDocument = std::size_t{1} << 20;
constexpr std::string_view kTopic = "@topic ";
constexpr std::string_view kKey = "@key ";
constexpr std::string_view kContext = "@context ";

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<DWORD> ContextNumber(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  DWORD value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

void AppendLine(HelpTopic& topic, std::string_view line) {
  if (topic.text.empty() && line.empty()) return;
  if (!topic.text.empty()) topic.text += "\r\n";
  topic.text += line;
}

void TrimTrailingBlankLines(HelpTopic& topic) {
  while (topic.text.size() >= 2 && topic.text.ends_with("\r\n")) topic.text.resize(topic.text.size() - 2);
}

}  // namespace

std::optional<HelpDocument> ParseHelpDocument(std::string_view text) {
  HelpDocument document;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::string_view line = raw.ends_with('\r') ? raw.substr(0, raw.size() - 1) : raw;
    if (line.starts_with('#')) continue;
    if (line.starts_with(kTopic)) {
      if (!document.topics.empty()) TrimTrailingBlankLines(document.topics.back());
      document.topics.push_back(HelpTopic{std::string(Trimmed(line.substr(kTopic.size()))), {}, {}, {}});
      continue;
    }
    if (document.topics.empty()) continue;
    HelpTopic& topic = document.topics.back();
    if (line.starts_with(kKey)) {
      const std::string_view key = Trimmed(line.substr(kKey.size()));
      if (key.empty()) return std::nullopt;
      topic.keys.emplace_back(key);
    } else if (line.starts_with(kContext)) {
      const auto number = ContextNumber(Trimmed(line.substr(kContext.size())));
      if (!number) return std::nullopt;
      topic.contexts.push_back(*number);
    } else if (line.starts_with('@')) {
      return std::nullopt;
    } else {
      AppendLine(topic, line);
    }
  }
  if (document.topics.empty()) return std::nullopt;
  TrimTrailingBlankLines(document.topics.back());
  return document;
}

std::optional<HelpDocument> ReadHelpDocument(const char* path) {
  FILE* stream = fopen(path, "rb");
  if (stream == nullptr) return std::nullopt;
  std::string text;
  std::array<char, 4096> chunk{};
  for (std::size_t got; (got = fread(chunk.data(), 1, chunk.size(), stream)) > 0 && text.size() <= kLargestDocument;) {
    text.append(chunk.data(), got);
  }
  fclose(stream);
  auto document = text.size() <= kLargestDocument ? ParseHelpDocument(text) : std::nullopt;
  if (!document) SetLastError(ERROR_BAD_FORMAT);
  return document;
}

const HelpTopic& FindHelpTopic(const HelpDocument& document, UINT command, std::uintptr_t data) {
  const auto found = std::find_if(document.topics.begin(), document.topics.end(), [&](const HelpTopic& topic) {
    if (command == HELP_KEY && data != 0) {
      const std::string_view key = reinterpret_cast<const char*>(data);
      return std::any_of(topic.keys.begin(), topic.keys.end(),
                         [key](const std::string& own) { return EqualsIgnoringCase(own, key); });
    }
    if (command == HELP_CONTEXT) {
      return std::find(topic.contexts.begin(), topic.contexts.end(), static_cast<DWORD>(data)) != topic.contexts.end();
    }
    return false;
  });
  return found != document.topics.end() ? *found : document.topics.front();
}

}  // namespace win
