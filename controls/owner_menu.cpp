// The owner-drawn menu's records, its process-wide lists and its keyboard mnemonics.
#include "controls/owner_menu.h"

#include "controls/owner_menu_state.h"

#include "platform/ui/windows/messages.h"
#include "platform/win/registry/registry.h"
#include "platform/win/system/last_error.h"
#include "platform/win/system/os_version.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cwctype>

namespace tarnlok {
namespace {

constexpr win::UINT kSeparatorFlags = ui::MF_SEPARATOR | ui::MF_OWNERDRAW;
constexpr win::UINT kSyncedPopupFlags = 0x510;
constexpr win::UINT kSyncedNewFlags = ui::MF_BYPOSITION | ui::MF_OWNERDRAW;
constexpr win::UINT kSyncedSeparatorFlags = ui::MF_BYPOSITION | ui::MF_OWNERDRAW | ui::MF_SEPARATOR;
constexpr const char* kThemeKey = "Software\\Microsoft\\Plus!\\Themes\\Current";
constexpr std::string_view kClassicThemeName = "windows classic.theme";

const char* RecordData(const COwnerMenuItem* record) { return reinterpret_cast<const char*>(record); }

std::wstring Lowered(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
  return text;
}

int ComputeShellKind() {
  win::OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!win::GetVersionExA(&version)) return COwnerMenu::WinNt3;
  const bool nt = version.dwPlatformId == win::VER_PLATFORM_WIN32_NT;
  if (version.dwPlatformId == win::VER_PLATFORM_WIN32s) return COwnerMenu::Win32s;
  if (!nt) {
    if (version.dwMinorVersion >= 90) return COwnerMenu::WinMe;
    if (version.dwMinorVersion >= 10) return COwnerMenu::Win98;
    return COwnerMenu::Win95;
  }
  if (version.dwMajorVersion == 4) return COwnerMenu::WinNt4;
  if (version.dwMajorVersion == 5 && version.dwMinorVersion == 0) return COwnerMenu::Win2000;
  if (version.dwMajorVersion == 5 && version.dwMinorVersion == 1) return COwnerMenu::WinXp;
  return COwnerMenu::WinNt3;
}

bool ReadClassicTheme() {
  win::HKEY key = nullptr;
  if (win::RegOpenKeyExA(win::HKEY_CURRENT_USER, kThemeKey, 0, win::KEY_READ, &key) != win::ERROR_SUCCESS) return false;
  char value[261] = {};
  win::DWORD size = 260;
  const bool read = win::RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<win::BYTE*>(value), &size) ==
                    win::ERROR_SUCCESS;
  win::RegCloseKey(key);
  if (!read) return false;
  std::string name(value, strnlen(value, sizeof(value)));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.size() >= kClassicThemeName.size() &&
         name.compare(name.size() - kClassicThemeName.size(), kClassicThemeName.size(), kClassicThemeName) == 0;
}

}  // namespace

MenuClassState& TheMenuClassState() {
  static MenuClassState state;
  return state;
}

COwnerMenu::COwnerMenu() = default;

COwnerMenu::~COwnerMenu() { DestroyMenu(); }

int COwnerMenu::OsShellKind() {
  auto& state = TheMenuClassState();
  if (!state.shellKind) state.shellKind = ComputeShellKind();
  return *state.shellKind;
}

bool COwnerMenu::IsClassicTheme() {
  auto& state = TheMenuClassState();
  if (!state.classicTheme) state.classicTheme = ReadClassicTheme();
  return *state.classicTheme;
}

bool COwnerMenu::XpLookInForce() { return OsShellKind() == WinXp && !IsClassicTheme(); }

void COwnerMenu::RefreshSystemLook() {
  auto& state = TheMenuClassState();
  state.shellKind.reset();
  state.classicTheme.reset();
}

ui::COLORREF COwnerMenu::BlendTowardWhite(ui::COLORREF colour, double factor) {
  if (!(factor > 0.0 && factor <= 1.0)) return colour;
  const auto blend = [factor](ui::BYTE c) { return static_cast<ui::BYTE>(factor * (255 - c) + c); };
  return ui::RGB(blend(ui::GetRValue(colour)), blend(ui::GetGValue(colour)), blend(ui::GetBValue(colour)));
}

void COwnerMenu::Register(ui::HMENU menu) {
  if (menu != nullptr) TheMenuClassState().objects[menu] = this;
}

bool COwnerMenu::IsMenu(ui::HMENU menu) {
  const auto& all = TheMenuClassState().allSubmenus;
  return menu != nullptr && std::find(all.begin(), all.end(), menu) != all.end();
}

COwnerMenu* COwnerMenu::FromHandle(ui::HMENU menu) {
  const auto& objects = TheMenuClassState().objects;
  const auto found = objects.find(menu);
  return found != objects.end() ? found->second : nullptr;
}

win::BOOL COwnerMenu::DestroyMenu() {
  auto& state = TheMenuClassState();
  const auto drop = [&state](ui::HMENU menu) {
    std::erase(state.allSubmenus, menu);
    state.objects.erase(menu);
  };
  drop(m_hMenu);
  for (const ui::HMENU submenu : submenus_) drop(submenu);
  ownedSubmenus_.clear();
  submenus_.clear();
  items_.clear();
  ownCheckImages_.reset();
  checkImages_ = nullptr;
  etched_.Release();
  loadedFromResource_ = win::FALSE;
  return CMenu::DestroyMenu();
}

void COwnerMenu::AppendRecord(std::unique_ptr<COwnerMenuItem> record) { items_.push_back(std::move(record)); }

win::BOOL COwnerMenu::AppendOwnerDrawnItem(const std::wstring& text, win::UINT flags, std::uintptr_t id, int iconId) {
  if (id == 0) {
    flags = kSeparatorFlags | (flags & ui::MF_BYPOSITION);
  } else {
    flags |= ui::MF_OWNERDRAW;
  }
  if ((flags & ui::MF_POPUP) != 0) {
    const auto popup = reinterpret_cast<ui::HMENU>(id);
    TheMenuClassState().allSubmenus.push_back(popup);
    submenus_.push_back(popup);
  }
  auto record = std::make_unique<COwnerMenuItem>();
  record->SetWideText(text);
  const auto command = static_cast<win::UINT>(id);
  if (iconId < 0) {
    const auto& ids = TheMenuClassState().imageIds;
    const auto found = std::find(ids.begin(), ids.end(), command);
    record->sharedImageIndex = found != ids.end() ? static_cast<int>(found - ids.begin()) : -1;
  } else if (int index = 0; ToolbarImageIndex(command, static_cast<win::UINT>(iconId), index)) {
    ui::CImageList strip;
    strip.Create(kIconWidth, kIconHeight, ui::ILC_MASK | ui::ILC_COLOR32, 1, 1);
    if (AddBitmapToImageList(strip, static_cast<std::uintptr_t>(iconId)) != 0)
      record->sharedImageIndex = AddToSharedImageList(strip, index, command);
  }
  record->menuFlags = flags;
  record->commandId = id;
  const win::BOOL appended = AppendMenu(flags, id, RecordData(record.get()));
  AppendRecord(std::move(record));
  Register(m_hMenu);
  if (loadedFromResource_) RestoreTopLevelPopups();
  return appended;
}

void COwnerMenu::SetCheckMarkImages(std::unique_ptr<ui::CImageList> images, int unselectedIndex, int selectedIndex) {
  ownCheckImages_ = std::move(images);
  checkImages_ = ownCheckImages_.get();
  unselectedCheckImage_ = unselectedIndex;
  selectedCheckImage_ = selectedIndex;
}

COwnerMenuItem* COwnerMenu::ReplaceWithOwnerDrawnItem(win::UINT position, win::UINT flags, std::uintptr_t id,
                                                      const std::wstring& text) {
  auto record = std::make_unique<COwnerMenuItem>();
  record->SetWideText(text);
  record->menuFlags = flags;
  record->commandId = id;
  COwnerMenuItem* raw = record.get();
  const char* data = (flags & ui::MF_OWNERDRAW) != 0 ? RecordData(raw) : nullptr;
  ui::ModifyMenuA(m_hMenu, position, flags, id, data);
  AppendRecord(std::move(record));
  return raw;
}

int COwnerMenu::GetItemText(win::UINT id, std::string& text, win::UINT flags) {
  if ((flags & ui::MF_BYPOSITION) != 0) {
    if (id >= items_.size()) return 0;
    text = items_[id]->GetText();
    return 1;
  }
  int position = -1;
  COwnerMenu* holder = FindMenuOption(id, position);
  return holder != nullptr ? holder->GetItemText(static_cast<win::UINT>(position), text, ui::MF_BYPOSITION) : 0;
}

COwnerMenu* COwnerMenu::FindMenuOption(win::UINT id, int& position) {
  const int count = GetMenuItemCount();
  for (int i = 0; i < count; ++i) {
    if (const ui::HMENU popup = ui::GetSubMenu(m_hMenu, i); popup != nullptr) {
      if (COwnerMenu* submenu = FromHandle(popup)) {
        if (COwnerMenu* found = submenu->FindMenuOption(id, position)) return found;
      }
    } else if (GetMenuItemID(i) == id) {
      position = i;
      return this;
    }
  }
  position = -1;
  return nullptr;
}

ui::CMenu* COwnerMenu::GetSubMenu(int position) const { return CMenu::FromHandle(ui::GetSubMenu(m_hMenu, position)); }

ui::LRESULT COwnerMenu::FindKeyboardShortcut(win::UINT ch, win::UINT flags, ui::HMENU menu) {
  COwnerMenu* owner = FromHandle(menu);
  if (owner == nullptr || (flags & ui::MF_POPUP) == 0) return 0;
  const std::wstring key = Lowered(std::wstring{L'&', static_cast<wchar_t>(ch)});
  if (owner->GetMenuItemCount() != static_cast<int>(owner->items_.size())) owner->SynchronizeMenu();
  for (std::size_t i = 0; i < owner->items_.size(); ++i) {
    if (Lowered(owner->items_[i]->text).find(key) != std::wstring::npos)
      return static_cast<ui::LRESULT>(ui::MAKELPARAM(static_cast<ui::WORD>(i), ui::MNC_EXECUTE));
  }
  return 0;
}

// Brings the records in line with the items after the menu was changed behind the class's back.
void COwnerMenu::SynchronizeMenu() {
  for (auto& record : items_) record->syncFlag = 0;
  std::vector<std::unique_ptr<COwnerMenuItem>> ordered;
  const auto take = [this](auto matches) -> std::unique_ptr<COwnerMenuItem> {
    for (auto& record : items_) {
      if (record && record->syncFlag == 0 && matches(*record)) {
        record->syncFlag = 1;
        return std::move(record);
      }
    }
    return nullptr;
  };
  const int count = GetMenuItemCount();
  for (int i = 0; i < count; ++i) {
    const auto position = static_cast<win::UINT>(i);
    const win::UINT state = GetMenuState(position, ui::MF_BYPOSITION);
    char buffer[256] = {};
    ui::GetMenuStringA(m_hMenu, position, buffer, sizeof(buffer), ui::MF_BYPOSITION);
    std::unique_ptr<COwnerMenuItem> record;
    if (const ui::HMENU popup = ui::GetSubMenu(m_hMenu, i); popup != nullptr) {
      const auto handle = reinterpret_cast<std::uintptr_t>(popup);
      record = take([handle](const COwnerMenuItem& each) { return each.commandId == handle; });
      if (!record) {
        record = std::make_unique<COwnerMenuItem>();
        record->commandId = handle;
        record->menuFlags = (state & 0xEF) | kSyncedPopupFlags;
      }
      if (buffer[0] != '\0') record->SetText(buffer);
    } else if ((state & ui::MF_SEPARATOR) != 0) {
      record = take([](const COwnerMenuItem& each) { return each.commandId == 0; });
      if (!record) {
        record = std::make_unique<COwnerMenuItem>();
        record->menuFlags = kSyncedSeparatorFlags;
      }
      ui::ModifyMenuA(m_hMenu, position, record->menuFlags | ui::MF_BYPOSITION, 0, RecordData(record.get()));
    } else {
      const win::UINT id = GetMenuItemID(i);
      record = take([id](const COwnerMenuItem& each) { return each.commandId == id; });
      if (!record) {
        record = std::make_unique<COwnerMenuItem>();
        record->commandId = id;
      }
      record->menuFlags = state | kSyncedNewFlags;
      if (buffer[0] != '\0') record->SetText(buffer);
      ui::ModifyMenuA(m_hMenu, position, record->menuFlags, id, RecordData(record.get()));
    }
    ordered.push_back(std::move(record));
  }
  items_ = std::move(ordered);
}

}  // namespace tarnlok
