// The text of names on a card volume. Callers speak the Windows ANSI code page (1252); long
// names are stored in UTF-16 and converted through that code page, characters it lacks reading
// as '?' as Windows' ANSI services show them. Names compare without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace machine {

// The UTF-16 form of an ANSI name.
std::u16string AnsiToUtf16(std::string_view ansi);
// The ANSI form of a UTF-16 name; characters outside the code page become '?'.
std::string Utf16ToAnsi(std::u16string_view wide);
// The upper-case form of one ANSI character, as Windows folds names.
char UpperAnsi(char c);
// The upper-case form of one ANSI name.
std::string UpperAnsi(std::string_view text);
// True when two ANSI names are equal regardless of case.
bool SameName(std::string_view a, std::string_view b);
// True when a name may be created: not empty, at most 255 characters, none of
// < > : " / \ | ? * or a control character, and not "." or "..".
bool IsValidLongName(std::string_view name);

}  // namespace machine
