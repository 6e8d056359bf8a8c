// The checks the recovery settings make of an output folder before they keep it: its form, the
// free space of its drive, and that it and a file in it can be made.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <string>

namespace tarnlok {

// "E:" becomes "E:\"; a text of two backslashes, or one that starts with a letter, a colon and
// a backslash or with two backslashes, stays as it is; anything else is no folder (nullopt).
std::optional<std::string> FolderOfValidForm(const std::string& text);

// Creates the folder, and its parents one after the other when it cannot be made at once.
// Answers the error that remains: 0 or ERROR_ALREADY_EXISTS when the folder is there.
win::DWORD CreateFolderChain(const std::string& folder);

// The system's text for an error number, without its closing line break.
std::string SystemErrorText(win::DWORD error);

// Creates and deletes "<folder>\<prefix>.TMP"; the open error, or 0.
win::DWORD TestFileInFolder(const std::string& folder, const std::string& prefix);

}  // namespace tarnlok
