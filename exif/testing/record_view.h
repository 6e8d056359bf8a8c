// Reading a record's fields by name in tests.
#pragma once

#include "exif/record_bytes.h"
#include "exif/include/viduvod.h"

#include <cstring>
#include <string>
#include <string_view>

namespace viduvod::test_support {

inline ImageInfoRecord AsRecord(const RecordBytes& bytes) {
  ImageInfoRecord record;
  std::memcpy(&record, bytes.data(), sizeof record);
  return record;
}

// A text field's every byte, zeros included.
template <std::size_t N>
std::string FieldBytes(const char (&field)[N]) {
  return std::string(field, N);
}

// text followed by zeros up to width.
inline std::string ZeroFilled(std::string_view text, std::size_t width) {
  std::string field(text);
  field.resize(width, '\0');
  return field;
}

}  // namespace viduvod::test_support
