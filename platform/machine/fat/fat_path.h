// Paths inside a card volume ("\DCIM\100ABCDE\IMG_0001.JPG"), split into their names, and
// names made ready for creation.
#pragma once

#include "platform/machine/io_result.h"

#include <string>
#include <string_view>
#include <vector>

namespace machine {

// The names of a path; '\' and '/' both separate, empty components are skipped, so the
// root is "" or "\".
std::vector<std::string> SplitVolumePath(std::string_view path);

// A name as it will be stored: trailing spaces and periods dropped, as Windows drops them.
// ERROR_INVALID_NAME when nothing valid is left, ERROR_FILENAME_EXCED_RANGE when too long.
IoResult<std::string> NameForCreation(std::string_view name);

}  // namespace machine
