#include "platform/win/card_drives.h"

#include <array>
#include <cctype>
#include <mutex>

namespace win {
namespace {

struct CardDriveTable {
  std::mutex lock;
  std::array<std::shared_ptr<CardVolume>, 26> volumes;
  std::array<bool, 26> removable{};
};

CardDriveTable& Table() {
  static CardDriveTable table;
  return table;
}

int SlotOf(char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  return upper >= 'A' && upper <= 'Z' ? upper - 'A' : -1;
}

}  // namespace

void MountCardDrive(char letter, std::shared_ptr<CardVolume> volume) {
  const int slot = SlotOf(letter);
  if (slot < 0) return;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  table.volumes[static_cast<std::size_t>(slot)] = std::move(volume);
}

void UnmountCardDrive(char letter) { MountCardDrive(letter, nullptr); }

std::shared_ptr<CardVolume> CardDrive(char letter) {
  const int slot = SlotOf(letter);
  if (slot < 0) return nullptr;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  return table.volumes[static_cast<std::size_t>(slot)];
}

bool IsCardDriveLetter(char letter) {
  const int slot = SlotOf(letter);
  if (slot < 0) return false;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  return table.volumes[static_cast<std::size_t>(slot)] != nullptr || table.removable[static_cast<std::size_t>(slot)];
}

void SetRemovableDrive(char letter, bool present) {
  const int slot = SlotOf(letter);
  if (slot < 0) return;
  auto& table = Table();
  std::lock_guard guard(table.lock);
  table.removable[static_cast<std::size_t>(slot)] = present;
}

}  // namespace win
