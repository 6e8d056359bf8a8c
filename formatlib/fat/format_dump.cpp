#include "formatlib/fat/format_dump.h"

#include "platform/win/registry/profile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace pradvik {
namespace {

constexpr const char* kDumpFile = "DFDLLDMP.INI";
constexpr const char* kDumpSection = "File_System";

}  // namespace

FormatDump FormatDump::FromSwitch() {
  FormatDump dump;
  std::array<char, 20> value{};
  win::GetPrivateProfileStringA("KRDEBUG", "KRDBGDUMP", "NO", value.data(), static_cast<win::DWORD>(value.size()),
                                "Pradvik.ini");
  std::string text = value.data();
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  dump.on_ = text.find("YES") != std::string::npos;
  if (!dump.on_) return dump;
  win::WritePrivateProfileStringA(kDumpSection, nullptr, nullptr, kDumpFile);
  dump.Text("Format_Ver", "3.54");
  return dump;
}

void FormatDump::Number(const char* key, std::int64_t value) const {
  if (!on_) return;
  std::array<char, 200> text{};
  std::snprintf(text.data(), text.size(), "%lld", static_cast<long long>(value));
  win::WritePrivateProfileStringA(kDumpSection, key, text.data(), kDumpFile);
}

void FormatDump::Text(const char* key, const std::string& value) const {
  if (!on_) return;
  win::WritePrivateProfileStringA(kDumpSection, key, value.substr(0, 199).c_str(), kDumpFile);
}

}  // namespace pradvik
