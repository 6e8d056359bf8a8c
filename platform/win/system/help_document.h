// The program's help document: plain text of topics, each looked up by key (HELP_KEY) or by
// context number (HELP_CONTEXT), the first topic being the contents.
//
//   @topic Backing up a card        a topic begins; the rest of the line is its title
//   @key Tarnlok Backup             a key that finds it (case ignored); any number of them
//   @context 0x20096                a context number that finds it, decimal or 0x hexadecimal
//   Any other line is the topic's text. Lines before the first @topic and lines that begin
//   with # are comments.
#pragma once

#include "platform/win/system/types.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win {

struct HelpTopic {
  std::string title;
  std::vector<std::string> keys;
  std::vector<DWORD> contexts;
  std::string text;  // lines joined by "\r\n", without leading or trailing blank lines
};

struct HelpDocument {
  std::vector<HelpTopic> topics;  // never empty once parsed; topics[0] is the contents
};

// Nullopt when the text holds no topic or a directive line is malformed.
std::optional<HelpDocument> ParseHelpDocument(std::string_view text);

// Reads and parses the document of a Windows path; nullopt with the last error set when the
// file cannot be opened, or ERROR_BAD_FORMAT when it is not a help document (or over 1 MB).
std::optional<HelpDocument> ReadHelpDocument(const char* path);

// The topic that a WinHelp command asks for: HELP_KEY with data a key text, HELP_CONTEXT with
// data a context number; the contents for HELP_CONTENTS, HELP_FINDER and any topic that does
// not exist.
const HelpTopic& FindHelpTopic(const HelpDocument& document, UINT command, std::uintptr_t data);

}  // namespace win
