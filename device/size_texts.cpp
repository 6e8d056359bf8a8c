#include "device/size_texts.h"

#include "device/device_messages.h"
#include "device/reader_commands.h"
#include "device/string_ids.h"

namespace tarnlok {
namespace {

std::string SizeCodeText(win::DWORD code) {
  const auto megabytes = MediaSizeCodeMegabytes(code);
  if (!megabytes) return {};
  const std::string media = LoadProgramString(code <= 8 ? kStringSmartMedia : kStringMemoryStick);
  return media + " " + std::to_string(*megabytes) + " " + LoadProgramString(kStringMegabytes) + "\n";
}

std::string SizeText(win::DWORD size) {
  if (size == 0) return {};
  return " " + std::to_string(static_cast<int>(size)) + " " + LoadProgramString(kStringMegabytes) + "\n";
}

}  // namespace

void FormatSizeCodeTexts(win::DWORD code1, std::string& text1, win::DWORD code2, std::string& text2) {
  text1 = SizeCodeText(code1);
  text2 = SizeCodeText(code2);
}

void FormatSizeTexts(win::DWORD size1, std::string& text1, win::DWORD size2, std::string& text2) {
  text1 = SizeText(size1);
  text2 = SizeText(size2);
}

}  // namespace tarnlok
