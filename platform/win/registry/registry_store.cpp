#include "platform/win/registry/registry_store.h"

#include "platform/win/layouts/byte_order.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>

namespace win {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";

struct RootName {
  RegistryRoot root;
  std::string_view name;
};

constexpr std::array kRootNames{
    RootName{RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},
    RootName{RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
    RootName{RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT"},
    RootName{RegistryRoot::Users, "HKEY_USERS"},
};

constexpr std::string_view kHexDigits = "0123456789abcdef";

void AppendHexByte(std::string& out, BYTE value) {
  out += kHexDigits[value >> 4];
  out += kHexDigits[value & 0x0F];
}

std::optional<BYTE> ParseHexByte(std::string_view text) {
  unsigned value = 0;
  if (text.size() != 2) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + 2, value, 16);
  if (error != std::errc{} || end != text.data() + 2) return std::nullopt;
  return static_cast<BYTE>(value);
}

bool IsPlainByte(char c) { return c >= 0x20 && c < 0x7F; }

// ---- key names: %HH escapes -------------------------------------------------------------

std::string EscapeKeyName(std::string_view name) {
  std::string out;
  for (char c : name) {
    // A backslash would split the name into two keys when the path is read back.
    if (IsPlainByte(c) && c != '%' && c != '[' && c != ']' && c != '\\') {
      out += c;
    } else {
      out += '%';
      AppendHexByte(out, static_cast<BYTE>(c));
    }
  }
  return out;
}

std::optional<std::string> UnescapeKeyName(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const auto value = ParseHexByte(text.substr(i + 1, 2));
    if (!value) return std::nullopt;
    out += static_cast<char>(*value);
    i += 2;
  }
  return out;
}

// ---- quoted strings: \\, \" and \xHH ----------------------------------------------------

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (IsPlainByte(c)) {
      out += c;
    } else {
      out += "\\x";
      AppendHexByte(out, static_cast<BYTE>(c));
    }
  }
  return out + '"';
}

// Reads a quoted string at the front of text and removes it from text.
std::optional<std::string> TakeQuoted(std::string_view& text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  for (; i < text.size() && text[i] != '"'; ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) return std::nullopt;
    const char escaped = text[++i];
    if (escaped == '\\' || escaped == '"') {
      out += escaped;
    } else if (escaped == 'x') {
      const auto value = ParseHexByte(text.substr(i + 1, 2));
      if (!value) return std::nullopt;
      out += static_cast<char>(*value);
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  if (i >= text.size()) return std::nullopt;
  text.remove_prefix(i + 1);
  return out;
}

// ---- values -----------------------------------------------------------------------------

bool IsPlainString(const RegistryData& data) {
  if (data.type != REG_SZ || data.bytes.empty() || data.bytes.back() != 0) return false;
  return std::find(data.bytes.begin(), data.bytes.end() - 1, BYTE{0}) == data.bytes.end() - 1;
}

std::string HexList(const std::vector<BYTE>& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) out += ',';
    AppendHexByte(out, bytes[i]);
  }
  return out;
}

std::string FormatData(const RegistryData& data) {
  if (IsPlainString(data)) {
    return Quote(std::string_view(reinterpret_cast<const char*>(data.bytes.data()), data.bytes.size() - 1));
  }
  if (data.type == REG_DWORD && data.bytes.size() == 4) {
    const DWORD value = ReadLe32(data.bytes, 0);
    std::array<char, 16> digits{};
    std::snprintf(digits.data(), digits.size(), "%08x", static_cast<unsigned>(value));
    return "dword:" + std::string(digits.data());
  }
  if (data.type == REG_BINARY) return "hex:" + HexList(data.bytes);
  std::array<char, 16> type{};
  std::snprintf(type.data(), type.size(), "%x", static_cast<unsigned>(data.type));
  return "hex(" + std::string(type.data()) + "):" + HexList(data.bytes);
}

std::optional<std::vector<BYTE>> ParseHexList(std::string_view text) {
  std::vector<BYTE> bytes;
  while (!text.empty()) {
    const auto comma = text.find(',');
    const auto value = ParseHexByte(text.substr(0, comma));
    if (!value) return std::nullopt;
    bytes.push_back(*value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (text.empty()) return std::nullopt;
  }
  return bytes;
}

template <class Number>
std::optional<Number> ParseHexNumber(std::string_view text) {
  Number value{};
  if (text.empty()) return std::nullopt;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<RegistryData> ParseData(std::string_view text) {
  if (!text.empty() && text.front() == '"') {
    auto quoted = TakeQuoted(text);
    if (!quoted || !text.empty()) return std::nullopt;
    return StringData(*quoted);
  }
  if (text.starts_with("dword:")) {
    text.remove_prefix(6);
    const auto value = text.size() == 8 ? ParseHexNumber<DWORD>(text) : std::nullopt;
    if (!value) return std::nullopt;
    return DwordData(*value);
  }
  DWORD type = REG_BINARY;
  if (text.starts_with("hex(")) {
    const auto close = text.find("):");
    const auto parsed =
        close == std::string_view::npos ? std::nullopt : ParseHexNumber<DWORD>(text.substr(4, close - 4));
    if (!parsed) return std::nullopt;
    type = *parsed;
    text.remove_prefix(close + 2);
  } else if (text.starts_with("hex:")) {
    text.remove_prefix(4);
  } else {
    return std::nullopt;
  }
  auto bytes = ParseHexList(text);
  if (!bytes) return std::nullopt;
  return RegistryData{type, std::move(*bytes)};
}

// ---- writing ----------------------------------------------------------------------------

void FormatKey(const RegistryKeyNode& node, const std::string& path, std::string& out) {
  if (!node.values.empty() || node.subkeys.empty()) {
    out += "\n[" + path + "]\n";
    for (const auto& [name, data] : node.values) {
      out += (name.empty() ? std::string("@") : Quote(name)) + "=" + FormatData(data) + "\n";
    }
  }
  for (const auto& [name, child] : node.subkeys) FormatKey(*child, path + "\\" + EscapeKeyName(name), out);
}

// ---- reading ----------------------------------------------------------------------------

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

struct KeyPath {
  RegistryRoot root;
  std::vector<std::string> components;
};

std::optional<KeyPath> ParseKeyPath(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const auto end = text.find('\\', start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  const auto* root = std::find_if(kRootNames.begin(), kRootNames.end(),
                                  [&parts](const RootName& entry) { return entry.name == parts.front(); });
  if (root == kRootNames.end()) return std::nullopt;
  KeyPath path{root->root, {}};
  for (auto part = parts.begin() + 1; part != parts.end(); ++part) {
    auto name = UnescapeKeyName(*part);
    if (!name || name->empty()) return std::nullopt;
    path.components.push_back(std::move(*name));
  }
  return path;
}

class Parser {
 public:
  ParsedRegistry Run(std::string_view text) {
    std::size_t number = 0;
    while (!text.empty()) {
      const auto end = text.find('\n');
      ++number;
      ParseLine(Trim(text.substr(0, end)), number);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return std::move(result_);
  }

 private:
  void ParseLine(std::string_view line, std::size_t number) {
    if (line.empty() || line.front() == ';' || line == kHeader) return;
    if (line.front() == '[') return ParseSection(line, number);
    ParseValue(line, number);
  }

  void ParseSection(std::string_view line, std::size_t number) {
    current_ = nullptr;
    const auto path = line.back() == ']' ? ParseKeyPath(line.substr(1, line.size() - 2)) : std::nullopt;
    if (!path) return Problem(number, "bad key name");
    bool created = false;
    current_ = &result_.tree.FindOrCreate(path->root, path->components, created);
  }

  void ParseValue(std::string_view line, std::size_t number) {
    if (current_ == nullptr) return Problem(number, "value outside a readable key");
    std::optional<std::string> name;
    if (line.front() == '@') {
      name = std::string();
      line.remove_prefix(1);
    } else {
      name = TakeQuoted(line);
    }
    line = Trim(line);
    if (!name || line.empty() || line.front() != '=') return Problem(number, "bad value name");
    auto data = ParseData(Trim(line.substr(1)));
    if (!data) return Problem(number, "bad value data");
    current_->values.insert_or_assign(std::move(*name), std::move(*data));
  }

  void Problem(std::size_t number, std::string_view what) {
    result_.problems.push_back("line " + std::to_string(number) + ": " + std::string(what));
  }

  ParsedRegistry result_;
  RegistryKeyNode* current_ = nullptr;
};

}  // namespace

std::string FormatRegistryText(const RegistryTree& tree) {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [root, name] : kRootNames) {
    const auto& node = tree.Root(root);
    if (!node.values.empty() || !node.subkeys.empty()) FormatKey(node, std::string(name), out);
  }
  return out;
}

ParsedRegistry ParseRegistryText(std::string_view text) { return Parser().Run(text); }

}  // namespace win
