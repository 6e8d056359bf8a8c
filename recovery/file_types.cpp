#include "recovery/file_types.h"

#include <cctype>

namespace recovery {

int TypeOfExtension(std::string_view ext) {
  if (ext.empty() || ext.size() > 3) return -1;
  for (int code = 0; code < kTypeCount; ++code) {
    const std::string_view known = FileTypeTable[code];
    if (known.size() != ext.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < ext.size() && same; ++i)
      same = std::toupper(static_cast<unsigned char>(ext[i])) == known[i];
    if (same) return code;
  }
  return -1;
}

}  // namespace recovery
