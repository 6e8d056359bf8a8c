// Which record field each known tag fills, and how its value is rendered there.
#pragma once

#include <cstdint>
#include <span>

namespace viduvod {

enum class Rendering : std::uint8_t {
  Number32,  // u32 (see Number32)
  Number16,  // the low 16 bits of Number32
  Byte8In16,  // the low 8 bits of Number32 in a u16
  Byte8Pair,  // the low 8 bits of the first two values, a u16 each
  FirstByte,  // the value's first byte
  Text,  // an ASCII value without its terminating zero
  ValueField,  // the value field's four bytes
  RationalText,  // "num/den" of every value, joined
  SampleList,  // the low 8 bits of at most six values, joined by ","
  VersionDigits,  // "[a.b.c.d]" of the four value bytes, each less '0'
  VersionBytes,  // "[a.b.c.d]" of the four value bytes as they stand
  OffsetText,  // "[a.b.c.d]" of Number32's bytes, most significant first
  SubjectText,  // the subject position text of up to four values
  Nothing,  // a known tag that leaves no trace
};

struct TagField {
  std::uint16_t tag;
  std::uint16_t offset;
  std::uint16_t width;
  Rendering rendering;
};

// The field of a tag, or nullptr for a tag that the reader does not handle.
const TagField* FindTagField(std::uint16_t tag);

// Every known tag in ascending order, for whoever checks the table.
std::span<const TagField> TagFields();

}  // namespace viduvod
