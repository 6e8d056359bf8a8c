#include "recovery/deleted_entries.h"

#include "platform/win/layouts/byte_order.h"

#include <cctype>
#include <cstring>

namespace recovery {

namespace {

constexpr std::size_t kEntry = 32;
constexpr std::uint8_t kDeleted = 0xE5;
constexpr std::uint8_t kLongName = 0x08;  // set in long-name entries and volume labels
constexpr std::uint8_t kLongNameEntry = 0x0F;
constexpr std::uint8_t kDirectory = 0x10;
constexpr std::uint8_t kArchive = 0x20;

bool ExtensionIsAlphanumeric(std::span<const std::uint8_t> entry) {
  for (int k = 8; k < 11; ++k)
    if (!std::isalnum(entry[static_cast<std::size_t>(k)])) return false;
  return true;
}

// The checksum a long-name entry carries of its short name (the 11 name and extension bytes).
std::uint8_t ShortNameChecksum(std::span<const std::uint8_t> entry, std::uint8_t first) {
  std::uint8_t sum = 0;
  for (std::size_t k = 0; k < 11; ++k)
    sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + (k == 0 ? first : entry[k]));
  return sum;
}

}  // namespace

void DeletedEntryList::RememberLongName(std::span<const std::uint8_t> entry) {
  // Only a long-name entry proper: a volume label has the 0x08 bit too.
  if (entry[11] != kLongNameEntry) return;
  longNameFirst_ = entry[1];
  longNameChecksum_ = entry[13];
}

bool DeletedEntryList::LongNameBelongsTo(std::span<const std::uint8_t> entry) const {
  if (longNameFirst_ < 0) return false;
  // The short name's own first letter is gone; it was the long name's first letter, as written
  // or in upper case.
  const auto letter = static_cast<std::uint8_t>(longNameFirst_);
  const auto upper = static_cast<std::uint8_t>(std::toupper(letter));
  return ShortNameChecksum(entry, letter) == longNameChecksum_ || ShortNameChecksum(entry, upper) == longNameChecksum_;
}

void DeletedEntryList::Add(std::span<const std::uint8_t> entry) {
  DeletedEntry node;
  node.id = static_cast<int>(entries_.size());
  std::memcpy(node.name, entry.data(), 8);
  std::memcpy(node.extension, entry.data() + 8, 3);
  if (LongNameBelongsTo(entry))
    node.name[0] = static_cast<char>(longNameFirst_);
  else if (entry[0] == kDeleted)
    node.name[0] = '_';
  longNameFirst_ = -1;
  node.attribute = entry[11];
  node.clusterHigh = win::ReadLe16(entry, 20);
  node.clusterLow = win::ReadLe16(entry, 26);
  node.size = win::ReadLe32(entry, 28);
  entries_.push_back(node);
}

int DeletedEntryList::ScanRootForDeletedEntries(std::span<const std::uint8_t> buffer) {
  for (std::size_t at = 0; at + kEntry <= buffer.size(); at += kEntry) {
    const auto entry = buffer.subspan(at, kEntry);
    if (entry[0] == '.' || (entry[11] & kDirectory)) continue;
    if (entry[11] & kLongName) {
      RememberLongName(entry);
      continue;
    }
    if (entry[0] == kDeleted && entry[11] == kArchive) Add(entry);
  }
  return 1;
}

int DeletedEntryList::ScanDirectoryCluster(std::span<const std::uint8_t> buffer, bool clusterInUse) {
  bool accepted = false;
  bool isDirectory = false;
  bool listed = false;
  for (std::size_t index = 0; (index + 1) * kEntry <= buffer.size(); ++index) {
    if (index >= 2 && !accepted) break;
    const auto entry = buffer.subspan(index * kEntry, kEntry);
    const std::uint8_t attribute = entry[11];
    if (entry[0] == '.' && entry[1] == '.') {
      const bool blanks = entry[8] == ' ' && entry[9] == ' ' && entry[10] == ' ';
      if (blanks && (attribute & kDirectory) && !(attribute & kArchive) && win::ReadLe32(entry, 28) == 0) {
        accepted = isDirectory = true;
        continue;
      }
      isDirectory = false;
      break;
    }
    if (entry[0] == '.') continue;
    if (attribute & kDirectory) continue;
    if (clusterInUse || !accepted) {
      if (entry[0] != kDeleted) continue;
      if (index == 0 && (attribute & (kArchive | kLongName)) && !(attribute & 0xC0)) accepted = true;
      if (!accepted) continue;
    }
    if (attribute & kLongName) {
      RememberLongName(entry);
      continue;
    }
    if (entry[0] != 0 && attribute == kArchive && ExtensionIsAlphanumeric(entry)) {
      Add(entry);
      listed = true;
    }
  }
  if (listed) return 1;
  return isDirectory ? 5 : 1;
}

int HasDirectoryEntries(std::span<const std::uint8_t> buffer) {
  if (buffer.size() <= 128) return 1;
  for (std::size_t at = 0; at <= 128 && at < buffer.size(); at += kEntry)
    if (buffer[at] != 0) return 1;
  return 0;
}

}  // namespace recovery
