#include "controls/owner_menu_item.h"

namespace tarnlok {

void COwnerMenuItem::SetText(const std::string& narrow) {
  text.clear();
  for (const char c : narrow) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::string COwnerMenuItem::GetText() const {
  std::string narrow;
  for (const wchar_t c : text) narrow.push_back(c < 256 ? static_cast<char>(c) : '?');
  return narrow;
}

}  // namespace tarnlok
