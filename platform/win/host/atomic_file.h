// Replacing a host file as a whole, so that a reader (or a crash) never sees half a file.
#pragma once

#include "platform/win/types.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// Writes the bytes to a temporary file beside the target, flushes it to disk and renames it
// over the target. Answers ERROR_SUCCESS or the Windows error of the step that failed; the
// target is then untouched.
DWORD ReplaceFileContents(const std::filesystem::path& target, std::string_view contents);

// The whole file; nullopt with the Windows error in error (ERROR_FILE_NOT_FOUND when missing).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, DWORD& error);

}  // namespace win
