// What reading one image gives: whether its directories were walked, the record, the
// embedded thumbnail and the messages meant for the standard output.
#pragma once

#include "exif/record_bytes.h"

#include <cstdint>
#include <span>
#include <string>

namespace viduvod {

struct Thumbnail {
  enum class State {
    Absent,  // no JPEGInterchangeFormatLength met
    Found,  // bytes hold the last thumbnail met
    Unreadable,  // the last one met lies outside the data or has no offset before it
  };
  State state = State::Absent;
  std::span<const std::uint8_t> bytes;  // inside the data that was walked
};

struct ImageInfo {
  bool walked = false;
  RecordBytes record{};
  Thumbnail thumbnail;
  std::string output;
};

}  // namespace viduvod
