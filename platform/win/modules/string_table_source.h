// The source form of a module's string table (strings.txt in its resource folder): one string
// a line, `<id> "<text>"`, with the escapes \n \r \t \\ \" and \xHH (one byte of the Windows
// code page). Blank lines and lines that begin with '#' are ignored. Ids run from 0 to 65535
// and each appears once. Other bytes above 0x7F must be written as \xHH, so that a text means
// the same bytes whatever the editor's encoding was.
#pragma once

#include "platform/win/types.h"

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

namespace win {

class StringTableSourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The strings by id; throws StringTableSourceError naming the line of the first fault.
std::map<UINT, std::string> ParseStringTableSource(std::string_view source);

}  // namespace win
