#include "device/product_keywords.h"

#include "device/device_entry.h"

#include <algorithm>
#include <cctype>

namespace tarnlok {

bool ContainsAny(std::string_view text, std::span<const std::string_view> words) {
  return std::any_of(words.begin(), words.end(),
                     [text](std::string_view word) { return text.find(word) != std::string_view::npos; });
}

std::string PlainText(std::span<const win::BYTE> bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), win::BYTE{0});
  return std::string(bytes.begin(), end);
}

std::string UpperText(std::span<const win::BYTE> bytes) {
  std::string text = PlainText(bytes);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  return text;
}

win::BYTE KindFromProductWords(std::string_view upperProduct) {
  if (ContainsAny(upperProduct, kSmartMediaWords)) return kSmartMedia;
  if (ContainsAny(upperProduct, kMemoryStickWords)) return kMemoryStick;
  if (ContainsAny(upperProduct, kCompactFlashWords)) return kCompactFlash;
  return kMmcSd;
}

bool IsMakersVendor(std::string_view vendor) {
  return vendor.find("Kestro ") != std::string_view::npos || vendor.find("KSX-USB") != std::string_view::npos;
}

}  // namespace tarnlok
