// Private profile files on host drives; card drives hold no INI files. Not provided: the
// whole-section functions and the mapping of profile files to the registry.
#include "platform/win/registry/profile.h"

#include "platform/win/host/atomic_file.h"
#include "platform/win/system/last_error.h"
#include "platform/win/files/paths.h"
#include "platform/win/registry/profile_document.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace win {
namespace {

constexpr std::string_view kWindowsFolder = "C:\\Windows\\";

std::optional<std::filesystem::path> ProfilePath(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  const std::string_view name(fileName);
  const bool bare = name.find_first_of("\\/:") == std::string_view::npos;
  return HostPathOf(bare ? std::string(kWindowsFolder) + fileName : std::string(name));
}

// The file's document; an empty one when the file does not exist. nullopt with the last
// error set when it cannot be read.
std::optional<ProfileDocument> Load(const std::filesystem::path& file, bool& exists) {
  DWORD error = ERROR_SUCCESS;
  const auto text = ReadWholeFile(file, error);
  exists = text.has_value();
  if (text) return ProfileDocument(*text);
  if (error == ERROR_FILE_NOT_FOUND) return ProfileDocument("");
  SetLastError(error);
  return std::nullopt;
}

// Copies text and its terminator, cut to size - 1 characters; answers the characters copied.
DWORD CopyString(std::string_view text, LPSTR buffer, DWORD size) {
  const auto length = static_cast<DWORD>(std::min<std::size_t>(text.size(), size - 1));
  std::copy_n(text.data(), length, buffer);
  buffer[length] = '\0';
  SetLastError(length < text.size() ? ERROR_MORE_DATA : ERROR_SUCCESS);
  return length;
}

// Copies names each ended by a 0 and the list by one more. A list that does not fit is cut
// to size - 2 characters and ended by two 0s.
DWORD CopyList(const std::vector<std::string>& names, LPSTR buffer, DWORD size) {
  std::string list;
  for (const auto& name : names) list.append(name).push_back('\0');
  if (size < 2) {
    buffer[0] = '\0';
    SetLastError(list.empty() ? ERROR_SUCCESS : ERROR_MORE_DATA);
    return 0;
  }
  const bool fits = list.size() + 1 <= size;
  const auto length = static_cast<DWORD>(fits ? list.size() : size - 2);
  std::memcpy(buffer, list.data(), length);
  buffer[length] = '\0';
  if (!fits || list.empty()) buffer[length + 1] = '\0';
  SetLastError(fits ? ERROR_SUCCESS : ERROR_MORE_DATA);
  return length;
}

// The default value without its trailing blanks.
std::string_view DefaultOf(LPCSTR defaultValue) {
  std::string_view text = defaultValue == nullptr ? std::string_view() : std::string_view(defaultValue);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

BOOL Store(const std::filesystem::path& file, const ProfileDocument& document) {
  const DWORD error = ReplaceFileContents(file, document.Text());
  return error == ERROR_SUCCESS ? TRUE : Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer, DWORD size,
                               LPCSTR fileName) {
  if (buffer == nullptr || size == 0) return 0;
  const auto file = ProfilePath(fileName);
  bool exists = false;
  const auto document = file ? Load(*file, exists) : std::nullopt;
  if (!document) {
    const DWORD error = GetLastError();
    const DWORD copied = section == nullptr || key == nullptr ? CopyList({}, buffer, size)
                                                              : CopyString(DefaultOf(defaultValue), buffer, size);
    SetLastError(error);
    return copied;
  }
  DWORD copied = 0;
  if (section == nullptr) {
    copied = CopyList(document->SectionNames(), buffer, size);
  } else if (key == nullptr) {
    copied = CopyList(document->KeyNames(section).value_or(std::vector<std::string>{}), buffer, size);
  } else {
    const auto value = document->Value(section, key);
    copied = value ? CopyString(*value, buffer, size) : CopyString(DefaultOf(defaultValue), buffer, size);
  }
  if (!exists) SetLastError(ERROR_FILE_NOT_FOUND);
  return copied;
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName) {
  char text[64];
  if (GetPrivateProfileStringA(section, key, "", text, sizeof text, fileName) == 0) {
    return static_cast<UINT>(defaultValue);
  }
  // Leading digits count, decimal with an optional minus or hexadecimal after "0x".
  std::string_view digits(text);
  const bool negative = digits.starts_with('-');
  if (negative) digits.remove_prefix(1);
  unsigned base = 10;
  if (digits.starts_with("0x") || digits.starts_with("0X")) {
    base = 16;
    digits.remove_prefix(2);
  }
  UINT value = 0;
  for (char c : digits) {
    const char lower = static_cast<char>(c | 0x20);
    const unsigned digit = (c >= '0' && c <= '9')                         ? static_cast<unsigned>(c - '0')
                           : (base == 16 && lower >= 'a' && lower <= 'f') ? static_cast<unsigned>(lower - 'a' + 10)
                                                                          : base;
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0U - value : value;
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  // All three null asks to flush a cache there is none of; Windows answers FALSE then.
  if (section == nullptr && key == nullptr && value == nullptr) return FALSE;
  if (section == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const auto file = ProfilePath(fileName);
  if (!file) return FALSE;
  bool exists = false;
  auto document = Load(*file, exists);
  if (!document) return FALSE;
  if (key == nullptr) {
    if (!document->DeleteSection(section)) return TRUE;
  } else if (value == nullptr) {
    if (!document->DeleteKey(section, key)) return TRUE;
  } else {
    document->Set(section, key, value);
  }
  return Store(*file, *document);
}

}  // namespace win
