// Byte counts as the pages show them: bytes, whole kilobytes, then megabytes and gigabytes with
// one truncated decimal digit.
#include "controls/app_resources.h"

#include <cstdio>

namespace tarnlok {
namespace {

std::string WithOneDigit(std::uint64_t bytes, int shift, const char* unit) {
  const std::uint64_t whole = bytes >> shift;
  const std::uint64_t digit = ((bytes & ((std::uint64_t{1} << shift) - 1)) * 10) >> shift;
  char text[48];
  std::snprintf(text, sizeof(text), "%llu.%llu %s", static_cast<unsigned long long>(whole),
                static_cast<unsigned long long>(digit), unit);
  return text;
}

}  // namespace

std::string CAppResources::FormatByteSize(std::uint64_t bytes) {
  char text[48];
  if (bytes < 1024) {
    std::snprintf(text, sizeof(text), "%d Bytes", static_cast<int>(bytes));
    return text;
  }
  if (bytes < 1048576) {
    std::snprintf(text, sizeof(text), "%llu KB", static_cast<unsigned long long>(bytes / 1024));
    return text;
  }
  if (bytes < 1073741824) return WithOneDigit(bytes, 20, "MB");
  return WithOneDigit(bytes, 30, "GB");
}

}  // namespace tarnlok
