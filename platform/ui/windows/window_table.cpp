#include "platform/ui/windows/window_table.h"

#include "platform/ui/windows/surface.h"

#include <map>

namespace ui {
namespace {

struct Table {
  std::map<std::uintptr_t, std::unique_ptr<WindowRecord>> windows;
  std::uintptr_t next = 0x10010;
};

// Never destroyed: windows still open when the process exits hold Qt widgets, which must not be
// torn down after Qt's own globals are gone (a crash on every exit from a window).
Table& TheTable() {
  static Table* table = new Table;
  return *table;
}

void AppendTree(HWND hwnd, std::vector<HWND>& out) {
  out.push_back(hwnd);
  if (const auto* record = FindWindowRecord(hwnd)) {
    for (HWND child : record->children) AppendTree(child, out);
  }
}

}  // namespace

WindowRecord::WindowRecord() = default;
WindowRecord::~WindowRecord() = default;

WindowRecord* FindWindowRecord(HWND hwnd) {
  auto& windows = TheTable().windows;
  const auto found = windows.find(HandleBits(hwnd));
  return found == windows.end() ? nullptr : found->second.get();
}

WindowRecord& AddWindowRecord() {
  auto& table = TheTable();
  auto record = std::make_unique<WindowRecord>();
  const std::uintptr_t bits = table.next;
  table.next += 2;
  record->handle = HandleOf<HWND>(bits);
  auto& stored = *record;
  table.windows.emplace(bits, std::move(record));
  return stored;
}

void RemoveWindowRecord(HWND hwnd) { TheTable().windows.erase(HandleBits(hwnd)); }

std::vector<HWND> WindowsInTreeOrder() {
  std::vector<HWND> out;
  for (const auto& [bits, record] : TheTable().windows) {
    if (record->parent == nullptr) AppendTree(record->handle, out);
  }
  return out;
}

std::vector<HWND> WindowAndDescendants(HWND hwnd) {
  std::vector<HWND> out;
  if (FindWindowRecord(hwnd) != nullptr) AppendTree(hwnd, out);
  return out;
}

HWND TopLevelOf(HWND hwnd) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  while (record != nullptr && record->parent != nullptr) {
    hwnd = record->parent;
    record = FindWindowRecord(hwnd);
  }
  return record == nullptr ? nullptr : hwnd;
}

bool IsDescendantOf(HWND hwnd, HWND ancestor) {
  const WindowRecord* record = FindWindowRecord(hwnd);
  while (record != nullptr && record->parent != nullptr) {
    if (record->parent == ancestor) return true;
    record = FindWindowRecord(record->parent);
  }
  return false;
}

}  // namespace ui
