#include "exif/testing/exiftool_oracle.h"

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace viduvod::test_support {
namespace {

// exiftool puts one "| " before each line per directory level it is nested in.
std::size_t NestingDepth(const std::string& line) {
  const std::size_t textAt = std::min(line.find_first_not_of(" |"), line.size());
  return static_cast<std::size_t>(std::count(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(textAt), '|'));
}

std::string Unnested(const std::string& line) {
  const std::size_t at = line.find_first_not_of(" |");
  return at == std::string::npos ? std::string() : line.substr(at);
}

void AppendHexBytes(const std::string& hex, std::vector<std::uint8_t>& bytes) {
  std::istringstream words(hex);
  std::string word;
  while (words >> word && word.size() == 2 && word[0] != '[')
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
}

}  // namespace

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string RunCommand(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  if (status != 0) throw std::runtime_error(command + " failed with " + std::to_string(status) + ":\n" + output);
  return output;
}

OracleFile ReadWithExiftool(const std::filesystem::path& file) {
  static const std::regex kDirectory(R"(^\+ \[(\w+) directory with \d+ entries\])");
  static const std::regex kTag(R"(^- Tag 0x([0-9a-f]{4}) \(\d+ bytes, (\w+)\[(\d+)\].*\):)");
  static const std::regex kHex(R"(^([0-9a-f]{4,8}): ((?:[0-9a-f]{2} )*[0-9a-f]{2}))");
  OracleFile oracle;
  std::istringstream lines(RunCommand("exiftool -n -v3 " + Quoted(file)));
  std::vector<std::string> directories;  // by nesting depth
  std::string line;
  bool inValue = false;
  std::smatch match;
  while (std::getline(lines, line)) {
    const std::size_t depth = NestingDepth(line);
    const std::string text = Unnested(line);
    if (text.rfind("ExifByteOrder = ", 0) == 0) {
      oracle.order = text.substr(16) == "MM" ? ByteOrder::Motorola : ByteOrder::Intel;
    } else if (std::regex_search(text, match, kDirectory)) {
      directories.resize(depth);
      directories.push_back(match[1]);
      inValue = false;
    } else if (std::regex_search(text, match, kTag) && depth >= 1 && depth <= directories.size()) {
      OracleEntry entry;
      entry.directory = directories[depth - 1];
      entry.tag = static_cast<std::uint16_t>(std::stoul(match[1], nullptr, 16));
      entry.format = match[2];
      entry.count = static_cast<std::uint32_t>(std::stoul(match[3]));
      oracle.entries.push_back(entry);
      inValue = true;
    } else if (inValue && std::regex_search(text, match, kHex)) {
      auto& entry = oracle.entries.back();
      if (entry.bytes.empty()) entry.dataAt = std::stoull(match[1], nullptr, 16);
      AppendHexBytes(match[2], entry.bytes);
    } else if (text.rfind("[snip", 0) != 0) {
      inValue = false;
    }
  }
  return oracle;
}

}  // namespace viduvod::test_support
