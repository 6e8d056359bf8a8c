// File name patterns as FindFirstFileA matches them: '*' and '?' with the DOS rules Windows
// keeps, ignoring case. "*.*" matches every name, "*." the names without a dot, "NAME.*"
// also "NAME", and '?' matches nothing at the end of a name or before its dot ("????????.???").
#pragma once

#include <string_view>

namespace win {

bool MatchesWildcard(std::string_view pattern, std::string_view name);

}  // namespace win
